// pgwktool index BOOK: the keyword index, one keyword a line, its topics below it.

#include <cstdio>
#include <string>
#include <vector>

#include "document/book.h"
#include "tools/pgwktool/command.h"
#include "tools/pgwktool/tool_book.h"
#include "tools/pgwktool/tool_text.h"

namespace pgwk::tool {
namespace {

int listIndex(const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError{"expects one book"};
  ToolBook tool(args[0]);
  Book& book = tool.book();
  tool.loadKeywordIndexes();
  const SitemapIndex& index = book.keywordIndex();
  const int codePage = book.contentCodePage();
  struct Item {
    const KeywordEntry* entry;
    int depth;
  };
  std::vector<Item> work;
  auto pushSubKeywords = [&work](const KeywordEntry& entry, int depth) {
    for (int i = entry.subKeywords.count() - 1; i >= 0; --i) work.push_back({entry.subKeywords.at(i), depth});
  };
  pushSubKeywords(index.root(), 0);
  while (!work.empty()) {
    Item item = work.back();
    work.pop_back();
    const KeywordEntry& entry = *item.entry;
    std::printf("%*s%s\n", 2 * item.depth, "", printable(index.keywordOf(entry), codePage).c_str());
    for (int i = 0; i < entry.topics.count(); ++i) {
      const KeywordTopic& topic = *entry.topics.at(i);
      std::string reference;
      if (topic.location != StringPool::kNone)
        reference = printableReference(book, entry.chmFile, index.locationOf(topic));
      std::printf("%*s%s\t%s\n", 2 * (item.depth + 1), "", printable(index.titleOf(topic), codePage).c_str(),
                  reference.c_str());
    }
    pushSubKeywords(entry, item.depth + 1);
  }
  return tool.errorsShown() ? 1 : 0;
}

CommandRegistration registration({"index", "BOOK",
                                   "the keyword index: each keyword on a line, then its topics indented by "
                                   "two more spaces (title, a tab, file::location), then its sub-keywords",
                                   listIndex});

}  // namespace
}  // namespace pgwk::tool
