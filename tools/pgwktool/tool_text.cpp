#include "tools/pgwktool/tool_text.h"

#include "platform/code_page.h"

namespace pgwk::tool {

std::string printable(std::string_view text, int codePage) {
  std::string utf8 = utf8FromCodePage(text, codePage);
  for (char& c : utf8)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return utf8;
}

}  // namespace pgwk::tool
