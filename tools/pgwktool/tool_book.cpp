#include "tools/pgwktool/tool_book.h"

namespace pgwk::tool {

ToolBook::ToolBook(const std::string& path) : book_(std::make_unique<Book>()) {
  main_ = &ChmArchive::open(*book_, path);
}

}  // namespace pgwk::tool
