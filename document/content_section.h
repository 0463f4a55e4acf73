#pragma once
// The content sections of a CHM container and the two tables that describe its
// LZX-compressed section: the control data (window size) and the reset table
// (where each 32 KB block starts in the compressed stream). Everything here parses
// bytes already read; reading them is the Book's job.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pgwk {

struct ContentSection {
  static constexpr std::size_t kMaxName = 255;

  std::string name;          // as listed, e.g. "Uncompressed" or "MSCompressed"
  std::uint32_t offset = 0;  // inside section 0, of the section's "Content" entry; 0 if none
  bool compressed = false;   // the name is exactly "MSCompressed"
};

inline constexpr std::string_view kCompressedSectionName = "MSCompressed";
inline constexpr std::string_view kSectionListName = "::DataSpace/NameList";

std::string sectionContentName(std::string_view section);
std::string sectionControlDataName(std::string_view section);
std::string sectionResetTableName(std::string_view section);

// The names listed in "::DataSpace/NameList", offsets still 0. A list whose counts run
// past its bytes raises a ReaderError.
std::vector<ContentSection> parseSectionList(const std::uint8_t* bytes, std::uint32_t length);

// What the control data decides: the window, in 32 KB units (2, 4 or 8), and the
// decoder's window bits (16, 17 or 18). Raises "Not LZX compression algorithm.\n" or
// "Not correct window size %d.\n".
struct LzxControl {
  std::uint32_t windowBlocks = 0;
  unsigned windowBits = 0;
};
LzxControl parseControlData(const std::uint8_t* bytes, std::uint32_t length);

// The stretch of the compressed stream that has to be decoded for one stored file: it
// starts at a restart point (a block whose number is a multiple of the window in
// blocks) and ends with the block after the file's last byte.
struct Span {
  std::uint32_t startBlock = 0, endBlock = 0;
  std::uint32_t compressedStart = 0, compressedEnd = 0;
  std::uint32_t uncompressedStart = 0, uncompressedEnd = 0;

  std::uint32_t compressedLength() const { return compressedEnd - compressedStart; }
  std::uint32_t uncompressedLength() const { return uncompressedEnd - uncompressedStart; }
};

class ResetTable {
 public:
  static constexpr std::uint32_t kHeaderSize = 40;

  // Copies what the table says. Raises a ReaderError naming the section when the
  // table is shorter than its header or than its block count needs, or announces a
  // block length of 0.
  static ResetTable parse(const std::uint8_t* bytes, std::uint32_t length, std::string_view section);

  std::uint32_t blockCount() const { return static_cast<std::uint32_t>(blockOffsets_.size()); }
  std::uint32_t blockLength() const { return blockLength_; }
  std::uint32_t totalUncompressed() const { return totalUncompressed_; }
  std::uint32_t totalCompressed() const { return totalCompressed_; }
  std::uint32_t blockOffset(std::uint32_t block) const { return blockOffsets_[block]; }

  // The span for a file at offset..offset+length of the uncompressed data, with a
  // window of windowBlocks blocks. None when the file does not lie inside the data the
  // table describes or the table's offsets run backwards.
  std::optional<Span> spanOf(std::uint32_t windowBlocks, std::uint32_t offset, std::uint32_t length) const;

 private:
  std::uint32_t blockLength_ = 0;
  std::uint32_t totalUncompressed_ = 0;
  std::uint32_t totalCompressed_ = 0;
  std::vector<std::uint32_t> blockOffsets_;
};

}  // namespace pgwk
