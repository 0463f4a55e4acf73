#include "platform/web/instance_record.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <httplib.h>

namespace pgwk::web {

namespace {

constexpr std::time_t kRequestSeconds = 2;

bool isOurFolder(const std::string& folder) {
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0) {
    if (errno != ENOENT || mkdir(folder.c_str(), 0700) != 0) return false;
    if (lstat(folder.c_str(), &info) != 0) return false;
  }
  // Another user's folder, or a link planted to redirect the record, is not used.
  return S_ISDIR(info.st_mode) && info.st_uid == getuid();
}

std::string folderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool processAlive(pid_t pid) { return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM); }

httplib::Client clientFor(const InstanceInfo& instance) {
  httplib::Client client("127.0.0.1", instance.port);
  client.set_connection_timeout(kRequestSeconds);
  client.set_read_timeout(kRequestSeconds);
  client.set_write_timeout(kRequestSeconds);
  return client;
}

bool post(const InstanceInfo& instance, const char* path) {
  auto client = clientFor(instance);
  auto result = client.Post(path, {{"X-Pgwk-Token", instance.token}}, "", "text/plain");
  return result && result->status == 204;
}

}  // namespace

std::string InstanceRecord::defaultPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string base = runtime && *runtime == '/' ? std::string(runtime) + "/pagewick"
                                                : "/tmp/pagewick-" + std::to_string(getuid());
  return base + "/instance";
}

InstanceRecord::InstanceRecord(std::string path) : path_(std::move(path)) {}

bool InstanceRecord::write(int port, const std::string& token) const {
  std::string folder = folderOf(path_);
  if (!isOurFolder(folder)) return false;
  std::string temporary = path_ + ".tmp" + std::to_string(getpid());
  {
    mode_t old = umask(0077);
    std::ofstream out(temporary, std::ios::trunc);
    umask(old);
    if (!out) return false;
    out << getpid() << ' ' << port << ' ' << token << '\n';
    if (!out.flush()) return false;
  }
  // Renamed into place so that a reader never sees half a record.
  if (std::rename(temporary.c_str(), path_.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

std::optional<InstanceInfo> InstanceRecord::read() const {
  std::ifstream in(path_);
  if (!in) return std::nullopt;
  InstanceInfo info;
  long pid = 0;
  if (!(in >> pid >> info.port >> info.token)) return std::nullopt;
  if (pid <= 0 || info.port <= 0 || info.port > 65535 || info.token.size() != 32) return std::nullopt;
  info.pid = static_cast<pid_t>(pid);
  return info;
}

std::optional<InstanceInfo> InstanceRecord::find() const {
  auto info = read();
  if (!info || info->pid == getpid() || !processAlive(info->pid)) return std::nullopt;
  auto client = clientFor(*info);
  auto result = client.Get("/api/ping", {{"X-Pgwk-Token", info->token}});
  if (!result || result->status != 204) return std::nullopt;
  return info;
}

void InstanceRecord::clear() const {
  auto info = read();
  if (info && info->pid == getpid()) std::remove(path_.c_str());
}

bool InstanceRecord::bringForward(const InstanceInfo& instance) { return post(instance, "/api/forward"); }

bool InstanceRecord::requestClose(const InstanceInfo& instance) { return post(instance, "/api/close"); }

}  // namespace pgwk::web
