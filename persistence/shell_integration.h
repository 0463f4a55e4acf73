#pragma once
// What ties the reader to the desktop: the file association of ".chm" and ".col"
// (class root), the location of the reader's own help file, and the record of
// the previous instance, which lets a new instance clean up after one that ended
// without tidying up (current user's root).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pgwk {

class Store;

// ---- association and help file ------------------------------------------------------

// True when ".chm" names the class "chmfile" (exactly) and the class's open
// command runs the reader ("...<folder>/pgwk" file:%1).
bool associationState(Store& store);
// Sets the class of ".chm" and ".col" to "chmfile" (on) or to an empty text (off)
// in keys that must exist; the class and its command stay, so switching it on
// again needs no installation. True when both were written.
bool writeAssociation(Store& store, bool on);
// The open command an installation writes for a reader in installFolder.
std::u16string associationCommand(std::u16string_view installFolder);

// Big enough for any Linux path, unlike the handheld's 520 bytes.
inline constexpr std::size_t kHelpPathMaxBytes = 2 * 4097;
// The full path of the reader's help file, from "HelpPath" of the class.
std::optional<std::u16string> helpPath(Store& store, std::size_t maxBytes = kHelpPathMaxBytes);

// ---- the previous-instance record ---------------------------------------------------

// This instance as the record knows it. On Linux the handle is the process id.
struct InstanceIdentity {
  std::uint32_t handle = 0;
  std::u16string temporaryFolder;  // with its final "/"
};

// Platform services that cleaning up needs.
class InstanceServices {
 public:
  virtual ~InstanceServices() = default;
  // Whether the instance with that handle is still running.
  virtual bool instanceRunning(std::uint32_t handle) = 0;
  // Removes the task bar icon that instance left behind.
  virtual void removeTrayIcon(std::uint32_t handle) = 0;
  // Empties the folder and removes it.
  virtual void removeFolder(const std::u16string& folder) = 0;
};

// The Linux services: a handle is a process id; a process of that id running the
// same program counts as running. The task bar icon of a process goes with its
// bus connection, so there is none to remove. Folders are removed without
// following symbolic links.
class ProcessInstanceServices : public InstanceServices {
 public:
  bool instanceRunning(std::uint32_t handle) override;
  void removeTrayIcon(std::uint32_t handle) override {}
  void removeFolder(const std::u16string& folder) override;
};

class InstanceRecord {
 public:
  InstanceRecord(Store& store, InstanceServices& services) : store_(store), services_(services) {}

  // Records this instance in the previous-instance key (which must exist and hold
  // "HWND"), after cleaning up after a previous instance that did not end
  // normally. True when the record was written.
  bool recordThisInstance(const InstanceIdentity& self);
  // Nothing when that instance is alive or is this one; otherwise removes its
  // icon and, unless it is ours, its temporary folder.
  void cleanUpAfterPreviousInstance(const InstanceIdentity& self, std::uint32_t handle,
                                    std::u16string_view folder);
  // Clears the record at exit, unless another instance has recorded itself since.
  bool clearRecord(const InstanceIdentity& self);

 private:
  Store& store_;
  InstanceServices& services_;
};

// Whether a folder read from the record may be removed: it must be a reader's
// temporary folder ("tempchmv...") beside this instance's own. A damaged or
// foreign record must never make the reader delete anything else.
bool isRemovableTemporaryFolder(std::u16string_view folder, std::u16string_view ownFolder);

}  // namespace pgwk
