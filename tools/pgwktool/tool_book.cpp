#include "tools/pgwktool/tool_book.h"

namespace pgwk::tool {

ToolBook::ToolBook(const std::string& path, Opening opening) : book_(std::make_unique<Book>(&errorReport_)) {
  errorReport_.setBook(book_.get());
  book_->setLoadingProgress(&progress_);
  if (opening == Opening::whole) {
    main_ = &book_->openChmFile(path);
  } else {
    main_ = &ChmArchive::open(*book_, path);
    book_->readSectionList(*main_);
    main_->markComplete();
  }
  book_->setMainArchive(main_);
}

}  // namespace pgwk::tool
