#pragma once
// A deliberately plain HTTP client for tests: sends exactly the request line and
// headers given (no normalising of the path, any Host), reads the whole answer.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <string>

namespace pgwk::web::test {

struct Answer {
  int status = 0;
  std::string head;
  std::string body;
  std::string header(const std::string& name) const {
    std::string lowerHead;
    for (char c : head) lowerHead += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string key = "\r\n";
    for (char c : name) key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    key += ": ";
    auto at = lowerHead.find(key);
    if (at == std::string::npos) return {};
    auto start = at + key.size();
    return head.substr(start, head.find("\r\n", start) - start);
  }
};

inline int connectTo(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  timeval timeout{5, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

inline void sendAll(int fd, const std::string& data) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

inline Answer request(int port, const std::string& method, const std::string& target, const std::string& headers,
                      const std::string& body = {}, const std::string& host = {}) {
  Answer answer;
  int fd = connectTo(port);
  if (fd < 0) return answer;
  std::string h = host.empty() ? "127.0.0.1:" + std::to_string(port) : host;
  std::string text = method + " " + target + " HTTP/1.1\r\nHost: " + h + "\r\nConnection: close\r\n" + headers;
  if (!body.empty() || method == "POST") text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  text += "\r\n" + body;
  sendAll(fd, text);
  std::string all;
  char buffer[8192];
  ssize_t n;
  while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) all.append(buffer, static_cast<std::size_t>(n));
  ::close(fd);
  auto split = all.find("\r\n\r\n");
  if (split == std::string::npos) return answer;
  answer.head = all.substr(0, split);
  answer.body = all.substr(split + 4);
  if (answer.head.size() > 12) answer.status = std::atoi(answer.head.c_str() + 9);
  return answer;
}

}  // namespace pgwk::web::test
