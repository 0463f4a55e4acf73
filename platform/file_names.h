#pragma once
// Finding a file the way the handheld's file system did: without regard to the case
// of ASCII letters. Books written elsewhere name their companions and merged files
// in whatever case their authors typed ("OTHER.CHM" for other.chm); on a file system
// that tells cases apart those names must still reach the file.

#include <string>
#include <string_view>

namespace pgwk {

// The path itself when it exists; otherwise the existing path whose components equal
// the path's, ignoring ASCII case (the first match in each folder); otherwise empty.
// A relative path stays relative.
std::string existingPathIgnoringCase(std::string_view path);

}  // namespace pgwk
