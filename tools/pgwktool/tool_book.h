#pragma once
// Opening a book for a pgwktool command: the one place that decides how the tool
// opens what the user names, so every command sees a book the same way. A ".col"
// file opens as a collection of the CHM files it lists; anything else as one CHM
// file.

#include <memory>
#include <string>

#include "document/book.h"
#include "tools/pgwktool/terminal_report.h"

namespace pgwk::tool {

class ToolBook {
 public:
  enum class Opening {
    // As the reader opens a book: the CHM file with its companion, system files,
    // pre-sized buffers, windows and topics, then its contents (opening the files
    // it merges) and its main archive. A collection opens the books it lists.
    whole,
    // The directory and the section list only: enough to read any stored file, also
    // of a book whose system files are missing or damaged. A collection still opens
    // whole: only its books know which files there are.
    filesOnly,
  };
  // Opens the book and makes its main archive current; a ReaderError goes to main,
  // which prints it.
  explicit ToolBook(const std::string& path, Opening opening = Opening::whole);
  Book& book() { return *book_; }
  // The keyword indexes of every archive, as the index pane loads them; an error is
  // shown and ends the loading.
  void loadKeywordIndexes();
  ChmArchive& mainArchive() { return *main_; }
  // How many message boxes the engine has shown so far (on standard error).
  int errorsShown() const { return errorReport_.shownCount(); }

 private:
  // Declared before the book, so they outlive it.
  TerminalProgress progress_;
  TerminalErrorReport errorReport_{nullptr, &progress_};
  std::unique_ptr<Book> book_;
  ChmArchive* main_ = nullptr;
};

// Whether the tool opens the path as a collection: its extension is ".col".
bool isCollectionPath(const std::string& path);

}  // namespace pgwk::tool
