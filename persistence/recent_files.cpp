#include "persistence/recent_files.h"

#include <filesystem>
#include <string>

#include "persistence/settings.h"
#include "persistence/store_keys.h"
#include "platform/store/store.h"
#include "platform/store/utf16_text.h"

namespace pgwk {

namespace {

// Room for a Linux path of any length and a book title. A value too long to read
// would be skipped at load and so vanish from the list at the next save.
constexpr std::size_t kMaxRecentValueBytes = 64 * 1024;

std::u16string valueName(int n) {
  std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

bool endsWithBookExtension(std::u16string_view text) {
  if (text.size() < 4) return false;
  std::u16string_view ext = text.substr(text.size() - 4);
  return equalIgnoringCase(ext, u".chm") || equalIgnoringCase(ext, u".col");
}

bool fileExists(const std::u16string& path) {
  std::error_code ec;
  auto status = std::filesystem::status(toUtf8(path), ec);
  return !ec && std::filesystem::exists(status);
}

}  // namespace

void RecentFiles::load() {
  auto key = store_.openKey(StoreRoot::CurrentUser, kRecentFilesKey);
  if (!key) return;
  for (int n = 1; n <= kMaxEntries; ++n) {
    auto value = key->queryString(valueName(n), kMaxRecentValueBytes);
    if (!value) continue;  // a gap does not end the list
    std::size_t sep = value->find(u"::");
    if (sep == std::u16string::npos) continue;
    entries_.push_back(std::make_unique<RecentEntry>(value->substr(0, sep), value->substr(sep + 2)));
  }
}

bool RecentFiles::save() const {
  auto key = store_.openKey(StoreRoot::CurrentUser, kRecentFilesKey);
  if (!key) return false;
  StoreTransaction transaction(store_);
  if (!transaction.active()) return false;
  for (int n = 1; n <= kMaxEntries; ++n) key->deleteValue(valueName(n));
  bool all = true;
  for (int i = 0; i < count(); ++i) {
    const RecentEntry& e = *entries_[static_cast<std::size_t>(i)];
    std::u16string value = e.path + u"::" + (e.title.empty() ? std::u16string(kNoTitle) : e.title);
    all = key->setString(valueName(i + 1), value) && all;
  }
  return transaction.commit() && all;
}

std::u16string RecentFiles::normalise(std::u16string_view text) {
  if (!text.empty() && text.front() == u'"') text.remove_prefix(1);
  // Drop a scheme such as "file:". A colon after a folder separator belongs to
  // a file or folder name (Linux paths may hold colons) and stays; a colon that
  // starts "::" ends the book's name and stays.
  std::size_t colon = text.find(u':');
  if (colon != std::u16string_view::npos && (colon + 1 >= text.size() || text[colon + 1] != u':') &&
      text.substr(0, colon).find_first_of(u"/\\") == std::u16string_view::npos)
    text.remove_prefix(colon + 1);
  std::u16string path(text);
  if (std::size_t quote = path.rfind(u'"'); quote != std::u16string::npos) path.resize(quote);
  // A fragment follows the book's own name ("book.chm#top"); a "#" elsewhere is
  // part of a folder or file name ("/books/C#/x.chm").
  for (std::size_t hash = path.find(u'#'); hash != std::u16string::npos; hash = path.find(u'#', hash + 1)) {
    if (endsWithBookExtension(std::u16string_view(path).substr(0, hash))) {
      path.resize(hash);
      break;
    }
  }
  if (std::size_t sep = path.find(u"::"); sep != std::u16string::npos) path.resize(sep);
  return path;
}

int RecentFiles::find(std::u16string_view text) const {
  std::u16string path = normalise(text);
  for (int i = 0; i < count(); ++i)
    if (equalIgnoringCase(entries_[static_cast<std::size_t>(i)]->path, path)) return i;
  return -1;
}

RecentEntry* RecentFiles::entry(int index) const {
  if (index < 0 || index >= count()) return nullptr;
  return entries_[static_cast<std::size_t>(index)].get();
}

void RecentFiles::addToFront(std::u16string_view text, std::u16string_view title, const OpenBook& book) {
  int found = find(text);
  if (found >= 0) {
    auto moved = std::move(entries_[static_cast<std::size_t>(found)]);
    entries_.erase(entries_.begin() + found);
    moved->title = title;
    entries_.insert(entries_.begin(), std::move(moved));
  } else {
    entries_.insert(entries_.begin(), std::make_unique<RecentEntry>(normalise(text), std::u16string(title)));
  }
  if (count() > kMaxEntries) {
    std::unique_ptr<RecentEntry> dropped = std::move(entries_.back());
    entries_.pop_back();
    std::u16string_view name = fileNameOfPath(dropped->path);
    bool shared = false;
    for (const auto& e : entries_)
      if (equalIgnoringCase(fileNameOfPath(e->path), name)) shared = true;
    // Books with the same file name share one bookmark key: keep it for the other.
    if (!shared) bookmarks_.deleteKey(*dropped);
  }
  if (RecentEntry* e = front()) bookmarks_.loadBookmarks(*e, book);
}

ParametersResult RecentFiles::loadStoredParameters(std::u16string_view text, const Settings& applied,
                                                   const OpenBook& book, SettingsApplier& applier) {
  RecentEntry* e = entry(find(text));
  if (!e) return ParametersResult::NotStored;
  return bookmarks_.loadParameters(*e, applied, book, applier);
}

bool RecentFiles::saveStoredParameters(const Settings& applied, const OpenBook& book) {
  RecentEntry* e = front();
  return e && bookmarks_.saveParameters(*e, applied, book);
}

std::optional<std::u16string> RecentFiles::path(int index, bool quoted) const {
  const RecentEntry* e = entry(index);
  if (!e) return std::nullopt;
  return quoted ? u"\"" + e->path + u"\"" : e->path;
}

void RecentFiles::rebuildMenu(RecentFilesMenu& menu, const Settings& settings) const {
  while (menu.deleteItem(0)) {
  }
  int shown = 0;
  for (int i = 0; i < count() && i < settings.ResentFilesNmb; ++i) {
    const RecentEntry& e = *entries_[static_cast<std::size_t>(i)];
    if (settings.ShowExistentFiles && !fileExists(e.path)) continue;
    ++shown;
    std::u16string label;
    if (!settings.ShowRecentFilesNames) {
      label = e.title;
    } else if (settings.ShowRecentFilesNamesWithPath) {
      label = e.path;
    } else {
      std::size_t slash = e.path.rfind(u'/');
      label = slash == std::u16string::npos ? e.path : e.path.substr(slash + 1);
    }
    menu.insertItem(shown - 1, kFirstRecentFileCommand + i, valueName(shown) + u"  " + label);
  }
  menu.enableRecentFilesItem(count() > 0);
}

}  // namespace pgwk
