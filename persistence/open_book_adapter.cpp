#include "persistence/open_book_adapter.h"

#include "document/book.h"
#include "platform/store/utf16_text.h"

namespace pgwk {

const ChmArchive* OpenBookAdapter::mainArchive() const { return book_.mainArchive(); }

const ChmArchive* OpenBookAdapter::archiveNamed(std::u16string_view fileName) const {
  const PtrArray<ChmArchive>& archives = book_.archives();
  for (int i = 0; i < archives.count(); ++i)
    if (equalIgnoringCase(Book::archiveFileName(*archives.at(i)), fileName)) return archives.at(i);
  return nullptr;
}

std::u16string OpenBookAdapter::archiveFileName(const ChmArchive* archive) const {
  return archive ? Book::archiveFileName(*archive) : std::u16string();
}

std::uint32_t OpenBookAdapter::entryCount(const ChmArchive* archive) const {
  return archive ? archive->entryCount() : 0;
}

bool OpenBookAdapter::isCollection() const { return book_.isCollection(); }

std::uint32_t OpenBookAdapter::mainFileSizeStamp() const {
  const ChmArchive* main = book_.mainArchive();
  return main && !main->isCollection() ? main->recordedFileSize() : 0;
}

}  // namespace pgwk
