// Parses arbitrary bytes as a contents (.hhc) file whose merges lead back to itself,
// and checks the document order against the finished tree.

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

namespace {

void checkDocumentOrder(const SitemapTree& tree) {
  std::vector<const TocEntry*> preorder;
  std::vector<const TocEntry*> work;
  for (int i = tree.root().children.count() - 1; i >= 0; --i) work.push_back(tree.root().children.at(i));
  while (!work.empty()) {
    const TocEntry* e = work.back();
    work.pop_back();
    preorder.push_back(e);
    for (int i = e->children.count() - 1; i >= 0; --i) work.push_back(e->children.at(i));
  }
  std::size_t n = 0;
  const TocEntry* previous = nullptr;
  for (const TocEntry* e = tree.first(); e; e = e->next, ++n) {
    if (n >= preorder.size() || preorder[n] != e || e->previous != previous) std::abort();
    previous = e;
  }
  if (n != preorder.size() || tree.last() != previous) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  Book book;
  fuzz::FuzzBookFiles files(book, text);
  ChmArchive* current = book.currentArchive();
  SitemapParser parser(book, files);
  try {
    parser.parseContents(text, book.contents().root());
  } catch (const ReaderError&) {
  }
  if (book.currentArchive() != current) std::abort();
  checkDocumentOrder(book.contents());
  book.contents().adoptMissingFiles();
  book.contents().complete();
  std::string_view reference = text.substr(0, 64);
  try {
    findContentsEntry(book, files, book.contents().root(), reference);
  } catch (const ReaderError&) {
  }
  if (book.currentArchive() != current) std::abort();
  return 0;
}
