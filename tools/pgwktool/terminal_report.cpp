#include "tools/pgwktool/terminal_report.h"

#include <unistd.h>

#include <cstdio>

#include "document/book.h"
#include "platform/code_page.h"

namespace pgwk::tool {

namespace {
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
}

TerminalProgress::TerminalProgress() : active_(::isatty(STDERR_FILENO) == 1) {}

TerminalProgress::~TerminalProgress() { clear(); }

void TerminalProgress::reportFile(std::string_view name) {
  file_.assign(name);
  draw(true);
}

void TerminalProgress::addToTotal(int n) {
  total_ += n;
  draw(false);
}

void TerminalProgress::draw(bool force) {
  if (!active_) return;
  auto now = std::chrono::steady_clock::now();
  if (!force && now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  std::fprintf(stderr, "\r\033[KFile: %s  Total items: %d", file_.c_str(), total_);
  std::fflush(stderr);
  drawn_ = true;
}

void TerminalProgress::clear() {
  if (!drawn_) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  drawn_ = false;
}

void TerminalErrorReport::showMessage(std::string_view caption, std::string_view text) {
  if (progress_) progress_->clear();
  std::string shown(text);
  if (book_) shown = utf8FromCodePage(shown, book_->contentCodePage());
  // Some of the reader's messages end in a line break of their own.
  while (!shown.empty() && shown.back() == '\n') shown.pop_back();
  std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(caption.size()), caption.data(), shown.c_str());
}

}  // namespace pgwk::tool
