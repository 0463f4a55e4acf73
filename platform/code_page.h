#pragma once
// Code-page conversion and information, on glibc iconv. Book text is bytes in a
// Windows code page (1252, 932, ...); wide text is UTF-16.

#include <string>
#include <string_view>

namespace pgwk {

// Whether the system can convert this code page ("is this code page usable").
bool isCodePageUsable(int codePage);

// Wide to code page; a character the code page lacks becomes its default character "?".
std::string codePageFromUtf16(std::u16string_view wide, int codePage);
// Code page to wide; bytes that do not convert become U+FFFD.
std::u16string utf16FromCodePage(std::string_view bytes, int codePage);

std::string utf8FromCodePage(std::string_view bytes, int codePage);
std::string codePageFromUtf8(std::string_view utf8, int codePage);

std::string utf8FromUtf16(std::u16string_view wide);
std::u16string utf16FromUtf8(std::string_view utf8);

}  // namespace pgwk
