#include "persistence/recent_entry.h"

#include <ctime>

#include "platform/store/utf16_text.h"

namespace pgwk {

DateTime currentDateTime() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  DateTime t;
  t.year = static_cast<std::uint16_t>(local.tm_year + 1900);
  t.month = static_cast<std::uint16_t>(local.tm_mon + 1);
  t.dayOfWeek = static_cast<std::uint16_t>(local.tm_wday);
  t.day = static_cast<std::uint16_t>(local.tm_mday);
  t.hour = static_cast<std::uint16_t>(local.tm_hour);
  t.minute = static_cast<std::uint16_t>(local.tm_min);
  t.second = static_cast<std::uint16_t>(local.tm_sec);
  t.millisecond = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
  return t;
}

Bookmark* RecentEntry::bookmark(int index) const {
  if (index < 0 || index >= bookmarkCount()) return nullptr;
  return bookmarks_[static_cast<std::size_t>(index)].get();
}

Bookmark* RecentEntry::addBookmark(std::u16string_view text, const ViewState& view, const ChmArchive* file,
                                   const DateTime& created) {
  if (bookmarksFull()) bookmarks_.erase(bookmarks_.begin());
  auto b = std::make_unique<Bookmark>();
  std::u16string_view kept = text.substr(0, Bookmark::kMaxText);
  // Never keep half of a surrogate pair.
  if (kept.size() < text.size() && !kept.empty() && kept.back() >= 0xD800 && kept.back() <= 0xDBFF)
    kept.remove_suffix(1);
  b->text = kept;
  b->created = created;
  b->view = view;
  b->file = file;
  bookmarks_.push_back(std::move(b));
  return bookmarks_.back().get();
}

bool RecentEntry::appendBookmark(std::unique_ptr<Bookmark> bookmark) {
  if (!bookmark || bookmarksFull()) return false;
  bookmarks_.push_back(std::move(bookmark));
  return true;
}

bool RecentEntry::removeBookmark(int index) {
  if (index < 0 || index >= bookmarkCount()) return false;
  bookmarks_.erase(bookmarks_.begin() + index);
  return true;
}

void RecentEntry::deleteAutomaticBookmarks(std::u16string_view automaticText) {
  // Every text contains the empty text: a missing language string must not
  // wipe the user's bookmarks.
  if (automaticText.empty()) return;
  for (std::size_t i = 0; i < bookmarks_.size();) {
    if (containsText(bookmarks_[i]->text, automaticText))
      bookmarks_.erase(bookmarks_.begin() + static_cast<std::ptrdiff_t>(i));
    else
      ++i;
  }
}

}  // namespace pgwk
