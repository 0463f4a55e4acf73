#pragma once
// What the Book tests share: a shelf of books in a scratch folder laid out as a test
// needs them (copies of the chmcmd fixtures, crafted containers, collection files),
// and an error report that records the boxes it is asked to show.

#include <filesystem>
#include <string>
#include <vector>

#include "document/book.h"
#include "document/error_report.h"
#include "document_support.h"

namespace pgwk::test {

class RecordingReport : public ErrorReport {
 public:
  // "caption: text" for every box shown.
  std::vector<std::string> shown;
  void showMessage(std::string_view caption, std::string_view text) override {
    shown.push_back(std::string(caption) + ": " + std::string(text));
  }
};

class Shelf {
 public:
  // Whether the chmcmd fixtures were built; tests skip without them.
  static bool fixturesBuilt();

  // Copies the compiled fixture book NAME to the relative path, creating folders.
  std::filesystem::path place(const std::string& fixture, const std::string& as) const;
  // Writes the bytes to the relative path, creating folders.
  std::filesystem::path write(const std::string& as, const std::string& bytes) const;
  std::filesystem::path path(const std::string& relative) const { return folder_ / relative; }
  std::string text(const std::string& relative) const { return path(relative).string(); }

  // shelf.chm merging sub/volume.chm, and atlas.chm beside them.
  void placeStandardBooks() const;

 private:
  ScratchFolder folder_;
};

#define PGWK_REQUIRE_FIXTURES()                                                                \
  do {                                                                                         \
    if (!::pgwk::test::Shelf::fixturesBuilt()) {                                               \
      if (::pgwk::test::runningInCi()) FAIL() << "fixture books were not built (chmcmd?)";   \
      GTEST_SKIP() << "fixture books were not built (is chmcmd installed?)";                  \
    }                                                                                          \
  } while (0)

// A container without system files, holding the given files (name, text) plainly
// and compressed: what a book that keeps its system files in a ".chi" looks like.
std::string bookWithoutSystemFiles(const std::vector<std::pair<std::string, std::string>>& files);
// A container with #SYSTEM naming the contents and index files (empty: none) and the
// language (0: none), an empty #STRINGS and the given files.
std::string bookWithSystemFiles(const std::string& contentsFile, const std::string& indexFile,
                                const std::vector<std::pair<std::string, std::string>>& files,
                                std::uint32_t language = 0);

// The names of the contents entries in document order.
std::vector<std::string> documentOrder(const Book& book);
// The names of an entry's children.
std::vector<std::string> childNames(const Book& book, const TocEntry& entry);

}  // namespace pgwk::test
