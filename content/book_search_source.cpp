#include "content/book_search_source.h"

#include "document/book.h"
#include "foundation/text_routines.h"

namespace pgwk {

int BookSearchSource::archiveCount() { return book_.archives().count(); }

const void* BookSearchSource::archiveIdentity(int archive) { return book_.archives().at(archive); }

std::string BookSearchSource::archiveFileName(int archive) {
  return std::string(fileNameOf(book_.archives().at(archive)->path()));
}

ChmArchive& BookSearchSource::makeCurrent(int archive) {
  ChmArchive* a = book_.archives().at(archive);
  book_.setCurrentArchive(a);
  return *a;
}

bool BookSearchSource::hasIndex(int archive) {
  ChmArchive& a = makeCurrent(archive);
  if (a.isCollection()) return false;
  const DirectoryEntry* entry = book_.findEntry(kIndexName, &a);
  return entry && entry->length > 0;
}

IndexBytes BookSearchSource::readIndex(int archive) {
  makeCurrent(archive);
  index_ = book_.readFile(kIndexName, false);
  return {index_.data(), index_.length()};
}

int BookSearchSource::contentCodePage() { return book_.contentCodePage(); }

int BookSearchSource::topicCount(int archive) {
  ChmArchive& a = makeCurrent(archive);
  return a.isCollection() ? 0 : static_cast<int>(book_.topicCount(&a));
}

std::string BookSearchSource::topicTitle(int archive, int topic) {
  return book_.topicTitle(topic, *book_.archives().at(archive));
}

void BookSearchSource::rememberCurrentArchive() { remembered_ = book_.currentArchive(); }

void BookSearchSource::restoreCurrentArchive() { book_.setCurrentArchive(remembered_); }

}  // namespace pgwk
