#include "tools/pgwktool/tool_book.h"

namespace pgwk::tool {

ToolBook::ToolBook(const std::string& path) : book_(std::make_unique<Book>(&errorReport_)) {
  errorReport_.setBook(book_.get());
  book_->setLoadingProgress(&progress_);
  main_ = &book_->openChmFile(path);
  book_->setMainArchive(main_);
}

}  // namespace pgwk::tool
