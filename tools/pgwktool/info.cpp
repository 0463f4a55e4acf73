// pgwktool info BOOK: what the reader knows about a book, as "key: value" lines.

#include <cstdio>
#include <string>

#include "document/book.h"
#include "platform/code_page.h"
#include "tools/pgwktool/command.h"
#include "tools/pgwktool/tool_book.h"
#include "tools/pgwktool/tool_text.h"

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
  // Texts from the system files are in the book's content code page; names from the
  // directory in its container code page.
  const int text = book.contentCodePage();
  line("path", archive.path());
  line("version", std::to_string(archive.version()));
  line("title", printable(book.title(), text));
  line("default topic", printable(book.defaultTopic(), text));
  line("home page", printable(book.homePage(), text));
  line("jump label", printable(book.jumpLabel(), text));
  line("jump target", printable(book.jumpTarget(), text));
  line("contents file", printable(book.contentsFile(), text));
  line("index file", printable(book.indexFile(), text));
  line("default window", printable(archive.metadata().defaultWindow, text));
  line("header language", hex4(static_cast<unsigned>(book.headerLanguage())));
  line("content language", hex4(static_cast<unsigned>(book.contentLanguage())));
  line("container code page", std::to_string(book.containerCodePage()));
  line("content code page", std::to_string(book.contentCodePage()));
  line("topic count", std::to_string(book.topicCount(&archive)));
  line("entry count", std::to_string(archive.entryCount()));
  line("chunk size", std::to_string(archive.chunkSize()));
  std::string sections;
  for (const ContentSection& section : archive.sections()) {
    if (!sections.empty()) sections += ' ';
    sections += section.name;
  }
  line("content sections", sections);
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
