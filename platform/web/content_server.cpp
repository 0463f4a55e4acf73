#include "platform/web/content_server.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/web/web_backend.h"

namespace pgwk::web {

namespace fs = std::filesystem;

namespace {

// Files larger than this are not served: nothing a book holds comes near it, and
// the whole file is read into memory.
constexpr std::uintmax_t kMaxFileSize = 256u * 1024 * 1024;
// A charset declaration counts only near the top, where browsers look for it.
constexpr std::size_t kCharsetScanBytes = 4096;

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowered(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), lower);
  return out;
}

// Position just past the first tag `<name ...>` (name followed by space or '>'), or npos.
std::size_t afterTag(const std::string& lowerHtml, std::string_view name, std::size_t limit) {
  std::string open = "<" + std::string(name);
  std::size_t at = 0;
  while ((at = lowerHtml.find(open, at)) != std::string::npos && at < limit) {
    std::size_t next = at + open.size();
    if (next < lowerHtml.size() && (lowerHtml[next] == '>' || lowerHtml[next] == ' ' || lowerHtml[next] == '\t' ||
                                    lowerHtml[next] == '\r' || lowerHtml[next] == '\n')) {
      std::size_t close = lowerHtml.find('>', next);
      return close == std::string::npos ? std::string::npos : close + 1;
    }
    at = next;
  }
  return std::string::npos;
}

bool hasDotSegment(std::string_view path) {
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view segment = path.substr(start, end - start);
    if (segment == "." || segment == "..") return true;
    start = end + 1;
  }
  return false;
}

bool isBelow(const std::string& path, const std::string& folder) {
  std::string prefix = folder;
  if (prefix.empty() || prefix.back() != '/') prefix += '/';
  return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::string contentTypeFor(std::string_view path) {
  std::size_t dot = path.rfind('.');
  std::size_t slash = path.rfind('/');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
    return "application/octet-stream";
  }
  std::string ext = lowered(path.substr(dot + 1));
  static const std::pair<const char*, const char*> kTypes[] = {
      {"htm", "text/html"},       {"html", "text/html"},      {"css", "text/css"},
      {"js", "text/javascript"},  {"gif", "image/gif"},       {"png", "image/png"},
      {"jpg", "image/jpeg"},      {"jpeg", "image/jpeg"},     {"bmp", "image/bmp"},
      {"svg", "image/svg+xml"},   {"ico", "image/x-icon"},    {"webp", "image/webp"},
      {"txt", "text/plain"},      {"xml", "text/xml"},        {"xsl", "text/xml"},
  };
  for (const auto& [e, type] : kTypes) {
    if (ext == e) return type;
  }
  return "application/octet-stream";
}

std::optional<std::string> declaredCharset(std::string_view html) {
  std::string head = lowered(html.substr(0, std::min(html.size(), kCharsetScanBytes)));
  std::size_t at = 0;
  while ((at = head.find("<meta", at)) != std::string::npos) {
    std::size_t close = head.find('>', at);
    if (close == std::string::npos) break;
    std::string_view tag(head.data() + at, close - at);
    std::size_t cs = tag.find("charset");
    if (cs != std::string_view::npos) {
      std::size_t i = cs + 7;
      while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t')) ++i;
      if (i < tag.size() && tag[i] == '=') {
        ++i;
        while (i < tag.size() && (tag[i] == ' ' || tag[i] == '"' || tag[i] == '\'')) ++i;
        std::size_t start = i;
        while (i < tag.size() && (std::isalnum(static_cast<unsigned char>(tag[i])) || tag[i] == '-' ||
                                  tag[i] == '_' || tag[i] == '.' || tag[i] == ':')) {
          ++i;
        }
        if (i > start) return std::string(tag.substr(start, i - start));
      }
    }
    at = close;
  }
  return std::nullopt;
}

