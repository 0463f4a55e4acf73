#pragma once
// An in-memory book for the sitemap tests: CHM files that exist only as a path, a
// contents file name and a few named texts. Switching to one the Book has not opened
// yet "opens" it (adds a pseudo-archive to the Book); a path that was never added
// fails to open the way a missing file does.

#include <map>
#include <string>
#include <string_view>

#include "document/book.h"
#include "document/book_files.h"

namespace pgwk::test {

class FakeBookFiles : public BookFiles {
 public:
  explicit FakeBookFiles(Book& book) : book_(book) {}

  // Puts a CHM file "on disk". Paths are absolute ("/books/a.chm").
  void addBook(const std::string& path, const std::string& contentsFile,
               std::map<std::string, std::string> files);
  // Opens a file added before and makes it current, as opening a book does.
  ChmArchive& open(const std::string& path);
  ChmArchive* archiveOf(const std::string& path) const;

  bool switchArchive(std::string_view reference) override;
  std::string readFile(std::string_view reference) override;
  std::string contentsFileName() override;

  int opened() const { return opened_; }

 private:
  struct StoredBook {
    std::string contentsFile;
    std::map<std::string, std::string> files;  // names in lower case, without leading "/"
  };
  const StoredBook* storedOf(const ChmArchive* archive) const;

  Book& book_;
  std::map<std::string, StoredBook> disk_;  // by lower-case path
  int opened_ = 0;
};

}  // namespace pgwk::test
