// pgwktool extract BOOK DIR: every stored file below DIR at its stored path.

#include <unistd.h>

#include <cstdio>

#include "document/book.h"
#include "tools/pgwktool/book_extractor.h"
#include "tools/pgwktool/command.h"
#include "tools/pgwktool/tool_book.h"

namespace pgwk::tool {
namespace {

// Books with fewer files come out too fast for a progress bar to be worth drawing.
constexpr std::uint64_t kProgressFiles = 2000;

void drawProgress(std::uint64_t done, std::uint64_t total) {
  const int width = 40;
  int filled = total ? static_cast<int>(done * width / total) : width;
  std::fprintf(stderr, "\r[%.*s%*s] %llu/%llu files", filled, "########################################",
               width - filled, "", static_cast<unsigned long long>(done), static_cast<unsigned long long>(total));
  if (done == total) std::fputc('\n', stderr);
  std::fflush(stderr);
}

int extractBook(const std::vector<std::string>& args) {
  if (args.size() != 2) throw UsageError{"expects a book and a folder"};
  ToolBook tool(args[0], ToolBook::Opening::filesOnly);
  BookExtractor extractor(tool.book(), tool.mainArchive(), args[1]);
  BookExtractor::Progress progress;
  if (::isatty(STDERR_FILENO) && tool.mainArchive().entryCount() >= kProgressFiles) progress = drawProgress;
  std::uint64_t failures = extractor.run(
      [](const std::string& message) {
        std::string text = message;
        while (!text.empty() && text.back() == '\n') text.pop_back();
        std::fprintf(stderr, "pgwktool: %s\n", text.c_str());
      },
      progress);
  return failures ? 1 : 0;
}

CommandRegistration registration({"extract", "BOOK DIR",
                                   "every stored file (not folders) below DIR at its stored path; prints "
                                   "nothing but errors",
                                   extractBook});

}  // namespace
}  // namespace pgwk::tool
