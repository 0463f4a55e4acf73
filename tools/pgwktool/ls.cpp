// pgwktool ls BOOK: the directory in listing order.

#include <cstdio>

#include "document/book.h"
#include "platform/code_page.h"
#include "tools/pgwktool/command.h"
#include "tools/pgwktool/tool_book.h"

namespace pgwk::tool {
namespace {

int listDirectory(const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError{"expects one book"};
  ToolBook tool(args[0]);
  for (int i = 0; i < tool.book().archives().count(); ++i) {
    const ChmArchive& archive = *tool.book().archives().at(i);
    if (archive.isCollection()) continue;
    for (const DirectoryEntry& e : archive.entries()) {
      std::printf("%u\t%u\t%u\t%s\n", e.section, e.offset, e.length,
                  utf8FromCodePage(e.name, archive.nameCodePage()).c_str());
    }
  }
  return 0;
}

CommandRegistration registration({"ls", "BOOK",
                                   "one line per stored file, in directory order: section, offset, "
                                   "length and name, separated by tabs",
                                   listDirectory});

}  // namespace
}  // namespace pgwk::tool
