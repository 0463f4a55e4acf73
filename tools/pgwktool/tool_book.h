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
  enum class Opening {
    // As the reader opens a book: sections, system files, pre-sized buffers, windows
    // and topics. What info and topics report on.
    whole,
    // The directory and the section list only: enough to read any stored file, also
    // of a book whose system files are missing or damaged.
    filesOnly,
  };
  // Opens the book; a ReaderError goes to main, which prints it.
  explicit ToolBook(const std::string& path, Opening opening = Opening::whole);
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
