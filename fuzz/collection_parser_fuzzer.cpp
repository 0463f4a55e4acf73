// Parses arbitrary bytes as a collection (.col) file; every book it names that is not
// missing has the input itself as its contents file.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "content/sitemap_parser.h"
#include "document/book.h"
#include "foundation/reader_error.h"
#include "fuzz_book_files.h"

using namespace pgwk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  Book book;
  fuzz::FuzzBookFiles files(book, text);
  ChmArchive* current = book.currentArchive();
  SitemapParser parser(book, files);
  try {
    parser.parseCollection(text, book.contents().root());
  } catch (const ReaderError&) {
  }
  if (book.currentArchive() != current) std::abort();
  // Every linked entry must still be alive and in the tree.
  int linked = 0;
  for (const TocEntry* e = book.contents().first(); e; e = e->next) ++linked;
  if (linked != countEntries(book.contents().root())) std::abort();
  return 0;
}
