#pragma once
// Writes small CHM containers for tests: a version-3 header, a directory of listing
// chunks, content section 0 with the files stored plain, and an "MSCompressed"
// section whose LZX stream is made of uncompressed blocks, one stream per window, so
// every reset-table layout can be chosen by the test. Generated system files
// (section list, control data, reset table) can be replaced to craft damaged books.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pgwk::test {

class ChmBuilder {
 public:
  static constexpr std::uint32_t kBlockLength = 32768;

  // A file stored in section 0 (plain) or in the LZX section, in the order added.
  ChmBuilder& add(std::string name, std::string data, bool compressed = true);
  // A folder entry (name ending in "/"), length 0.
  ChmBuilder& addFolder(std::string name);
  // An entry that points wherever the test says, with no data of its own.
  ChmBuilder& addRawEntry(std::string name, std::uint32_t section, std::uint32_t offset, std::uint32_t length);
  // The LZX window in 32 KB blocks (2, 4 or 8); the control data states it. A value
  // the stream cannot use is written as stated and the stream uses two blocks.
  ChmBuilder& windowBlocks(std::uint32_t blocks);
  ChmBuilder& languageId(std::uint32_t language);
  ChmBuilder& chunkSize(std::uint32_t size);
  // Writes only "Uncompressed" to the section list and no LZX tables.
  ChmBuilder& withoutCompressedSection();
  // Replaces a generated system file ("::DataSpace/NameList", the control data, the
  // reset table) by the given bytes, or adds it when it is not generated.
  ChmBuilder& replace(std::string name, std::string data);
  // Leaves a generated system file out.
  ChmBuilder& omit(std::string name);

  // The container's bytes; offsetOf tells where a section-0 file landed after build.
  std::string build();
  std::filesystem::path write(const std::filesystem::path& path);

  std::uint32_t uncompressedOffsetOf(std::string_view name) const;

 private:
  struct Item {
    std::string name;
    std::string data;
    bool compressed = false;
    bool raw = false;
    std::uint32_t section = 0, offset = 0, length = 0;
  };
  std::string lzxStream(const std::string& plain, std::vector<std::uint64_t>& blockOffsets) const;

  std::vector<Item> items_;
  std::map<std::string, std::string, std::less<>> replacements_;
  std::vector<std::string> omitted_;
  std::uint32_t windowBlocks_ = 2;
  std::uint32_t language_ = 0x409;
  std::uint32_t chunkSize_ = 4096;
  bool compressedSection_ = true;
  std::map<std::string, std::uint32_t, std::less<>> placed_;
};

// Little-endian fields and system files, for building their bytes in tests.
void put16(std::string& out, std::uint32_t value);
void put32(std::string& out, std::uint32_t value);

// #SYSTEM: the version, then (code, data) records.
std::string systemFile(std::uint32_t version, const std::vector<std::pair<int, std::string>>& records);
// A text record's data: the text and its terminating zero.
std::string zeroTerminated(std::string_view text);

// A #STRINGS pool that starts with an empty text at offset 0.
class StringPool {
 public:
  StringPool() : bytes_(1, '\0') {}
  std::uint32_t add(std::string_view text);
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// #WINDOWS with records of the usual 196 bytes; fields by their offset in a record.
std::string windowsFile(const std::vector<std::map<std::uint32_t, std::uint32_t>>& records,
                        std::uint32_t recordSize = 196);

}  // namespace pgwk::test
