#pragma once
// Rules about stored names that need no archive.

#include <string>
#include <string_view>

namespace pgwk {

// ".htm" for "Docs/Page.HTM#top": the last dot of the file-name part up to a "#",
// lower case, trimmed, at most 100 bytes; empty when there is no dot.
std::string extensionOf(std::string_view name);
// The same into `out`, reusing its storage (the directory load asks for thousands).
void extensionOf(std::string_view name, std::string& out);
// The path up to and including its last backslash (or, if none, its last slash).
std::string_view folderOf(std::string_view path);
// True when the name, in lower case, contains "http:", "https:" or "ftp:".
bool isRemote(std::string_view name);

bool isPageExtension(std::string_view extension);
bool isImageExtension(std::string_view extension);
bool isStyleSheetExtension(std::string_view extension);
bool isScriptExtension(std::string_view extension);

}  // namespace pgwk