std::string addViewScript(std::string_view html, std::string_view script) {
  std::string lowerHtml = lowered(html.substr(0, std::min<std::size_t>(html.size(), 64 * 1024)));
  std::size_t limit = lowerHtml.size();
  std::size_t at = afterTag(lowerHtml, "head", limit);
  if (at == std::string::npos) at = afterTag(lowerHtml, "html", limit);
  if (at == std::string::npos) {
    std::size_t start = lowerHtml.find_first_not_of(" \t\r\n\xef\xbb\xbf");
    at = 0;
    if (start != std::string::npos && lowerHtml.compare(start, 9, "<!doctype") == 0) {
      std::size_t close = lowerHtml.find('>', start);
      if (close != std::string::npos) at = close + 1;
    }
  }
  std::string out;
  out.reserve(html.size() + script.size());
  out.append(html.substr(0, at));
  out.append(script);
  out.append(html.substr(at));
  return out;
}

void ContentServer::setRoot(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::lock_guard lock(mutex_);
  root_ = std::move(folder);
}

std::string ContentServer::root() const {
  std::lock_guard lock(mutex_);
  return root_;
}

void ContentServer::setPolicy(ContentPolicy policy) {
  std::lock_guard lock(mutex_);
  policy_ = std::move(policy);
}

void ContentServer::setDefaultCharset(std::string charset) {
  std::lock_guard lock(mutex_);
  policy_.defaultCharset = std::move(charset);
}

std::optional<std::string> ContentServer::resolve(std::string_view decodedPath, std::string_view rawTarget) const {
  std::string root = this->root();
  if (root.empty() || root == "/" || decodedPath.empty() || decodedPath.front() != '/') return std::nullopt;
  if (decodedPath.find('\0') != std::string_view::npos) return std::nullopt;
  // An encoded slash would let one segment pose as two after decoding.
  std::string raw = lowered(rawTarget.substr(0, rawTarget.find('?')));
  if (raw.find("%2f") != std::string::npos || raw.find("%00") != std::string::npos) return std::nullopt;
  if (hasDotSegment(decodedPath)) return std::nullopt;
  std::string path(decodedPath);
  if (!isBelow(path, root)) return std::nullopt;
  // Symbolic links are followed only as far as they stay below the folder.
  std::error_code error;
  fs::path canonicalRoot = fs::canonical(root, error);
  if (error) return std::nullopt;
  fs::path canonicalFile = fs::canonical(path, error);
  if (error) return std::nullopt;
  if (!isBelow(canonicalFile.string(), canonicalRoot.string())) return std::nullopt;
  if (!fs::is_regular_file(canonicalFile, error)) return std::nullopt;
  return canonicalFile.string();
}

ContentResponse ContentServer::answer(std::string_view decodedPath, std::string_view rawTarget) const {
  ContentResponse response;
  ContentPolicy policy;
  {
    std::lock_guard lock(mutex_);
    policy = policy_;
  }
  bool scripting = scripting_;
  std::string ancestors = "frame-ancestors 'self' " + policy.uiOrigin;
  response.csp = scripting ? ancestors : "script-src 'none'; object-src 'none'; " + ancestors;

  std::optional<std::string> file = resolve(decodedPath, rawTarget);
  if (!file) {
    response.status = 403;
    response.contentType = "text/plain";
    response.body = "Forbidden\n";
    return response;
  }
  std::error_code error;
  auto size = fs::file_size(*file, error);
  if (error || size > kMaxFileSize) {
    response.status = 404;
    response.contentType = "text/plain";
    response.body = "Not found\n";
    return response;
  }
  std::ifstream in(*file, std::ios::binary);
  std::string body((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    response.status = 404;
    response.contentType = "text/plain";
    response.body = "Not found\n";
    return response;
  }
  response.status = 200;
  response.contentType = contentTypeFor(*file);
  if (response.contentType != "text/html") {
    response.body = std::move(body);
    return response;
  }
  // The page's own declaration wins; it goes into the header because the added
  // script may push a <meta charset> past the bytes a browser scans for it.
  std::optional<std::string> charset = declaredCharset(body);
  if (!charset && !policy.defaultCharset.empty()) charset = policy.defaultCharset;
  if (charset) response.contentType += "; charset=" + *charset;
  std::string nonce = makeToken();
  if (!scripting) response.csp = "script-src 'nonce-" + nonce + "'; object-src 'none'; " + ancestors;
  std::string script = "<script nonce=\"" + nonce + "\">" + policy.viewScript + "</script>";
  response.body = addViewScript(body, script);
  return response;
}

}  // namespace pgwk::web
