#pragma once
// Book text as pgwktool prints it.

#include <string>
#include <string_view>

namespace pgwk {
class Book;
class ChmArchive;
}  // namespace pgwk

namespace pgwk::tool {

// The text in UTF-8, converted from the book's code page, with tabs and line breaks
// made spaces so that one value stays one field of one line.
std::string printable(std::string_view text, int codePage);
// A path of the file system (already UTF-8) made one field of one line.
std::string printablePath(std::string_view path);
// The reference the reader follows for a location read from a CHM file: the file's
// path, "::" and the location, or the location alone when it names its own file.
std::string printableReference(Book& book, const ChmArchive* file, std::string_view location);

}  // namespace pgwk::tool
