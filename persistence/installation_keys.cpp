#include "persistence/installation_keys.h"

#include <string>

#include "persistence/shell_integration.h"
#include "persistence/store_keys.h"
#include "platform/store/store.h"

namespace pgwk {

namespace {

bool seedUserKeys(Store& store) {
  bool all = true;
  for (std::u16string_view path : {kOptionsKey, kButtonsKey, kRecentFilesKey, kBookmarksRootKey})
    all = store.createKey(StoreRoot::CurrentUser, path).has_value() && all;
  auto prev = store.createKey(StoreRoot::CurrentUser, kPrevInstanceKey);
  if (!prev) return false;
  if (!prev->queryNumber(kPrevHandleValue)) all = prev->setNumber(kPrevHandleValue, 0) && all;
  if (!prev->queryValue(kPrevFolderValue)) all = prev->setString(kPrevFolderValue, u"") && all;
  return all;
}

std::u16string inFolder(std::u16string_view folder, std::u16string_view name) {
  std::u16string path(folder);
  if (path.empty() || path.back() != u'/') path += u'/';
  return path + std::u16string(name);
}

}  // namespace

bool seedInstallationKeys(Store& store, std::u16string_view installFolder) {
  StoreTransaction transaction(store);
  if (!transaction.active()) return false;
  bool all = seedUserKeys(store);
  for (std::u16string_view ext : {kChmExtensionKey, kColExtensionKey}) {
    auto key = store.createKey(StoreRoot::ClassRoot, ext);
    all = key && key->setString(u"", kAssociationClass) && all;
  }
  auto command = store.createKey(StoreRoot::ClassRoot, kOpenCommandKey);
  all = command && command->setString(u"", associationCommand(installFolder)) && all;
  auto cls = store.openKey(StoreRoot::ClassRoot, kAssociationClass);
  all = cls && cls->setString(kHelpPathValue, inFolder(installFolder, kHelpFileName)) && all;
  return transaction.commit() && all;
}

bool createUserKeysIfMissing(Store& store) {
  StoreTransaction transaction(store);
  if (!transaction.active()) return false;
  if (store.openKey(StoreRoot::CurrentUser, kCompanyKey)) return true;
  bool all = seedUserKeys(store);
  return transaction.commit() && all;
}

}  // namespace pgwk
