#include "document/content_section.h"

#include <algorithm>

#include "foundation/reader_error.h"

namespace pgwk {

namespace {

constexpr std::string_view kResetTransform = "{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}";

std::uint32_t read16(const std::uint8_t* p) { return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8; }
std::uint32_t read32(const std::uint8_t* p) { return read16(p) | read16(p + 2) << 16; }

std::string storagePrefix(std::string_view section) {
  std::string name = "::DataSpace/Storage/";
  name += section;
  return name;
}

[[noreturn]] void corrupt() { raiseError("Corrupt content section list %s.\n", kSectionListName.data()); }

}  // namespace

std::string sectionContentName(std::string_view section) { return storagePrefix(section) + "/Content"; }

std::string sectionControlDataName(std::string_view section) { return storagePrefix(section) + "/ControlData"; }

std::string sectionResetTableName(std::string_view section) {
  std::string name = storagePrefix(section) + "/Transform/";
  name += kResetTransform;
  name += "/InstanceData/ResetTable";
  return name;
}

std::vector<ContentSection> parseSectionList(const std::uint8_t* bytes, std::uint32_t length) {
  if (length < 4) corrupt();
  // Counts are stored signed; a negative one can only come from a damaged file.
  std::int16_t count = static_cast<std::int16_t>(read16(bytes + 2));
  if (count < 0) corrupt();
  std::vector<ContentSection> sections(static_cast<std::size_t>(count));
  std::uint32_t at = 4;
  for (ContentSection& section : sections) {
    if (length - at < 2) corrupt();
    std::int16_t characters = static_cast<std::int16_t>(read16(bytes + at));
    at += 2;
    // The name and its terminating zero, two bytes a character.
    if (characters < 0 || (std::uint32_t{static_cast<std::uint16_t>(characters)} + 1) * 2 > length - at) corrupt();
    for (int i = 0; i < characters; ++i) {
      char low = static_cast<char>(bytes[at + 2 * i]);
      if (low == 0) break;
      if (section.name.size() < ContentSection::kMaxName) section.name += low;
    }
    at += (static_cast<std::uint32_t>(characters) + 1) * 2;
    section.compressed = section.name == kCompressedSectionName;
  }
  return sections;
}

LzxControl parseControlData(const std::uint8_t* bytes, std::uint32_t length) {
  if (length < 20 || std::string_view(reinterpret_cast<const char*>(bytes) + 4, 4) != "LZXC")
    raiseError("Not LZX compression algorithm.\n");
  LzxControl control;
  control.windowBlocks = read32(bytes + 16);
  switch (control.windowBlocks) {
    case 2: control.windowBits = 16; break;
    case 4: control.windowBits = 17; break;
    case 8: control.windowBits = 18; break;
    default: raiseError("Not correct window size %d.\n", static_cast<int>(control.windowBlocks));
  }
  return control;
}

ResetTable ResetTable::parse(const std::uint8_t* bytes, std::uint32_t length, std::string_view section) {
  std::string name(section);
  if (length < kHeaderSize) raiseError("Corrupt reset table of section %s: too short.\n", name.c_str());
  std::uint32_t blocks = read32(bytes + 4);
  if (blocks > (length - kHeaderSize) / 8)
    raiseError("Corrupt reset table of section %s: %u blocks do not fit in it.\n", name.c_str(), blocks);
  ResetTable table;
  table.totalUncompressed_ = read32(bytes + 16);
  table.totalCompressed_ = read32(bytes + 24);
  table.blockLength_ = read32(bytes + 32);
  if (table.blockLength_ == 0) raiseError("Corrupt reset table of section %s: block length 0.\n", name.c_str());
  table.blockOffsets_.resize(blocks);
  for (std::uint32_t i = 0; i < blocks; ++i) table.blockOffsets_[i] = read32(bytes + kHeaderSize + 8 * i);
  return table;
}

std::optional<Span> ResetTable::spanOf(std::uint32_t windowBlocks, std::uint32_t offset,
                                       std::uint32_t length) const {
  const std::uint64_t fileEnd = std::uint64_t{offset} + length;
  if (fileEnd > totalUncompressed_ || windowBlocks == 0) return std::nullopt;
  const std::uint32_t blocks = blockCount();
  Span span;
  span.startBlock = offset / blockLength_ / windowBlocks * windowBlocks;
  std::uint64_t end = fileEnd / blockLength_ + 1;
  if (span.startBlock >= blocks) return std::nullopt;
  span.compressedStart = blockOffsets_[span.startBlock];
  span.uncompressedStart = static_cast<std::uint32_t>(std::uint64_t{span.startBlock} * blockLength_);
  if (end < blocks) {
    span.endBlock = static_cast<std::uint32_t>(end);
    span.compressedEnd = blockOffsets_[span.endBlock];
    std::uint64_t uncompressedEnd = end * blockLength_;
    if (uncompressedEnd > UINT32_MAX) return std::nullopt;
    span.uncompressedEnd = static_cast<std::uint32_t>(uncompressedEnd);
  } else {
    span.endBlock = static_cast<std::uint32_t>(std::min<std::uint64_t>(end, UINT32_MAX));
    span.compressedEnd = totalCompressed_;
    span.uncompressedEnd = totalUncompressed_;
  }
  if (span.compressedEnd < span.compressedStart || span.uncompressedEnd < span.uncompressedStart ||
      fileEnd > span.uncompressedEnd || offset < span.uncompressedStart)
    return std::nullopt;
  return span;
}

}  // namespace pgwk
