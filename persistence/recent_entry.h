#pragma once
// One book of the recent-files list, with its bookmarks while it is the open book.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "persistence/bookmark.h"

namespace pgwk {

class RecentEntry {
 public:
  static constexpr int kMaxBookmarks = 40;

  RecentEntry() = default;
  RecentEntry(std::u16string path, std::u16string title) : path(std::move(path)), title(std::move(title)) {}

  std::u16string path;   // the book's file as opened
  std::u16string title;  // the book's title when it was last opened; may be empty

  int bookmarkCount() const { return static_cast<int>(bookmarks_.size()); }
  bool bookmarksFull() const { return bookmarkCount() >= kMaxBookmarks; }
  // None for an index outside 0..count-1.
  Bookmark* bookmark(int index) const;

  // In memory only. A full list drops its oldest bookmark first; the text is cut
  // to Bookmark::kMaxText characters. Returns the new bookmark.
  Bookmark* addBookmark(std::u16string_view text, const ViewState& view, const ChmArchive* file,
                        const DateTime& created = currentDateTime());
  // Appends a bookmark as read from the store; refused (false) when the list is
  // full or there is none.
  bool appendBookmark(std::unique_ptr<Bookmark> bookmark);
  bool removeBookmark(int index);
  // Removes every bookmark whose text contains the automatic-bookmark text.
  void deleteAutomaticBookmarks(std::u16string_view automaticText);
  void clearBookmarks() { bookmarks_.clear(); }

 private:
  std::vector<std::unique_ptr<Bookmark>> bookmarks_;
};

}  // namespace pgwk
