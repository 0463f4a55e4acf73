// Page preparation on the real books of the corpus: every rewritten reference names
// a file that was written, framesets become frame lists, and malformed books fail
// with a message, never a crash.

#include <gtest/gtest.h>

#include <filesystem>

#include "content/local_file.h"
#include "content/page_preparer.h"
#include "document/book.h"
#include "document/name_rules.h"
#include "document_support.h"
#include "support/corpus.h"

namespace pgwk {
namespace {

namespace fs = std::filesystem;

constexpr int kPagesPerBook = 8;

// The pages of the main archive, in directory order, frameset pages first so that
// books with frames show them.
std::vector<std::string> pagesToPrepare(Book& book) {
  std::vector<std::string> framesets, others;
  for (const DirectoryEntry& e : book.mainArchive()->entries()) {
    if (!isPageExtension(extensionOf(e.name))) continue;
    std::string text(book.readFile(e.name, false).view());
    std::string lower = text;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    (lower.find("<frameset") != std::string::npos ? framesets : others).push_back(e.name);
  }
  std::vector<std::string> pages(framesets.begin(), framesets.begin() + std::min<std::size_t>(framesets.size(), 2));
  for (const std::string& p : others) {
    if (pages.size() >= kPagesPerBook) break;
    pages.push_back(p);
  }
  return pages;
}

// The local paths the page text names: every rewritten reference starts with the
// temporary folder and ends at a quote, a parenthesis, a blank or ">".
std::vector<std::string> rewrittenReferences(const std::string& text, const std::string& temp) {
  std::vector<std::string> found;
  for (std::size_t at = text.find(temp); at != std::string::npos; at = text.find(temp, at + 1)) {
    std::size_t end = text.find_first_of("\"') >\n\r\t", at);
    found.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
  }
  return found;
}

TEST(PrepareCorpus, RewrittenReferencesNameWrittenFilesAndFramesetsBecomeLists) {
  PGWK_REQUIRE_CORPUS();
  std::vector<fs::path> books = test::corpusBooks("real");
  for (const fs::path& p : test::corpusBooks("generated")) books.push_back(p);
  int prepared = 0, framesets = 0, rewritten = 0;
  for (const fs::path& path : books) {
    test::ScratchFolder scratch;
    std::string temp = (scratch / "t").string() + "/";
    std::unique_ptr<Book> book = test::openBook(path);
    ErrorReport quiet;
    book->setErrorReport(&quiet);
    PagePreparer preparer(*book, temp);
    for (const std::string& page : pagesToPrepare(*book)) {
      fs::remove_all(temp);
      ASSERT_NO_THROW(preparer.preparePage(page, PageOptions{})) << path.filename() << " " << page;
      ASSERT_GT(preparer.preparedFiles().count(), 0) << page;
      // On disk the names are UTF-8; the page text names them in the book's code page.
      std::string local = preparer.localFileUrl().substr(std::string("file://").size());
      local = local.substr(0, local.find('#'));
      ASSERT_TRUE(fs::is_regular_file(local)) << local;
      std::string text = test::fileText(local);
      if (text.find("Pagewick MultiFrame switch") != std::string::npos) ++framesets;
      for (const std::string& reference : rewrittenReferences(text, temp)) {
        std::string disk = diskPathOf(temp, reference, book->containerCodePage());
        ++rewritten;
        EXPECT_TRUE(fs::is_regular_file(disk)) << path.filename() << " " << page << " names " << reference;
      }
      ++prepared;
    }
  }
  EXPECT_GT(prepared, 200);
  EXPECT_GT(rewritten, 20);
  EXPECT_GE(framesets, 2) << "tika-IMJPCL has frameset pages";
}

TEST(PrepareCorpus, MalformedBooksFailWithAMessage) {
  PGWK_REQUIRE_CORPUS();
  for (const fs::path& path : test::corpusBooks("bad")) {
    test::ScratchFolder scratch;
    try {
      std::unique_ptr<Book> book = test::openBook(path);
      PagePreparer preparer(*book, (scratch / "t").string());
      for (const DirectoryEntry& e : book->mainArchive()->entries()) {
        if (!isPageExtension(extensionOf(e.name))) continue;
        try {
          preparer.preparePage(e.name, PageOptions{});
        } catch (const ReaderError& e) {
          EXPECT_FALSE(e.message().empty());
        }
      }
    } catch (const ReaderError& e) {
      EXPECT_FALSE(e.message().empty()) << path;
    }
  }
}

}  // namespace
}  // namespace pgwk
