// Every good corpus book opens as a Book, with its contents and keyword index, without
// a single message; pgwktool toc and index print one line per entry and topic.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "book_support.h"
#include "content/book_loading.h"
#include "document/book.h"
#include "foundation/reader_error.h"
#include "foundation/text_routines.h"
#include "support/corpus.h"

namespace pgwk {
namespace {

namespace fs = std::filesystem;

// Lines that one keyword and its sub-keywords take in pgwktool index: the keyword,
// then one per topic.
int indexLines(const KeywordEntry& entry) {
  int lines = 0;
  for (int i = 0; i < entry.subKeywords.count(); ++i) {
    const KeywordEntry& keyword = *entry.subKeywords.at(i);
    lines += 1 + keyword.topics.count() + indexLines(keyword);
  }
  return lines;
}

// "<li>" followed, after blanks, by "<object", outside comments: the items a
// contents file holds as the help compilers write them.
int itemsWithObject(std::string_view text) {
  int count = 0;
  std::string lower = lowerCased(text);
  std::size_t at = 0;
  while ((at = lower.find('<', at)) != std::string::npos) {
    if (lower.compare(at, 4, "<!--") == 0) {
      std::size_t end = lower.find("-->", at + 4);
      at = end == std::string::npos ? lower.size() : end + 3;
      continue;
    }
    if (lower.compare(at, 4, "<li>") == 0) {
      std::size_t next = lower.find_first_not_of(" \t\r\n", at + 4);
      if (next != std::string::npos && lower.compare(next, 7, "<object") == 0) ++count;
    }
    ++at;
  }
  return count;
}

std::size_t lineCount(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

TEST(BookCorpus, EveryGoodBookOpensWithItsContentsAndIndex) {
  PGWK_REQUIRE_CORPUS();
  std::vector<fs::path> books = test::corpusBooks("real");
  for (const fs::path& book : test::corpusBooks("generated")) books.push_back(book);
  ASSERT_GT(books.size(), 30u);
  int withContents = 0, withIndex = 0;
  for (const fs::path& path : books) {
    SCOPED_TRACE(path.filename().string());
    test::RecordingReport boxes;
    Book book(&boxes);
    int entries = 0, lines = 0;
    try {
      ChmArchive& archive = book.openChmFile(path.string());
      finishOpening(book);
      EXPECT_EQ(book.mainArchive(), &archive);
      EXPECT_EQ(book.currentArchive(), &archive);
      EXPECT_EQ(book.archives().count(), 1);
      entries = book.contents().entryCount();
      if (std::string contents = book.contentsFile(); !contents.empty()) {
        // Document order leaves out the entry of files that did not open
        // (tika-IMJPCL merges a book that is not in the corpus).
        EXPECT_EQ(static_cast<int>(test::documentOrder(book).size()), itemsWithObject(book.readFile(contents)));
        ++withContents;
      }
      if (book.hasKeywordIndex()) {
        loadKeywordIndexes(book);
        EXPECT_EQ(book.currentArchive(), &archive);
        ++withIndex;
      }
      lines = indexLines(book.keywordIndex().root());
    } catch (const ReaderError& e) {
      ADD_FAILURE() << e.message();
      continue;
    }
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front();

    std::string out, err;
    EXPECT_EQ(test::runTool("toc " + test::shellQuoted(path.string()), &out, &err), 0);
    EXPECT_EQ(err, "");
    EXPECT_EQ(lineCount(out), static_cast<std::size_t>(entries));
    EXPECT_EQ(test::runTool("index " + test::shellQuoted(path.string()), &out, &err), 0);
    EXPECT_EQ(err, "");
    EXPECT_EQ(lineCount(out), static_cast<std::size_t>(lines));
  }
  EXPECT_GT(withContents, 25);
  EXPECT_GT(withIndex, 15);
}

}  // namespace
}  // namespace pgwk
