#pragma once
// Just enough of a CHM reader to get at the raw LZX stream of a book's "MSCompressed"
// section and its reset table, for the decoder's differential tests and benchmark.
// It walks every directory chunk itself and checks every offset it reads.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pgwk::test {

struct ChmLzxSection {
  int windowBits = 0;
  std::uint32_t windowSize = 0;
  std::uint32_t resetInterval = 0;  // bytes
  std::uint64_t uncompressedLength = 0;
  std::uint64_t compressedLength = 0;
  std::uint32_t blockLength = 0;
  std::vector<std::uint64_t> blockOffsets;  // compressed offset of every reset-table block
  std::vector<std::uint8_t> stream;         // the whole compressed stream
};

// False with a reason when the book has no readable LZX section.
bool readChmLzxSection(const std::filesystem::path& book, ChmLzxSection& section, std::string& why);

// A restart span: from a block that starts a window to the start of the next one.
struct LzxSpan {
  std::uint64_t compressedStart, compressedEnd, uncompressedStart, uncompressedEnd;
};
std::vector<LzxSpan> restartSpans(const ChmLzxSection& section);

}  // namespace pgwk::test
