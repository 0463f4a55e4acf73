#include "tools/pgwktool/tool_book.h"

#include "content/book_loading.h"
#include "document/name_rules.h"

namespace pgwk::tool {

bool isCollectionPath(const std::string& path) { return extensionOf(path) == ".col"; }

ToolBook::ToolBook(const std::string& path, Opening opening)
    : book_(std::make_unique<Book>(&errorReport_)) {
  errorReport_.setBook(book_.get());
  book_->setLoadingProgress(&progress_);
  if (isCollectionPath(path)) {
    book_->openCollection(path);
    finishOpening(*book_);
  } else if (opening == Opening::whole) {
    book_->openChmFile(path);
    finishOpening(*book_);
  } else {
    ChmArchive& archive = ChmArchive::open(*book_, path);
    book_->readSectionList(archive);
    archive.markComplete();
    book_->setMainArchive(&archive);
  }
  progress_.clear();
  main_ = book_->mainArchive();
  // Names without a CHM-link prefix are read from the book's first CHM file, not from
  // a collection's pseudo-archive.
  book_->setCurrentArchive(main_);
}

void ToolBook::loadKeywordIndexes() {
  pgwk::loadKeywordIndexes(*book_);
  // What the command prints next starts on a clean line.
  progress_.clear();
}

}  // namespace pgwk::tool
