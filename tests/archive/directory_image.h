#pragma once
// Writes small CHM containers byte by byte, so a test can choose the directory
// layout, break one field and see what the reader makes of it.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pgwk::test {

struct ImageEntry {
  std::string name;  // UTF-8 as stored
  std::uint32_t section = 0, offset = 0, length = 0;
};

struct DirectoryImage {
  std::uint32_t version = 3;
  std::uint32_t language = 0x409;
  std::string signature = "ITSF";
  std::uint32_t section0Mark = 0x1FE;
  std::uint32_t chunkSize = 4096;
  // Listing chunks in order, each with its entries; an index chunk ("PMGI") is
  // written before listing chunk i when i is in indexChunksBefore.
  std::vector<std::vector<ImageEntry>> listingChunks;
  std::vector<int> indexChunksBefore;
  bool lastChunkHasEnd = true;  // next-chunk field of the last listing chunk is -1
  // Overrides the chunk count of the directory header when not negative.
  std::int64_t chunkCountOverride = -1;

  std::vector<std::uint8_t> bytes() const;
  std::filesystem::path writeTo(const std::filesystem::path& folder, const std::string& fileName) const;
};

}  // namespace pgwk::test
