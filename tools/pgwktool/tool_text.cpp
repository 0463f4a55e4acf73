#include "tools/pgwktool/tool_text.h"

#include "document/book.h"
#include "platform/code_page.h"

namespace pgwk::tool {

namespace {

void oneField(std::string& text) {
  for (char& c : text)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
}

}  // namespace

std::string printable(std::string_view text, int codePage) {
  std::string utf8 = utf8FromCodePage(text, codePage);
  oneField(utf8);
  return utf8;
}

std::string printablePath(std::string_view path) {
  std::string text(path);
  oneField(text);
  return text;
}

std::string printableReference(Book& book, const ChmArchive* file, std::string_view location) {
  const int codePage = book.contentCodePage();
  // The path is in the file system's encoding, the location in the book's code page.
  if (book.makeReference(file, location) == location) return printable(location, codePage);
  return printablePath(file->path()) + "::" + printable(location, codePage);
}

}  // namespace pgwk::tool
