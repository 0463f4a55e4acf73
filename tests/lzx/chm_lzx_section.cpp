#include "lzx/chm_lzx_section.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>

namespace pgwk::test {
namespace {

const char kContent[] = "::DataSpace/Storage/MSCompressed/Content";
const char kControlData[] = "::DataSpace/Storage/MSCompressed/ControlData";
const char kResetTable[] =
    "::DataSpace/Storage/MSCompressed/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/"
    "InstanceData/ResetTable";

struct Entry {
  std::uint64_t section, offset, length;
};

class Bytes {
 public:
  explicit Bytes(const std::vector<std::uint8_t>& b) : b_(b) {}
  bool has(std::uint64_t at, std::uint64_t n) const { return at <= b_.size() && n <= b_.size() - at; }
  std::uint64_t le(std::uint64_t at, int n) const {
    std::uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | b_[at + i];
    return v;
  }

 private:
  const std::vector<std::uint8_t>& b_;
};

// A directory number: 7 bits a byte, most significant first, high bit = more.
bool readEncInt(const std::vector<std::uint8_t>& b, std::size_t& at, std::size_t end,
                std::uint64_t& v) {
  v = 0;
  for (int i = 0; i < 9; ++i) {
    if (at >= end) return false;
    std::uint8_t c = b[at++];
    v = v << 7 | (c & 0x7F);
    if (!(c & 0x80)) return true;
  }
  return false;
}

}  // namespace

bool readChmLzxSection(const std::filesystem::path& book, ChmLzxSection& s, std::string& why) {
  std::ifstream f(book, std::ios::binary);
  if (!f) return why = "cannot open", false;
  std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(f)), {});
  Bytes b(file);

  if (!b.has(0, 0x58) || std::memcmp(file.data(), "ITSF", 4) != 0) return why = "no ITSF header", false;
  const std::uint64_t version = b.le(4, 4);
  const std::uint64_t dirOffset = b.le(72, 8), dirLength = b.le(80, 8);
  std::uint64_t contentOffset = dirOffset + dirLength;
  if (version >= 3) {
    if (!b.has(88, 8)) return why = "short header", false;
    contentOffset = b.le(88, 8);
  }
  if (!b.has(dirOffset, 0x54) || std::memcmp(&file[dirOffset], "ITSP", 4) != 0)
    return why = "no ITSP header", false;
  const std::uint64_t itspLength = b.le(dirOffset + 8, 4);
  const std::uint64_t chunkSize = b.le(dirOffset + 16, 4);
  const std::uint64_t chunks = b.le(dirOffset + 44, 4);
  if (chunkSize < 32 || chunkSize > (1u << 20)) return why = "bad chunk size", false;

  std::map<std::string, Entry> entries;
  for (std::uint64_t c = 0; c < chunks; ++c) {
    const std::uint64_t at = dirOffset + itspLength + c * chunkSize;
    if (!b.has(at, chunkSize)) return why = "directory chunk outside the file", false;
    if (std::memcmp(&file[at], "PMGL", 4) != 0) continue;
    const std::uint64_t freeSpace = b.le(at + 4, 4);
    if (freeSpace > chunkSize - 20) return why = "bad free space", false;
    std::size_t p = at + 20;
    const std::size_t end = at + chunkSize - freeSpace;
    while (p < end) {
      std::uint64_t nameLength, section, offset, length;
      if (!readEncInt(file, p, end, nameLength) || nameLength > end - p) break;
      std::string name(reinterpret_cast<const char*>(&file[p]), nameLength);
      p += nameLength;
      if (!readEncInt(file, p, end, section) || !readEncInt(file, p, end, offset) ||
          !readEncInt(file, p, end, length))
        break;
      entries.emplace(name, Entry{section, offset, length});
    }
  }

  auto object = [&](const char* name, std::vector<std::uint8_t>& out) {
    auto it = entries.find(name);
    if (it == entries.end() || it->second.section != 0) return false;
    const std::uint64_t at = contentOffset + it->second.offset;
    if (at < contentOffset || !b.has(at, it->second.length)) return false;
    out.assign(file.begin() + at, file.begin() + at + it->second.length);
    return true;
  };
  std::vector<std::uint8_t> control, table;
  if (!object(kControlData, control) || !object(kResetTable, table) || !object(kContent, s.stream))
    return why = "no MSCompressed section", false;

  Bytes cd(control);
  if (!cd.has(0, 24) || std::memcmp(&control[4], "LZXC", 4) != 0) return why = "no LZXC", false;
  const std::uint64_t cdVersion = cd.le(8, 4);
  const std::uint64_t unit = cdVersion >= 2 ? 32768 : 1;
  s.resetInterval = static_cast<std::uint32_t>(cd.le(12, 4) * unit);
  s.windowSize = static_cast<std::uint32_t>(cd.le(16, 4) * unit);
  s.windowBits = 0;
  for (int bits = 15; bits <= 21; ++bits)
    if (s.windowSize == (1u << bits)) s.windowBits = bits;
  if (s.windowBits == 0) return why = "unusual window size", false;

  Bytes rt(table);
  if (!rt.has(0, 40)) return why = "short reset table", false;
  const std::uint64_t blocks = rt.le(4, 4);
  const std::uint64_t headerLength = rt.le(12, 4);
  s.uncompressedLength = rt.le(16, 8);
  s.compressedLength = rt.le(24, 8);
  s.blockLength = static_cast<std::uint32_t>(rt.le(32, 8));
  if (s.blockLength == 0 || s.windowSize % s.blockLength != 0) return why = "bad block length", false;
  if (!rt.has(headerLength, blocks * 8) || blocks > table.size()) return why = "short block list", false;
  for (std::uint64_t i = 0; i < blocks; ++i) s.blockOffsets.push_back(rt.le(headerLength + 8 * i, 8));
  if (s.compressedLength > s.stream.size()) return why = "stream shorter than its table says", false;
  return true;
}

std::vector<LzxSpan> restartSpans(const ChmLzxSection& s) {
  std::vector<LzxSpan> spans;
  const std::uint64_t step = s.windowSize / s.blockLength;
  const std::uint64_t blocks = s.blockOffsets.size();
  // Some writers list one more block offset than there are blocks: the end.
  for (std::uint64_t first = 0; first < blocks && first * s.blockLength < s.uncompressedLength;
       first += step) {
    const std::uint64_t next = first + step;
    LzxSpan span;
    span.compressedStart = s.blockOffsets[first];
    span.uncompressedStart = first * s.blockLength;
    span.compressedEnd = next < blocks ? s.blockOffsets[next] : s.compressedLength;
    span.uncompressedEnd = std::min(next * s.blockLength, s.uncompressedLength);
    spans.push_back(span);
  }
  return spans;
}

}  // namespace pgwk::test
