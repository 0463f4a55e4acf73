#pragma once
// The books opened most recently, newest first, kept under the recent-files key
// as values "1".."50" of the form path + "::" + title. Each entry also carries
// its book's bookmarks; the front entry is the open book.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "persistence/bookmark_store.h"
#include "persistence/recent_entry.h"

namespace pgwk {

struct Settings;
class Store;

// The Recent Files submenu of the File menu, as Rebuild menu needs it.
class RecentFilesMenu {
 public:
  virtual ~RecentFilesMenu() = default;
  // Deletes the item at the position; false when there is no such item.
  virtual bool deleteItem(int position) = 0;
  virtual void insertItem(int position, int commandId, const std::u16string& text) = 0;
  // Enables or greys the "Recent Files" item of the File menu.
  virtual void enableRecentFilesItem(bool enabled) = 0;
};

// Entry i of the list is opened by command kFirstRecentFileCommand + i.
inline constexpr int kFirstRecentFileCommand = 1051;

class RecentFiles {
 public:
  static constexpr int kMaxEntries = 50;
  static constexpr std::u16string_view kNoTitle = u"No title";

  explicit RecentFiles(Store& store) : store_(store), bookmarks_(store) {}

  // Fills the list from the store (after the settings are loaded). Values that
  // are missing or hold no "::" are skipped.
  void load();
  // Rewrites the stored list: values "1".."count", gaps closed.
  bool save() const;

  // The book path in a path text: without a leading "file:" or quote, without a
  // trailing quote, a fragment after the book's name, or "::" and a topic.
  static std::u16string normalise(std::u16string_view text);
  // Index of the entry for the (normalised) path, compared without regard to
  // case; -1 when there is none.
  int find(std::u16string_view text) const;

  // Puts the book at the front (moving it when it is there already, with the new
  // title). A 51st entry drops the oldest one, and its bookmark key unless
  // another entry has the same file name. Then loads the front entry's bookmarks.
  void addToFront(std::u16string_view text, std::u16string_view title, const OpenBook& book);

  // For a book already in the list: its stored display parameters go to the
  // apply step (or its bookmarks are dropped when the book changed).
  ParametersResult loadStoredParameters(std::u16string_view text, const Settings& applied, const OpenBook& book,
                                        SettingsApplier& applier);
  // Records the display parameters of the front entry's book.
  bool saveStoredParameters(const Settings& applied, const OpenBook& book);

  int count() const { return static_cast<int>(entries_.size()); }
  RecentEntry* front() const { return entries_.empty() ? nullptr : entries_.front().get(); }
  RecentEntry* entry(int index) const;
  // The entry's path, in double quotes when asked; none outside 0..count-1.
  std::optional<std::u16string> path(int index, bool quoted) const;

  // Refills the Recent Files submenu from the list and the recent-files options.
  void rebuildMenu(RecentFilesMenu& menu, const Settings& settings) const;

  // Deletes every entry with its bookmarks (in memory only).
  void clear() { entries_.clear(); }

  BookmarkStore& bookmarkStore() { return bookmarks_; }

 private:
  Store& store_;
  BookmarkStore bookmarks_;
  std::vector<std::unique_ptr<RecentEntry>> entries_;
};

}  // namespace pgwk
