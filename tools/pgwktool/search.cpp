// pgwktool search BOOK QUERY: the book's full-text search, best hit first.

#include <cstdio>

#include "content/book_search_source.h"
#include "content/full_text_search.h"
#include "document/book.h"
#include "platform/code_page.h"
#include "tools/pgwktool/command.h"
#include "tools/pgwktool/tool_book.h"
#include "tools/pgwktool/tool_report.h"
#include "tools/pgwktool/tool_text.h"

namespace pgwk::tool {
namespace {

int search(const std::vector<std::string>& args) {
  SearchOptions options;
  std::vector<std::string> positional;
  for (const std::string& a : args) {
    if (a == "--substring") options.wholeWords = false;
    else if (a == "--titles") options.inTitles = true;
    else if (a.starts_with("--")) throw UsageError{"unknown option " + a};
    else positional.push_back(a);
  }
  if (positional.size() != 2) throw UsageError{"expects a book and a query"};

  ToolBook tool(positional[0]);
  Book& book = tool.book();
  CountingReport report(book.errorReport());
  BookSearchSource source(book);
  FullTextSearch engine(source, report, book.loadingProgress());
  if (!options.inTitles) engine.loadSearchIndex();
  engine.search(codePageFromUtf8(positional[1], book.contentCodePage()), options);

  const int codePage = book.contentCodePage();
  for (const SearchHit& hit : engine.hits()) {
    const ChmArchive* archive = book.archiveAt(hit.chmFile);
    std::string title = archive ? book.topicTitle(hit.topic, *archive) : std::string();
    std::string location = archive ? book.topicLocation(hit.topic, archive).value_or("") : std::string();
    std::printf("%d\t%d\t%d\t%d\t%s\t%s\n", hit.place, hit.chmFile, hit.topic, hit.count,
                printable(title, codePage).c_str(), printable(location, codePage).c_str());
  }
  std::printf("hits: %zu\n", engine.hits().size());
  return report.shown() ? 1 : 0;
}

CommandRegistration registration(
    {"search", "BOOK QUERY [--substring] [--titles]",
     "full-text search: one line per hit, best first: place, CHM file number, topic number, occurrences, "
     "title and location, separated by tabs; then the number of hits. Whole words unless --substring; "
     "--titles searches the topic titles",
     search});

}  // namespace
}  // namespace pgwk::tool
