#include "persistence/shell_integration.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <fstream>

#include "persistence/store_keys.h"
#include "platform/store/store.h"
#include "platform/store/utf16_text.h"

namespace pgwk {

namespace {

constexpr std::size_t kMaxClassValueBytes = 500;
// A folder path of any length Linux allows, with its terminator.
constexpr std::size_t kMaxFolderBytes = 2 * 4097;
constexpr std::u16string_view kTemporaryFolderName = u"tempchmv";

std::u16string_view withoutFinalSlash(std::u16string_view folder) {
  if (!folder.empty() && folder.back() == u'/') folder.remove_suffix(1);
  return folder;
}

std::u16string_view parentOf(std::u16string_view path) {
  std::size_t slash = path.rfind(u'/');
  return slash == std::u16string_view::npos ? std::u16string_view() : path.substr(0, slash);
}

std::string commandName(pid_t pid) {
  std::ifstream in("/proc/" + (pid ? std::to_string(pid) : std::string("self")) + "/comm");
  std::string name;
  std::getline(in, name);
  return name;
}

}  // namespace

// ---- association and help file ------------------------------------------------------

bool associationState(Store& store) {
  auto ext = store.openKey(StoreRoot::ClassRoot, kChmExtensionKey);
  if (!ext) return false;
  auto cls = ext->queryString(u"", kMaxClassValueBytes);
  if (!cls || *cls != kAssociationClass) return false;
  auto command = store.openKey(StoreRoot::ClassRoot, kOpenCommandKey);
  if (!command) return false;
  auto text = command->queryString(u"", kMaxClassValueBytes);
  return text && containsText(*text, kOpenCommandTail);
}

bool writeAssociation(Store& store, bool on) {
  StoreTransaction transaction(store);
  bool all = true;
  for (std::u16string_view ext : {kChmExtensionKey, kColExtensionKey}) {
    auto key = store.openKey(StoreRoot::ClassRoot, ext);
    all = key && key->setString(u"", on ? kAssociationClass : u"") && all;
  }
  return transaction.commit() && all;
}

std::u16string associationCommand(std::u16string_view installFolder) {
  std::u16string command = u"\"";
  command += withoutFinalSlash(installFolder);
  command += kOpenCommandTail;
  return command;
}

std::optional<std::u16string> helpPath(Store& store, std::size_t maxBytes) {
  auto cls = store.openKey(StoreRoot::ClassRoot, kAssociationClass);
  if (!cls) return std::nullopt;
  return cls->queryString(kHelpPathValue, maxBytes);
}

// ---- the previous-instance record ---------------------------------------------------

bool ProcessInstanceServices::instanceRunning(std::uint32_t handle) {
  // 0 and values that are not a single process id (kill would signal a group or
  // every process) never name a running instance.
  if (handle == 0 || handle > static_cast<std::uint32_t>(INT_MAX)) return false;
  pid_t pid = static_cast<pid_t>(handle);
  if (::kill(pid, 0) != 0 && errno != EPERM) return false;
  // A process id may have been reused by another program since.
  std::string name = commandName(pid);
  return name.empty() || name == commandName(0);
}

void ProcessInstanceServices::removeFolder(const std::u16string& folder) {
  std::filesystem::path path = toUtf8(folder);
  std::error_code ec;
  if (!std::filesystem::is_directory(std::filesystem::symlink_status(path, ec))) return;
  std::filesystem::remove_all(path, ec);
}

bool isRemovableTemporaryFolder(std::u16string_view folder, std::u16string_view ownFolder) {
  std::u16string_view path = withoutFinalSlash(folder);
  std::u16string_view own = withoutFinalSlash(ownFolder);
  std::size_t slash = path.rfind(u'/');
  if (slash == std::u16string_view::npos || own.empty()) return false;
  std::u16string_view name = path.substr(slash + 1);
  if (name.substr(0, kTemporaryFolderName.size()) != kTemporaryFolderName) return false;
  if (name.find(u'\0') != std::u16string_view::npos) return false;
  return !parentOf(path).empty() && parentOf(path) == parentOf(own);
}

void InstanceRecord::cleanUpAfterPreviousInstance(const InstanceIdentity& self, std::uint32_t handle,
                                                  std::u16string_view folder) {
  if (handle == self.handle || services_.instanceRunning(handle)) return;
  services_.removeTrayIcon(handle);
  if (equalIgnoringCase(folder, self.temporaryFolder)) return;
  if (!isRemovableTemporaryFolder(folder, self.temporaryFolder)) return;
  services_.removeFolder(std::u16string(withoutFinalSlash(folder)));
}

bool InstanceRecord::recordThisInstance(const InstanceIdentity& self) {
  auto key = store_.openKey(StoreRoot::CurrentUser, kPrevInstanceKey);
  if (!key) return false;
  auto handle = key->queryNumber(kPrevHandleValue);
  // Without "HWND" this instance never records itself.
  if (!handle) return false;
  if (*handle != 0) {
    auto folder = key->queryString(kPrevFolderValue, kMaxFolderBytes);
    cleanUpAfterPreviousInstance(self, *handle, folder.value_or(u""));
  }
  StoreTransaction transaction(store_);
  bool ok = key->setNumber(kPrevHandleValue, self.handle) && key->setString(kPrevFolderValue, self.temporaryFolder);
  return transaction.commit() && ok;
}

bool InstanceRecord::clearRecord(const InstanceIdentity& self) {
  auto key = store_.openKey(StoreRoot::CurrentUser, kPrevInstanceKey);
  if (!key) return false;
  // Read and write under one lock, so an instance that records itself meanwhile
  // is never cleared by this one.
  StoreTransaction transaction(store_);
  auto handle = key->queryNumber(kPrevHandleValue);
  if (!handle || *handle != self.handle) return false;
  bool ok = key->setNumber(kPrevHandleValue, 0) &&
            key->setValue(kPrevFolderValue, kStoreString, std::vector<std::uint8_t>(4, 0));
  return transaction.commit() && ok;
}

}  // namespace pgwk
