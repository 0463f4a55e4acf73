// pgwktool topics BOOK: the topic table, one topic a line.

#include <cstdio>

#include "document/book.h"
#include "platform/code_page.h"
#include "tools/pgwktool/command.h"
#include "tools/pgwktool/tool_book.h"
#include "tools/pgwktool/tool_text.h"

namespace pgwk::tool {
namespace {

int listTopics(const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError{"expects one book"};
  ToolBook tool(args[0]);
  Book& book = tool.book();
  const ChmArchive& archive = tool.mainArchive();
  const int codePage = book.contentCodePage();
  const std::uint32_t count = book.topicCount(&archive);
  for (std::uint32_t topic = 0; topic < count; ++topic) {
    std::string title = book.topicTitle(topic, archive);
    std::string location = book.topicLocation(topic, &archive).value_or("");
    std::printf("%u\t%s\t%s\n", topic, printable(title, codePage).c_str(), printable(location, codePage).c_str());
  }
  return 0;
}

CommandRegistration registration({"topics", "BOOK",
                                   "one line per topic: number, title and location, separated by tabs",
                                   listTopics});

}  // namespace
}  // namespace pgwk::tool
