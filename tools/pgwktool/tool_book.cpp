#include "tools/pgwktool/tool_book.h"

namespace pgwk::tool {

ToolBook::ToolBook(const std::string& path) : book_(std::make_unique<Book>()) {
  main_ = &book_->openChmFile(path);
  book_->setMainArchive(main_);
}

}  // namespace pgwk::tool
