// pgwktool: the book engine from the command line.

#include <algorithm>
#include <cstdio>
#include <exception>

#include "foundation/reader_error.h"
#include "tools/pgwktool/command.h"

namespace pgwk::tool {

std::vector<Command>& commands() {
  static std::vector<Command> all;
  return all;
}

namespace {

void printUsage(std::FILE* out) {
  std::vector<Command> sorted = commands();
  std::sort(sorted.begin(), sorted.end(),
            [](const Command& a, const Command& b) { return a.name < b.name; });
  std::fprintf(out, "usage: pgwktool COMMAND ARGS...\n\ncommands:\n");
  for (const Command& c : sorted)
    std::fprintf(out, "  %s %s\n      %s\n", c.name.c_str(), c.synopsis.c_str(), c.summary.c_str());
}

}  // namespace
}  // namespace pgwk::tool

int main(int argc, char** argv) {
  using namespace pgwk::tool;
  if (argc < 2) {
    printUsage(stderr);
    return 2;
  }
  std::string name = argv[1];
  if (name == "-h" || name == "--help" || name == "help") {
    printUsage(stdout);
    return 0;
  }
  auto found = std::find_if(commands().begin(), commands().end(),
                            [&](const Command& c) { return c.name == name; });
  if (found == commands().end()) {
    std::fprintf(stderr, "pgwktool: unknown command '%s'\n", name.c_str());
    printUsage(stderr);
    return 2;
  }
  std::vector<std::string> args(argv + 2, argv + argc);
  try {
    return found->run(args);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "pgwktool %s: %s\nusage: pgwktool %s %s\n", name.c_str(), e.message.c_str(),
                 name.c_str(), found->synopsis.c_str());
    return 2;
  } catch (const pgwk::ReaderError& e) {
    // Some of the reader's messages end in a line break of their own.
    std::string message = e.message();
    while (!message.empty() && message.back() == '\n') message.pop_back();
    std::fprintf(stderr, "pgwktool: %s\n", message.c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pgwktool: %s\n", e.what());
    return 1;
  }
}
