#pragma once
// The reader's options: one record kept for the whole run, stored as one 32-bit
// number per option under the options key, with the hardware-button mapping in
// the buttons key beside it.

#include <cstdint>
#include <vector>

namespace pgwk {

class Store;

struct Settings {
  int ResentFilesNmb = 10;                  // entries the Recent Files menu shows
  bool ShowRecentFilesNames = true;         // file (true) or book title (false)
  bool ShowRecentFilesNamesWithPath = false;
  bool ShowRecentBooksCaptions = false;
  bool ShowExistentFiles = true;            // the menu leaves out missing files
  // The display group: also stored per book and carried by every ViewState
  // (except DefaultCodePage, ShowScriptErrors and ShowMergedFileErrors).
  bool DysplayClearType = true;
  bool DysplayFitToWindow = true;
  bool DysplayShowImages = true;
  bool DysplayDisableCSS = false;
  int DysplayTextSize = 2;                  // 0 (largest) .. 4; zoom = 4 - value
  int DefaultCodePage = 0;                  // 0 = from the book's language
  bool EnableScript = true;
  bool ShowScriptErrors = false;
  bool ShowMergedFileErrors = true;         // never stored under the options key
  bool BookmarkAutosave = true;
  bool BookmarkDeleteAutosave = true;
  bool BookmarkLoadLast = false;
  bool BookmarkShowLocation = false;
  bool SearchHighlightWords = true;
  bool SearchScrollToWord = true;
  bool GeneralAssociateExtension = true;
  bool GeneralLoadLastChm = false;
  bool GeneralShowTrayIcon = true;
  bool SearchPrevResults = false;
  bool SearchWholeWords = true;
  bool SearchInTitles = false;
  bool SearchShowLocation = false;
  bool UseButtonsMapping = true;

  bool operator==(const Settings&) const = default;
};

void setDefaults(Settings& settings);
// Puts the display group back to its defaults (what closing a book does).
void setDisplayDefaults(Settings& settings);

// One registered reader action and the key code mapped to it (0 = none). The
// table itself belongs to the button-mapping logic; the store only keeps it.
struct ButtonAssignment {
  int action = 0;
  std::uint32_t keyCode = 0;
  bool operator==(const ButtonAssignment&) const = default;
};

class SettingsStore {
 public:
  explicit SettingsStore(Store& store) : store_(store) {}

  // Reads the options key into the record and the buttons key into the table
  // (a missing key or value leaves what the record holds; a missing button
  // value maps the action to 0), then takes GeneralAssociateExtension from the
  // actual file association. DefaultCodePage and the search options other than
  // SearchHighlightWords/SearchScrollToWord/SearchShowLocation are not read, so
  // each run starts with their defaults.
  void load(Settings& settings, std::vector<ButtonAssignment>& buttons);

  // Writes the 27 stored options and the button table, all in one transaction,
  // into keys that must already exist. True when everything was written.
  bool save(const Settings& settings, const std::vector<ButtonAssignment>& buttons);

  // The two values of the platform browser's settings (keys created if missing).
  bool writeBrowserScriptErrors(bool showScriptErrors);
  bool writeBrowserDefaultCodePage(int codePage);

 private:
  Store& store_;
};

}  // namespace pgwk
