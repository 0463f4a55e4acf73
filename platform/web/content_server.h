#pragma once
// The content origin: serves the files below one folder (the reader's temporary
// folder) at their absolute paths, so that "file://" + path and this origin +
// path name the same file. Everything else is refused: other folders, ".." and
// "." segments (also percent-encoded), encoded slashes, symbolic links leading
// out, anything but regular files, foreign Host headers.
//
// HTML responses get the view script added (never the files themselves) and,
// with scripting off, a Content-Security-Policy that lets only that script run.

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace pgwk::web {

struct ContentPolicy {
  std::string uiOrigin;       // the only page allowed to frame the content
  std::string viewScript;     // the script added to every HTML response
  std::string defaultCharset; // for HTML without a charset of its own
  bool scripting = true;
};

// A request the content server answers: status, content type, headers, body.
struct ContentResponse {
  int status = 404;
  std::string contentType;
  std::string csp;
  std::string body;
};

class ContentServer {
 public:
  void setRoot(std::string folder);
  std::string root() const;
  void setScripting(bool on) { scripting_ = on; }
  bool scripting() const { return scripting_; }
  void setPolicy(ContentPolicy policy);
  void setDefaultCharset(std::string charset);

  // Answers a GET for a decoded path (rawTarget is the request line's target,
  // still encoded). Thread-safe.
  ContentResponse answer(std::string_view decodedPath, std::string_view rawTarget) const;

  // The canonical file a decoded path names, when it lies below the root.
  std::optional<std::string> resolve(std::string_view decodedPath, std::string_view rawTarget) const;

 private:
  mutable std::mutex mutex_;
  std::string root_;
  ContentPolicy policy_;
  std::atomic<bool> scripting_{true};
};

// Adds `script` (a complete <script> element) to an HTML document: after the
// opening <head> tag, else after <html>, else after a leading doctype, else first.
std::string addViewScript(std::string_view html, std::string_view script);

// The charset an HTML document declares in a <meta> tag within its first bytes, if any.
std::optional<std::string> declaredCharset(std::string_view html);

std::string contentTypeFor(std::string_view path);

}  // namespace pgwk::web
