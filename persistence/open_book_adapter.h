#pragma once
// The open Book as the bookmark store sees it: its CHM files by file name, their
// directory sizes, whether it is a collection, and the change stamp of its main file.

#include "persistence/bookmark_store.h"

namespace pgwk {

class Book;

class OpenBookAdapter : public OpenBook {
 public:
  explicit OpenBookAdapter(const Book& book) : book_(book) {}

  const ChmArchive* mainArchive() const override;
  // Compared the way bookmark keys are: case folded beyond ASCII.
  const ChmArchive* archiveNamed(std::u16string_view fileName) const override;
  std::u16string archiveFileName(const ChmArchive* archive) const override;
  std::uint32_t entryCount(const ChmArchive* archive) const override;
  bool isCollection() const override;
  // The size the main file's section-0 record states, read when the file was opened:
  // the stamp describes the file the bookmarks were made in, not one that may have
  // replaced it on disk since.
  std::uint32_t mainFileSizeStamp() const override;

 private:
  const Book& book_;
};

}  // namespace pgwk
