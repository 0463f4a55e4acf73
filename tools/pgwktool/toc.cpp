// pgwktool toc BOOK: the table of contents, one entry a line in document order.

#include <cstdio>
#include <string>
#include <vector>

#include "document/book.h"
#include "tools/pgwktool/command.h"
#include "tools/pgwktool/tool_book.h"
#include "tools/pgwktool/tool_text.h"

namespace pgwk::tool {
namespace {

int listContents(const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError{"expects one book"};
  ToolBook tool(args[0]);
  Book& book = tool.book();
  const SitemapTree& tree = book.contents();
  const int codePage = book.contentCodePage();
  // Pre-order with an explicit stack: contents nest as deep as the book likes. The
  // "Missing files" entry is walked like any other top-level entry.
  struct Item {
    const TocEntry* entry;
    int depth;
  };
  std::vector<Item> work;
  auto pushChildren = [&work](const TocEntry& entry, int depth) {
    for (int i = entry.children.count() - 1; i >= 0; --i) work.push_back({entry.children.at(i), depth});
  };
  pushChildren(tree.root(), 0);
  while (!work.empty()) {
    Item item = work.back();
    work.pop_back();
    const TocEntry& entry = *item.entry;
    std::string reference;
    if (entry.location != StringPool::kNone) reference = printableReference(book, entry.chmFile, tree.locationOf(entry));
    std::printf("%*s%s\t%s\n", 2 * item.depth, "", printable(tree.nameOf(entry), codePage).c_str(),
                reference.c_str());
    pushChildren(entry, item.depth + 1);
  }
  return tool.errorsShown() ? 1 : 0;
}

CommandRegistration registration({"toc", "BOOK",
                                   "the table of contents in document order, two spaces of indent per level: "
                                   "name, a tab, and the entry's file::location (nothing for a group)",
                                   listContents});

}  // namespace
}  // namespace pgwk::tool
