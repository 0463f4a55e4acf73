#include "persistence/container_stamp.h"

#include <array>
#include <fstream>

namespace pgwk {

namespace {

constexpr std::size_t kHeaderSize = 88;
constexpr std::size_t kSectionZeroOffsetField = 56;
constexpr std::size_t kSectionZeroRecordSize = 24;
constexpr std::uint32_t kSectionZeroMark = 0x1FE;
constexpr std::size_t kContainerSizeField = 8;

std::uint32_t le32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}

// Reads exactly n bytes at offset, or fails.
template <std::size_t N>
bool readAt(std::ifstream& in, std::uint64_t offset, std::array<std::uint8_t, N>& out) {
  in.clear();
  in.seekg(static_cast<std::streamoff>(offset));
  if (!in) return false;
  in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(N));
  return in.gcount() == static_cast<std::streamsize>(N);
}

}  // namespace

std::uint32_t containerSizeStamp(const std::filesystem::path& chmFile) {
  std::ifstream in(chmFile, std::ios::binary);
  if (!in) return 0;
  std::array<std::uint8_t, kHeaderSize> header{};
  if (!readAt(in, 0, header)) return 0;
  // Only the low 32 bits of the 64-bit offset are used, as the archive does.
  std::uint32_t sectionZero = le32(header.data() + kSectionZeroOffsetField);
  std::array<std::uint8_t, kSectionZeroRecordSize> record{};
  if (!readAt(in, sectionZero, record)) return 0;
  if (le32(record.data()) != kSectionZeroMark) return 0;
  return le32(record.data() + kContainerSizeField);
}

}  // namespace pgwk
