// pgwktool cat BOOK NAME: a stored file's bytes on standard output.

#include <cstdio>

#include "document/book.h"
#include "platform/code_page.h"
#include "tools/pgwktool/command.h"
#include "tools/pgwktool/tool_book.h"

namespace pgwk::tool {
namespace {

int catFile(const std::vector<std::string>& args) {
  if (args.size() != 2) throw UsageError{"expects a book and the name of a file in it"};
  ToolBook tool(args[0], ToolBook::Opening::filesOnly);
  Book& book = tool.book();
  // The user types the name in UTF-8; the directory holds names in the container code page.
  std::string name = codePageFromUtf8(args[1], book.containerCodePage());
  FileBuffer file = book.readFile(name, false);
  if (file.length() && std::fwrite(file.data(), 1, file.length(), stdout) != file.length()) {
    std::perror("pgwktool cat: writing standard output");
    return 1;
  }
  if (std::fflush(stdout) != 0) {
    std::perror("pgwktool cat: writing standard output");
    return 1;
  }
  return 0;
}

CommandRegistration registration({"cat", "BOOK NAME",
                                   "the bytes of one stored file on standard output; NAME as in a link: "
                                   "/html/page.htm, #SYSTEM, page.htm#part",
                                   catFile});

}  // namespace
}  // namespace pgwk::tool
