#include "content/book_loading.h"

#include <algorithm>
#include <new>
#include <string>

#include "content/sitemap_parser.h"
#include "document/book.h"
#include "document/current_archive_keeper.h"
#include "foundation/reader_error.h"
#include "foundation/text_routines.h"
#include "platform/book_file.h"

namespace pgwk {

namespace {

// Pools sized from the text they are filled from, so that parsing rarely grows them.
std::uint32_t poolCapacityFor(std::uint64_t textLength) {
  constexpr std::uint64_t kMinimum = 300;
  constexpr std::uint64_t kMaximum = 1u << 30;
  return static_cast<std::uint32_t>(std::clamp(textLength / 6, kMinimum, kMaximum));
}

// The whole ".col" file, read from the file system: collections are not stored in
// any archive.
std::string readCollectionFile(const std::string& path) {
  BookFile file(path);
  if (!file.isOpen()) raiseError("Can't open file: %s.", path.c_str());
  std::int64_t size = file.size();
  if (size == 0) raiseError("%s file is empty.", path.c_str());
  if (size < 0 || !file.seek(0)) raiseError("Can't read from file: %s.", path.c_str());
  std::string text;
  try {
    text.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    raiseError("Can't read from file: %s.", path.c_str());
  }
  if (file.read(text.data(), text.size()) != text.size()) raiseError("Can't read from file: %s.", path.c_str());
  return text;
}

}  // namespace

void finishOpening(Book& book) {
  {
    CurrentArchiveKeeper keeper(book);
    ChmArchive* current = book.currentArchive();
    if (current && current->isCollection()) loadCollection(book);
    else loadContents(book);
  }
  book.contents().adoptMissingFiles();
  book.contents().complete();
  book.settleMainArchive();
}

void loadContents(Book& book) {
  std::string name = book.contentsFile();
  if (name.empty()) return;
  FileBuffer text = book.readFile(name, true);
  std::uint32_t capacity = poolCapacityFor(text.length());
  book.contents().createPools(capacity, static_cast<int>(capacity));
  SitemapParser parser(book, book);
  parser.parseContents(text.view(), book.contents().root());
}

void loadCollection(Book& book) {
  ChmArchive* collection = book.currentArchive();
  if (!collection) return;
  std::string text = readCollectionFile(collection->path());
  std::uint32_t capacity = poolCapacityFor(text.size());
  book.contents().createPools(capacity, static_cast<int>(std::max<std::uint32_t>(capacity / 3, 1)));
  SitemapParser parser(book, book);
  parser.parseCollection(text, book.contents().root());
}

void loadKeywordIndexes(Book& book) {
  CurrentArchiveKeeper keeper(book);
  try {
    SitemapParser parser(book, book);
    // Reading an index never opens archives, but the count is taken afresh anyway.
    for (int i = 0; i < book.archives().count(); ++i) {
      ChmArchive* archive = book.archives().at(i);
      book.setCurrentArchive(archive);
      // The current archive is the one named: its own name is looked up in it
      // directly, which also serves a book whose path does not end in ".chm".
      std::string name = book.indexFile();
      if (name.empty() || !book.exists(name)) continue;
      book.loadingProgress().reportFile(fileNameOf(archive->path()));
      FileBuffer text = book.readFile(name, false);
      std::uint32_t capacity = poolCapacityFor(text.length());
      book.keywordIndex().createPools(capacity, static_cast<int>(capacity));
      parser.parseKeywordIndex(text.view());
    }
  } catch (const ReaderError& e) {
    book.setCurrentArchive(keeper.kept());
    book.errorReport().showError(e);
  }
}

}  // namespace pgwk
