#include "platform/store/browser_keys.h"

#include "platform/store/store.h"

namespace pgwk {

std::optional<bool> readBrowserShowScriptErrors(Store& store) {
  auto key = store.openKey(StoreRoot::CurrentUser, kBrowserMainKey);
  if (!key) return std::nullopt;
  auto n = key->queryNumber(kBrowserShowScriptErrors);
  if (!n) return std::nullopt;
  return *n != 0;
}

std::optional<std::uint32_t> readBrowserDefaultCodePage(Store& store) {
  auto key = store.openKey(StoreRoot::CurrentUser, kBrowserInternationalKey);
  if (!key) return std::nullopt;
  return key->queryNumber(kBrowserDefaultCodePage);
}

}  // namespace pgwk
