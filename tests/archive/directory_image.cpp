#include "directory_image.h"

#include <algorithm>
#include <fstream>

namespace pgwk::test {

namespace {

void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void putEncint(std::vector<std::uint8_t>& out, std::uint32_t v) {
  std::uint8_t groups[5];
  int n = 0;
  do {
    groups[n++] = v & 0x7F;
    v >>= 7;
  } while (v);
  while (n > 1) out.push_back(groups[--n] | 0x80);
  out.push_back(groups[0]);
}

}  // namespace

std::vector<std::uint8_t> DirectoryImage::bytes() const {
  const std::size_t headerSize = version == 3 ? 96 : 88;
  const std::size_t section0At = headerSize;
  const std::size_t directoryAt = section0At + 24;

  std::vector<std::vector<std::uint8_t>> chunks;
  for (std::size_t i = 0; i < listingChunks.size(); ++i) {
    if (std::count(indexChunksBefore.begin(), indexChunksBefore.end(), static_cast<int>(i))) {
      std::vector<std::uint8_t> index(std::max<std::size_t>(chunkSize, 4), 0);
      std::copy_n("PMGI", 4, index.begin());
      index.resize(chunkSize);
      chunks.push_back(index);
    }
    std::vector<std::uint8_t> area;
    for (const ImageEntry& e : listingChunks[i]) {
      putEncint(area, static_cast<std::uint32_t>(e.name.size()));
      area.insert(area.end(), e.name.begin(), e.name.end());
      putEncint(area, e.section);
      putEncint(area, e.offset);
      putEncint(area, e.length);
    }
    // Room for the header and entries even when a test asks for absurdly small
    // chunks; the chunk is cut to its declared size afterwards.
    std::vector<std::uint8_t> chunk(std::max<std::size_t>(chunkSize, 20 + area.size()), 0);
    std::copy_n("PMGL", 4, chunk.begin());
    put32(chunk, 4, static_cast<std::uint32_t>(chunkSize - 20 - area.size()));
    bool last = i + 1 == listingChunks.size();
    put32(chunk, 16, last && lastChunkHasEnd ? 0xFFFFFFFFu : static_cast<std::uint32_t>(i + 1));
    std::copy(area.begin(), area.end(), chunk.begin() + 20);
    chunk.resize(chunkSize);
    chunks.push_back(chunk);
  }

  std::vector<std::uint8_t> out(directoryAt + 84, 0);
  std::copy(signature.begin(), signature.end(), out.begin());
  put32(out, 4, version);
  put32(out, 8, static_cast<std::uint32_t>(headerSize));
  put32(out, 20, language);
  put32(out, 56, static_cast<std::uint32_t>(section0At));
  put32(out, 72, static_cast<std::uint32_t>(directoryAt));
  put32(out, 80, static_cast<std::uint32_t>(84 + chunks.size() * chunkSize));
  if (version == 3) put32(out, 88, static_cast<std::uint32_t>(directoryAt + 84 + chunks.size() * chunkSize));
  put32(out, section0At, section0Mark);
  std::copy_n("ITSP", 4, out.begin() + directoryAt);
  put32(out, directoryAt + 16, chunkSize);
  put32(out, directoryAt + 44,
        chunkCountOverride >= 0 ? static_cast<std::uint32_t>(chunkCountOverride)
                                : static_cast<std::uint32_t>(chunks.size()));
  for (const auto& chunk : chunks) out.insert(out.end(), chunk.begin(), chunk.end());
  return out;
}

std::filesystem::path DirectoryImage::writeTo(const std::filesystem::path& folder,
                                              const std::string& fileName) const {
  std::filesystem::path path = folder / fileName;
  std::vector<std::uint8_t> data = bytes();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), data.size());
  return path;
}

}  // namespace pgwk::test
