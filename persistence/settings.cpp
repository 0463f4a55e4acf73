#include "persistence/settings.h"

#include <string>
#include <string_view>

#include "persistence/shell_integration.h"
#include "persistence/store_keys.h"
#include "platform/store/browser_keys.h"
#include "platform/store/store.h"

namespace pgwk {

namespace {

// One stored option: its value name and the field it fills.
struct StoredOption {
  std::u16string_view name;
  int Settings::*number;
  bool Settings::*flag;
  bool readAtLoad;
};

#define PGWK_INT(f, read) StoredOption{u## #f, &Settings::f, nullptr, read}
#define PGWK_BOOL(f, read) StoredOption{u## #f, nullptr, &Settings::f, read}

// In the stored order. The merged-file error switch has no value.
constexpr StoredOption kStoredOptions[] = {
    PGWK_INT(ResentFilesNmb, true),
    PGWK_BOOL(ShowRecentFilesNames, true),
    PGWK_BOOL(ShowRecentFilesNamesWithPath, true),
    PGWK_BOOL(ShowRecentBooksCaptions, true),
    PGWK_BOOL(ShowExistentFiles, true),
    PGWK_BOOL(DysplayClearType, true),
    PGWK_BOOL(DysplayFitToWindow, true),
    PGWK_BOOL(DysplayShowImages, true),
    PGWK_BOOL(DysplayDisableCSS, true),
    PGWK_INT(DysplayTextSize, true),
    PGWK_INT(DefaultCodePage, false),
    PGWK_BOOL(EnableScript, true),
    PGWK_BOOL(ShowScriptErrors, true),
    PGWK_BOOL(BookmarkAutosave, true),
    PGWK_BOOL(BookmarkDeleteAutosave, true),
    PGWK_BOOL(BookmarkLoadLast, true),
    PGWK_BOOL(BookmarkShowLocation, true),
    PGWK_BOOL(SearchHighlightWords, true),
    PGWK_BOOL(SearchScrollToWord, true),
    PGWK_BOOL(GeneralAssociateExtension, true),
    PGWK_BOOL(GeneralLoadLastChm, true),
    PGWK_BOOL(GeneralShowTrayIcon, true),
    PGWK_BOOL(SearchPrevResults, false),
    PGWK_BOOL(SearchWholeWords, false),
    PGWK_BOOL(SearchInTitles, false),
    PGWK_BOOL(SearchShowLocation, true),
    PGWK_BOOL(UseButtonsMapping, true),
};

#undef PGWK_INT
#undef PGWK_BOOL

static_assert(std::size(kStoredOptions) == 27);

std::u16string actionValueName(int action) {
  std::string digits = std::to_string(action);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

void setDefaults(Settings& settings) { settings = Settings{}; }

void setDisplayDefaults(Settings& settings) {
  const Settings defaults;
  settings.DysplayClearType = defaults.DysplayClearType;
  settings.DysplayFitToWindow = defaults.DysplayFitToWindow;
  settings.DysplayShowImages = defaults.DysplayShowImages;
  settings.DysplayDisableCSS = defaults.DysplayDisableCSS;
  settings.DysplayTextSize = defaults.DysplayTextSize;
  settings.DefaultCodePage = defaults.DefaultCodePage;
  settings.EnableScript = defaults.EnableScript;
  settings.ShowScriptErrors = defaults.ShowScriptErrors;
  settings.ShowMergedFileErrors = defaults.ShowMergedFileErrors;
}

void SettingsStore::load(Settings& settings, std::vector<ButtonAssignment>& buttons) {
  if (auto key = store_.openKey(StoreRoot::CurrentUser, kOptionsKey)) {
    for (const StoredOption& option : kStoredOptions) {
      if (!option.readAtLoad) continue;
      auto n = key->queryNumber(option.name);
      if (!n) continue;
      // No range test: the options pages keep values in range, and a stored
      // value is taken as it stands.
      if (option.number)
        settings.*option.number = static_cast<int>(*n);
      else
        settings.*option.flag = *n != 0;
    }
  }
  if (auto key = store_.openKey(StoreRoot::CurrentUser, kButtonsKey)) {
    for (ButtonAssignment& button : buttons)
      button.keyCode = key->queryNumber(actionValueName(button.action)).value_or(0);
  }
  settings.GeneralAssociateExtension = associationState(store_);
}

bool SettingsStore::save(const Settings& settings, const std::vector<ButtonAssignment>& buttons) {
  // One transaction: a reader killed in the middle leaves the previous save
  // whole, never half of each.
  StoreTransaction transaction(store_);
  if (!transaction.active()) return false;
  bool all = true;
  if (auto key = store_.openKey(StoreRoot::CurrentUser, kOptionsKey)) {
    for (const StoredOption& option : kStoredOptions) {
      std::uint32_t n = option.number ? static_cast<std::uint32_t>(settings.*option.number)
                                      : (settings.*option.flag ? 1u : 0u);
      all = key->setNumber(option.name, n) && all;
    }
  } else {
    all = false;
  }
  if (auto key = store_.openKey(StoreRoot::CurrentUser, kButtonsKey)) {
    for (const ButtonAssignment& button : buttons)
      all = key->setNumber(actionValueName(button.action), button.keyCode) && all;
  } else {
    all = false;
  }
  return transaction.commit() && all;
}

bool SettingsStore::writeBrowserScriptErrors(bool showScriptErrors) {
  auto key = store_.createKey(StoreRoot::CurrentUser, kBrowserMainKey);
  return key && key->setNumber(kBrowserShowScriptErrors, showScriptErrors ? 1 : 0);
}

bool SettingsStore::writeBrowserDefaultCodePage(int codePage) {
  auto key = store_.createKey(StoreRoot::CurrentUser, kBrowserInternationalKey);
  return key && key->setNumber(kBrowserDefaultCodePage, static_cast<std::uint32_t>(codePage));
}

}  // namespace pgwk
