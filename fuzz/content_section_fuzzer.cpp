// Arbitrary bytes as the tables of a content section: the section list, the control
// data and the reset table, and the spans the reset table gives.
//
// Input layout: byte 0 picks what to parse (0 section list, 1 control data, else reset
// table); for a reset table bytes 1-8 are a file's offset and length (little-endian)
// and byte 9 the window in blocks; the rest is the table.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "document/content_section.h"
#include "foundation/reader_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 10) return 0;
  const std::size_t length = size - 10;
  // An exact-size copy, so that any read past the table is caught.
  auto table = std::make_unique_for_overwrite<std::uint8_t[]>(length ? length : 1);
  if (length) std::memcpy(table.get(), data + 10, length);
  const auto tableLength = static_cast<std::uint32_t>(length);
  auto word = [&](std::size_t at) {
    return std::uint32_t{data[at]} | std::uint32_t{data[at + 1]} << 8 | std::uint32_t{data[at + 2]} << 16 |
           std::uint32_t{data[at + 3]} << 24;
  };
  try {
    switch (data[0] % 3) {
      case 0: pgwk::parseSectionList(table.get(), tableLength); break;
      case 1: pgwk::parseControlData(table.get(), tableLength); break;
      default: {
        pgwk::ResetTable reset = pgwk::ResetTable::parse(table.get(), tableLength, "MSCompressed");
        if (std::optional<pgwk::Span> span = reset.spanOf(data[9] % 9, word(1), word(5))) {
          if (span->uncompressedEnd < span->uncompressedStart || span->compressedEnd < span->compressedStart ||
              span->startBlock >= reset.blockCount())
            __builtin_trap();
        }
      }
    }
  } catch (const pgwk::ReaderError&) {
  }
  return 0;
}
