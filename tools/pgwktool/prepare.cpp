// pgwktool prepare BOOK TOPIC DIR: a page with everything it needs, written below DIR
// as the reader writes it to its temporary folder.

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "content/page_preparer.h"
#include "document/book.h"
#include "foundation/text_routines.h"
#include "platform/code_page.h"
#include "tools/pgwktool/command.h"
#include "tools/pgwktool/tool_book.h"
#include "tools/pgwktool/tool_report.h"

namespace pgwk::tool {
namespace {

struct PrepareRequest {
  std::string book;
  std::string topic;
  std::string folder;
  PageOptions options;
  std::string highlight;
  bool highlighting = false;
};

PrepareRequest parse(const std::vector<std::string>& args) {
  PrepareRequest r;
  r.options.wholeWords = false;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--no-images") r.options.showImages = false;
    else if (a == "--no-css") r.options.disableCss = true;
    else if (a == "--no-scripts") r.options.enableScript = false;
    else if (a == "--whole-words") r.options.wholeWords = true;
    else if (a == "--highlight") {
      if (++i == args.size()) throw UsageError{"--highlight needs the words to highlight"};
      r.highlight = args[i];
      r.highlighting = true;
    } else if (a.starts_with("--")) throw UsageError{"unknown option " + a};
    else positional.push_back(a);
  }
  if (positional.size() != 3) throw UsageError{"expects a book, a topic and a folder"};
  r.book = positional[0];
  r.topic = positional[1];
  r.folder = positional[2];
  return r;
}

int preparePage(const std::vector<std::string>& args) {
  PrepareRequest request = parse(args);
  std::error_code ec;
  std::filesystem::path folder = std::filesystem::absolute(request.folder, ec);
  if (ec || (!std::filesystem::is_directory(folder) && !std::filesystem::create_directories(folder, ec))) {
    std::fprintf(stderr, "pgwktool: can't use folder %s\n", request.folder.c_str());
    return 1;
  }

  ToolBook tool(request.book);
  Book& book = tool.book();
  CountingReport report(book.errorReport());
  book.setErrorReport(&report);
  if (request.highlighting) {
    // The search pane hands over its query trimmed, lower-cased and folded.
    std::string text = codePageFromUtf8(request.highlight, book.contentCodePage());
    lowerCase(text);
    trim(text);
    request.options.highlightText = fold(text);
    request.options.highlightWhilePreparing = true;
  }

  PagePreparer preparer(book, folder.string());
  std::string topic = codePageFromUtf8(request.topic, book.containerCodePage());
  preparer.preparePage(topic, request.options);
  if (preparer.preparedFiles().empty()) {
    std::fprintf(stderr, "pgwktool: %s is not in the book\n", request.topic.c_str());
    return 1;
  }
  std::printf("%s\n", preparer.localFileUrl().c_str());
  return report.shown() ? 1 : 0;
}

CommandRegistration registration(
    {"prepare", "BOOK TOPIC DIR [--no-images] [--no-css] [--no-scripts] [--highlight WORDS [--whole-words]]",
     "writes TOPIC (a name in the book, optionally other.chm:: and #fragment) with the style sheets, "
     "scripts and pictures it needs below DIR, and prints the local file to open (file://...)",
     preparePage});

}  // namespace
}  // namespace pgwk::tool
