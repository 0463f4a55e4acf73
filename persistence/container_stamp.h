#pragma once
// The change stamp of a CHM file: the container-size field of its section-0
// record. "AutoSaveParams" records it so that a book replaced by another file
// loses the bookmarks whose page indexes no longer fit.

#include <cstdint>
#include <filesystem>

namespace pgwk {

// 0 when the file cannot be read or has no valid section-0 record.
std::uint32_t containerSizeStamp(const std::filesystem::path& chmFile);

}  // namespace pgwk
