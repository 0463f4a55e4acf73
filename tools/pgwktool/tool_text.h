#pragma once
// Book text as pgwktool prints it.

#include <string>
#include <string_view>

namespace pgwk::tool {

// The text in UTF-8, converted from the book's code page, with tabs and line breaks
// made spaces so that one value stays one field of one line.
std::string printable(std::string_view text, int codePage);

}  // namespace pgwk::tool
