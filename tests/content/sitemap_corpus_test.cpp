// Every sitemap file of every good corpus book parses without an error, into as many
// entries as the text has "<LI>" items that carry an OBJECT. The files are taken out
// of the books with chmlib (python3-chm), a peer, so this test does not depend on the
// reader's own extraction.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "content/sitemap_parser.h"
#include "document/book.h"
#include "fake_book_files.h"
#include "foundation/reader_error.h"
#include "foundation/text_routines.h"
#include "support/corpus.h"

namespace pgwk {
namespace {

namespace fs = std::filesystem;

struct SitemapFile {
  fs::path path;        // the extracted copy
  std::string stored;   // its name inside the book
};

std::string readWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::vector<SitemapFile> extractSitemaps(const fs::path& book, const fs::path& into) {
  fs::create_directories(into);
  std::string command = "/usr/bin/python3 '" + std::string(PGWK_SITEMAP_EXTRACTOR) + "' '" + book.string() +
                        "' '" + into.string() + "'";
  std::vector<SitemapFile> files;
  std::FILE* listing = ::popen(command.c_str(), "r");
  if (!listing) return files;
  char line[2048];
  while (std::fgets(line, sizeof line, listing)) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    std::size_t tab = text.find('\t');
    if (tab == std::string::npos) continue;
    files.push_back({into / text.substr(0, tab), text.substr(tab + 1)});
  }
  EXPECT_EQ(::pclose(listing), 0) << command;
  return files;
}

// Counts "<li>" (any case, nothing inside the brackets) followed, after blanks, by
// "<object": how an item is written in every sitemap the help compilers produce.
// Items inside comments do not count.
int itemsWithObject(const std::string& text) {
  std::string lower;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t comment = text.find("<!--", at);
    lower += lowerCased(text.substr(at, comment == std::string::npos ? std::string::npos : comment - at));
    if (comment == std::string::npos) break;
    std::size_t end = text.find("-->", comment + 4);
    at = end == std::string::npos ? comment + 4 : end + 3;
  }
  int count = 0;
  for (std::size_t at = lower.find("<li>"); at != std::string::npos; at = lower.find("<li>", at + 1)) {
    std::size_t next = lower.find_first_not_of(" \t\r\n", at + 4);
    if (next != std::string::npos && lower.compare(next, 7, "<object") == 0) ++count;
  }
  return count;
}

int keywordCount(const KeywordEntry& entry) {
  int count = entry.subKeywords.count();
  for (int i = 0; i < entry.subKeywords.count(); ++i) count += keywordCount(*entry.subKeywords.at(i));
  return count;
}

TEST(SitemapCorpus, EveryBookParsesIntoOneEntryPerItem) {
  PGWK_REQUIRE_CORPUS();
  std::vector<fs::path> books = test::corpusBooks("real");
  for (const fs::path& book : test::corpusBooks("generated")) books.push_back(book);
  ASSERT_FALSE(books.empty());
  const fs::path scratch = fs::temp_directory_path() / ("pgwk-sitemaps-" + std::to_string(::getpid()));
  int filesChecked = 0;
  for (const fs::path& bookPath : books) {
    const fs::path into = scratch / bookPath.filename();
    for (const SitemapFile& file : extractSitemaps(bookPath, into)) {
      SCOPED_TRACE(bookPath.filename().string() + " " + file.stored);
      std::string text = readWhole(file.path);
      Book book;
      test::FakeBookFiles files(book);
      files.addBook(bookPath.string(), "", {});
      files.open(bookPath.string());
      SitemapParser parser(book, files);
      bool isIndex = file.path.extension() == ".hhk";
      try {
        if (isIndex) parser.parseKeywordIndex(text);
        else parser.parseContents(text, book.contents().root());
      } catch (const ReaderError& e) {
        ADD_FAILURE() << e.message();
        continue;
      }
      int entries = isIndex ? keywordCount(book.keywordIndex().root()) : countEntries(book.contents().root());
      if (bookPath.filename() == "tika-testChm.chm" && file.stored == "/HHOCX_c.hhk") {
        // Its sub-keyword lists open inside the parent item's OBJECT, where a list
        // start is not looked for; each nested "</UL>" then ends the whole list, and
        // the items up to the next list start are outside any list.
        EXPECT_EQ(entries, 55);
        continue;
      }
      EXPECT_EQ(entries, itemsWithObject(text));
      ++filesChecked;
    }
  }
  std::error_code ec;
  fs::remove_all(scratch, ec);
  EXPECT_GT(filesChecked, 40);
}

}  // namespace
}  // namespace pgwk
