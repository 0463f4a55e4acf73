#pragma once
// The book engine's progress and message boxes, on the terminal: progress is one line
// on standard error, redrawn in place, and only when standard error is a terminal;
// a message box is "caption: text" on standard error.

#include <chrono>
#include <string>
#include <string_view>

#include "document/error_report.h"
#include "document/loading_progress.h"

namespace pgwk {
class Book;
}

namespace pgwk::tool {

class TerminalProgress : public LoadingProgress {
 public:
  TerminalProgress();
  ~TerminalProgress() override;
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  void reportFile(std::string_view name) override;
  void addToTotal(int n) override;
  // Clears the progress line, so that what is printed next starts on a clean line.
  void clear();

 private:
  void draw(bool force);

  bool active_;
  bool drawn_ = false;
  std::string file_;
  int total_ = 0;
  std::chrono::steady_clock::time_point lastDraw_{};
};

class TerminalErrorReport : public ErrorReport {
 public:
  // Texts are in the book's code page; with a book they are shown as UTF-8.
  explicit TerminalErrorReport(const Book* book = nullptr, TerminalProgress* progress = nullptr)
      : book_(book), progress_(progress) {}
  void setBook(const Book* book) { book_ = book; }
  void showMessage(std::string_view caption, std::string_view text) override;

 private:
  const Book* book_;
  TerminalProgress* progress_;
};

}  // namespace pgwk::tool
