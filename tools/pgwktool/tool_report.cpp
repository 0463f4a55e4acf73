#include "tools/pgwktool/tool_report.h"

#include <cstdio>
#include <string>

namespace pgwk::tool {

void StderrReport::showMessage(std::string_view caption, std::string_view text) {
  std::string line(text);
  while (!line.empty() && line.back() == '\n') line.pop_back();
  for (char& c : line)
    if (c == '\n') c = ' ';
  std::fprintf(stderr, "pgwktool: %.*s: %s\n", static_cast<int>(caption.size()), caption.data(), line.c_str());
  ++shown_;
}

}  // namespace pgwk::tool
