#pragma once
// The per-user record of the running instance: process id, UI port and token,
// kept in $XDG_RUNTIME_DIR/pagewick/instance (or /tmp/pagewick-UID/instance).
// A second instance finds the first through it, brings it forward (the first
// opens its page in the browser again) or asks it to close.

#include <sys/types.h>

#include <optional>
#include <string>

namespace pgwk::web {

struct InstanceInfo {
  pid_t pid = 0;
  int port = 0;
  std::string token;
};

class InstanceRecord {
 public:
  static std::string defaultPath();
  explicit InstanceRecord(std::string path = defaultPath());

  const std::string& path() const { return path_; }
  // Records this process; the file is readable by the user only. False on failure.
  bool write(int port, const std::string& token) const;
  // The recorded instance, when its process is alive and answers on its port
  // with its token; a stale record yields nothing.
  std::optional<InstanceInfo> find() const;
  // Removes the record when it is this process's own.
  void clear() const;

  static bool bringForward(const InstanceInfo& instance);
  static bool requestClose(const InstanceInfo& instance);

 private:
  std::optional<InstanceInfo> read() const;
  std::string path_;
};

}  // namespace pgwk::web
