// pgwktool info BOOK: what the reader knows about a book, as "key: value" lines.

#include <cstdio>
#include <string>

#include "document/book.h"
#include "platform/code_page.h"
#include "tools/pgwktool/command.h"
#include "tools/pgwktool/tool_book.h"

namespace pgwk::tool {
namespace {

void line(const char* key, const std::string& value) { std::printf("%s: %s\n", key, value.c_str()); }

std::string hex4(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04x", value);
  return text;
}

int showInfo(const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError{"expects one book"};
  ToolBook tool(args[0]);
  Book& book = tool.book();
  const ChmArchive& archive = tool.mainArchive();
  line("path", archive.path());
  line("version", std::to_string(archive.version()));
  line("header language", hex4(static_cast<unsigned>(book.headerLanguage())));
  line("container code page", std::to_string(archive.nameCodePage()));
  line("entry count", std::to_string(archive.entryCount()));
  line("chunk size", std::to_string(archive.chunkSize()));
  std::string extensions;
  for (int i = 0; i < archive.extensions().count(); ++i) {
    if (i) extensions += ' ';
    extensions += utf8FromCodePage(*archive.extensions().at(i), archive.nameCodePage());
  }
  line("extensions", extensions);
  return 0;
}

CommandRegistration registration({"info", "BOOK", "what the reader knows about the book, as key: value lines",
                                  showInfo});

}  // namespace
}  // namespace pgwk::tool
