#pragma once
// Opening a book for a pgwktool command: the one place that decides how the tool
// opens what the user names, so every command sees a book the same way.

#include <memory>
#include <string>

#include "document/book.h"
#include "tools/pgwktool/terminal_report.h"

namespace pgwk::tool {

class ToolBook {
 public:
  // Opens the book; a ReaderError goes to main, which prints it.
  explicit ToolBook(const std::string& path);
  Book& book() { return *book_; }
  ChmArchive& mainArchive() { return *main_; }

 private:
  // Declared before the book, so they outlive it.
  TerminalProgress progress_;
  TerminalErrorReport errorReport_{nullptr, &progress_};
  std::unique_ptr<Book> book_;
  ChmArchive* main_ = nullptr;
};

}  // namespace pgwk::tool
