#pragma once
// Per book, up to 40 bookmarks and the display parameters the book was last read
// with ("AutoSaveParams"), under the bookmarks root in one key per book file
// name. Books with the same file name in different folders share one key.
//
// A bookmark value is the CHM file name, "[", eleven comma-terminated numbers
// (page index, vertical and horizontal position, the four display bytes, text
// size, script byte, packed date, packed time), "]" and the text, in which "["
// and "]" are replaced by "{" and "}".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "persistence/bookmark.h"
#include "persistence/settings.h"

namespace pgwk {

class RecentEntry;
class Store;

// What the bookmark store needs of the open book.
class OpenBook {
 public:
  virtual ~OpenBook() = default;
  virtual const ChmArchive* mainArchive() const = 0;
  // The book's CHM file whose file name equals the name without regard to case.
  virtual const ChmArchive* archiveNamed(std::u16string_view fileName) const = 0;
  // The file name of an archive as bookmarks store it (empty for none).
  virtual std::u16string archiveFileName(const ChmArchive* archive) const = 0;
  virtual std::uint32_t entryCount(const ChmArchive* archive) const = 0;
  virtual bool isCollection() const = 0;
  // The container-size field of the main CHM file's section-0 record (0 when there
  // is none); a changed value means the book was replaced.
  virtual std::uint32_t mainFileSizeStamp() const = 0;
};

// The apply step of the options logic: makes the settings the applied ones and
// updates the view.
class SettingsApplier {
 public:
  virtual ~SettingsApplier() = default;
  virtual void applySettings(const Settings& settings) = 0;
};

// ---- the two value formats --------------------------------------------------------

std::u16string formatBookmark(const Bookmark& bookmark, const OpenBook& book);
// None when the value is not a bookmark of this book: no brackets, a file the
// book does not have, or a page index outside that file's directory.
std::unique_ptr<Bookmark> parseBookmark(std::u16string_view value, const OpenBook& book);

std::u16string formatAutoSaveParams(const Settings& applied, std::uint32_t fileSizeStamp);
struct AutoSaveParams {
  Settings settings;                     // the applied settings with the stored values put in
  std::optional<std::uint32_t> fileSize; // none when the value stops before it
};
AutoSaveParams parseAutoSaveParams(std::u16string_view value, const Settings& applied);

// ---- the store --------------------------------------------------------------------

enum class ParametersResult {
  NotStored,   // no key, or no "AutoSaveParams"
  Applied,     // handed to the apply step
  BookChanged, // the size stamp differs: the stored bookmarks were deleted
};

class BookmarkStore {
 public:
  static constexpr std::u16string_view kAutoSaveParams = u"AutoSaveParams";

  explicit BookmarkStore(Store& store) : store_(store) {}

  // The name of the book's key below the bookmarks root: the first existing key
  // whose last part (after its last "/") equals the entry's file name without
  // regard to case, else the file name itself. Found afresh on every access.
  std::u16string bookKeyName(const RecentEntry& entry) const;

  // Replaces the entry's bookmarks with the stored ones (the valid ones among
  // "1", "2", ... up to the first missing value, at most 40).
  void loadBookmarks(RecentEntry& entry, const OpenBook& book);
  // Rewrites values "1".."40" from the entry's bookmarks, creating the key.
  bool saveBookmarks(const RecentEntry& entry, const OpenBook& book);
  // Deletes the book's key with everything in it.
  bool deleteKey(const RecentEntry& entry);

  // Writes "AutoSaveParams" from the applied settings and the book's size stamp.
  bool saveParameters(const RecentEntry& entry, const Settings& applied, const OpenBook& book);
  // Reads "AutoSaveParams": a book whose size stamp changed loses its stored
  // bookmarks and keeps the current settings; otherwise the stored parameters go
  // to the apply step. A collection skips the size test.
  ParametersResult loadParameters(const RecentEntry& entry, const Settings& applied, const OpenBook& book,
                                  SettingsApplier& applier);

 private:
  Store& store_;
};

// The file name of a path: after its last "/", or after its last backslash when
// it has no "/", or the whole path.
std::u16string_view fileNameOfPath(std::u16string_view path);

}  // namespace pgwk
