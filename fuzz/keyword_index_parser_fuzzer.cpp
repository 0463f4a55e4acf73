// Parses arbitrary bytes as a keyword-index (.hhk) file, twice into the same index as
// a book of two CHM files would, and reads every text back.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "content/sitemap_parser.h"
#include "document/book.h"
#include "foundation/reader_error.h"
#include "fuzz_book_files.h"

using namespace pgwk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  Book book;
  fuzz::FuzzBookFiles files(book, text);
  SitemapParser parser(book, files);
  for (int round = 0; round < 2; ++round) {
    try {
      parser.parseKeywordIndex(text);
    } catch (const ReaderError&) {
    }
  }
  const SitemapIndex& index = book.keywordIndex();
  const PtrArray<KeywordEntry>& top = index.root().subKeywords;
  for (int i = 1; i < top.count(); ++i)
    if (compareKeywords(index.keywordOf(*top.at(i - 1)), index.keywordOf(*top.at(i))) > 0) std::abort();
  std::vector<const KeywordEntry*> work{&index.root()};
  std::size_t bytes = 0;
  while (!work.empty()) {
    const KeywordEntry* e = work.back();
    work.pop_back();
    bytes += index.keywordOf(*e).size();
    for (int t = 0; t < e->topics.count(); ++t)
      bytes += index.titleOf(*e->topics.at(t)).size() + index.locationOf(*e->topics.at(t)).size();
    for (int i = 0; i < e->subKeywords.count(); ++i) work.push_back(e->subKeywords.at(i));
  }
  if (bytes == static_cast<std::size_t>(-1)) std::abort();
  return 0;
}
