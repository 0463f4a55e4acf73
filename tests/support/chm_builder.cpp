#include "support/chm_builder.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace pgwk::test {

namespace {

void put64(std::string& out, std::uint64_t value) {
  put32(out, static_cast<std::uint32_t>(value));
  put32(out, static_cast<std::uint32_t>(value >> 32));
}

void putGuid(std::string& out, std::uint32_t first) {
  put32(out, first);
  for (std::uint32_t word : {0x11D07BAAu, 0xA0000C9Eu, 0xECE622C9u}) put32(out, word);
}

void putEncint(std::string& out, std::uint32_t value) {
  char groups[5];
  int n = 0;
  do {
    groups[n++] = static_cast<char>(value & 0x7F);
    value >>= 7;
  } while (value);
  while (n-- > 0) out += static_cast<char>(groups[n] | (n ? 0x80 : 0));
}

// Writes bits most significant first into 16-bit little-endian words, as LZX reads them.
class BitWriter {
 public:
  void bits(std::uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      word_ = static_cast<std::uint16_t>(word_ << 1 | ((value >> i) & 1));
      if (++held_ == 16) flush();
    }
  }
  // Pads the last word with zero bits and returns the bytes.
  std::string finish() {
    if (held_) {
      word_ = static_cast<std::uint16_t>(word_ << (16 - held_));
      flush();
    }
    return std::move(out_);
  }

 private:
  void flush() {
    out_ += static_cast<char>(word_ & 0xFF);
    out_ += static_cast<char>(word_ >> 8);
    word_ = 0;
    held_ = 0;
  }
  std::string out_;
  std::uint16_t word_ = 0;
  int held_ = 0;
};

}  // namespace

void put16(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& out, std::uint32_t value) {
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}

std::string systemFile(std::uint32_t version, const std::vector<std::pair<int, std::string>>& records) {
  std::string out;
  put32(out, version);
  for (const auto& [code, data] : records) {
    put16(out, static_cast<std::uint32_t>(code));
    put16(out, static_cast<std::uint32_t>(data.size()));
    out += data;
  }
  return out;
}

std::string zeroTerminated(std::string_view text) { return std::string(text) + '\0'; }

std::uint32_t StringPool::add(std::string_view text) {
  std::uint32_t offset = static_cast<std::uint32_t>(bytes_.size());
  bytes_ += text;
  bytes_ += '\0';
  return offset;
}

std::string windowsFile(const std::vector<std::map<std::uint32_t, std::uint32_t>>& records,
                        std::uint32_t recordSize) {
  std::string out;
  put32(out, static_cast<std::uint32_t>(records.size()));
  put32(out, recordSize);
  for (const auto& fields : records) {
    std::string record(recordSize, '\0');
    for (const auto& [at, value] : fields) {
      std::string bytes;
      put32(bytes, value);
      if (at + 4 <= recordSize) record.replace(at, 4, bytes);
    }
    out += record;
  }
  return out;
}

ChmBuilder& ChmBuilder::add(std::string name, std::string data, bool compressed) {
  items_.push_back(Item{std::move(name), std::move(data), compressed});
  return *this;
}

ChmBuilder& ChmBuilder::addFolder(std::string name) {
  Item item;
  item.name = std::move(name);
  item.raw = true;
  items_.push_back(std::move(item));
  return *this;
}

ChmBuilder& ChmBuilder::addRawEntry(std::string name, std::uint32_t section, std::uint32_t offset,
                                    std::uint32_t length) {
  Item item;
  item.name = std::move(name);
  item.raw = true;
  item.section = section;
  item.offset = offset;
  item.length = length;
  items_.push_back(std::move(item));
  return *this;
}

ChmBuilder& ChmBuilder::windowBlocks(std::uint32_t blocks) {
  windowBlocks_ = blocks;
  return *this;
}

ChmBuilder& ChmBuilder::languageId(std::uint32_t language) {
  language_ = language;
  return *this;
}

ChmBuilder& ChmBuilder::chunkSize(std::uint32_t size) {
  chunkSize_ = size;
  return *this;
}

ChmBuilder& ChmBuilder::withoutCompressedSection() {
  compressedSection_ = false;
  return *this;
}

ChmBuilder& ChmBuilder::replace(std::string name, std::string data) {
  replacements_[std::move(name)] = std::move(data);
  return *this;
}

ChmBuilder& ChmBuilder::omit(std::string name) {
  omitted_.push_back(std::move(name));
  return *this;
}

std::uint32_t ChmBuilder::uncompressedOffsetOf(std::string_view name) const {
  auto found = placed_.find(name);
  if (found == placed_.end()) throw std::runtime_error("no such section-0 file: " + std::string(name));
  return found->second;
}

// One stream per window: the header bit (no call translation), then a single
// uncompressed block holding the window's bytes. Block offsets point at the stream's
// start for a window's first block, else at the block's first byte inside the
// uncompressed data, which is where a decoder that stops there has read up to.
std::string ChmBuilder::lzxStream(const std::string& plain, std::vector<std::uint64_t>& blockOffsets) const {
  const std::uint32_t window = (windowBlocks_ == 4 || windowBlocks_ == 8 ? windowBlocks_ : 2) * kBlockLength;
  std::string stream;
  for (std::size_t start = 0; start < plain.size(); start += window) {
    std::uint32_t length = static_cast<std::uint32_t>(std::min<std::size_t>(window, plain.size() - start));
    std::uint64_t streamStart = stream.size();
    BitWriter header;
    header.bits(0, 1);
    header.bits(3, 3);
    header.bits(length >> 8, 16);
    header.bits(length & 0xFF, 8);
    stream += header.finish();
    for (int r = 0; r < 3; ++r) put32(stream, 1);
    std::uint64_t dataStart = stream.size();
    for (std::uint32_t block = 0; block * kBlockLength < length; ++block)
      blockOffsets.push_back(block == 0 ? streamStart : dataStart + std::uint64_t{block} * kBlockLength);
    stream.append(plain, start, length);
    if (length & 1) stream += '\0';
  }
  return stream;
}

std::string ChmBuilder::build() {
  struct Entry {
    std::string name;
    std::uint32_t section, offset, length;
  };
  std::vector<Entry> entries;
  std::string section0;
  std::string plain;
  placed_.clear();

  auto place0 = [&](const std::string& name, const std::string& data) {
    std::uint32_t offset = static_cast<std::uint32_t>(section0.size());
    placed_[name] = offset;
    section0 += data;
    return offset;
  };

  for (const Item& item : items_) {
    if (item.raw) {
      entries.push_back({item.name, item.section, item.offset, item.length});
    } else if (item.compressed && compressedSection_) {
      entries.push_back({item.name, 1, static_cast<std::uint32_t>(plain.size()),
                         static_cast<std::uint32_t>(item.data.size())});
      plain += item.data;
    } else {
      std::uint32_t offset = place0(item.name, item.data);
      entries.push_back({item.name, 0, offset, static_cast<std::uint32_t>(item.data.size())});
    }
  }

  // Generated system files, unless the test gave its own.
  std::map<std::string, std::string, std::less<>> system;
  {
    std::string names;
    std::vector<std::string> sections = {"Uncompressed"};
    if (compressedSection_) sections.push_back("MSCompressed");
    std::string list;
    put16(list, static_cast<std::uint32_t>(sections.size()));
    for (const std::string& name : sections) {
      put16(list, static_cast<std::uint32_t>(name.size()));
      for (char c : name) put16(list, static_cast<std::uint8_t>(c));
      put16(list, 0);
    }
    std::string nameList;
    put16(nameList, static_cast<std::uint32_t>((list.size() + 2) / 2));
    nameList += list;
    system["::DataSpace/NameList"] = nameList;
  }
  if (compressedSection_) {
    std::vector<std::uint64_t> blockOffsets;
    std::string stream = lzxStream(plain, blockOffsets);
    std::string control;
    put32(control, 6);
    control += "LZXC";
    put32(control, 2);
    put32(control, windowBlocks_);
    put32(control, windowBlocks_);
    put32(control, 1);
    put32(control, 0);
    system["::DataSpace/Storage/MSCompressed/ControlData"] = control;
    std::string table;
    put32(table, 2);
    put32(table, static_cast<std::uint32_t>(blockOffsets.size()));
    put32(table, 8);
    put32(table, 40);
    put64(table, plain.size());
    put64(table, stream.size());
    put64(table, kBlockLength);
    for (std::uint64_t offset : blockOffsets) put64(table, offset);
    system["::DataSpace/Storage/MSCompressed/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/InstanceData/"
           "ResetTable"] = table;
    system["::DataSpace/Storage/MSCompressed/Content"] = stream;
  }
  for (const auto& [name, data] : replacements_) system[name] = data;
  for (const std::string& name : omitted_) system.erase(name);
  for (const auto& [name, data] : system) {
    std::uint32_t offset = place0(name, data);
    entries.push_back({name, 0, offset, static_cast<std::uint32_t>(data.size())});
  }

  // Listing chunks, entries in the order above.
  std::vector<std::string> areas(1);
  for (const Entry& e : entries) {
    std::string record;
    putEncint(record, static_cast<std::uint32_t>(e.name.size()));
    record += e.name;
    putEncint(record, e.section);
    putEncint(record, e.offset);
    putEncint(record, e.length);
    if (areas.back().size() + record.size() > chunkSize_ - 20) areas.emplace_back();
    areas.back() += record;
  }
  std::string chunks;
  for (std::size_t i = 0; i < areas.size(); ++i) {
    std::string chunk = "PMGL";
    put32(chunk, static_cast<std::uint32_t>(chunkSize_ - 20 - areas[i].size()));
    put32(chunk, 0);
    put32(chunk, i == 0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(i - 1));
    put32(chunk, i + 1 == areas.size() ? 0xFFFFFFFFu : static_cast<std::uint32_t>(i + 1));
    chunk += areas[i];
    chunk.resize(chunkSize_, '\0');
    chunks += chunk;
  }

  const std::uint32_t headerLength = 0x60;
  const std::uint32_t section0RecordOffset = headerLength;
  const std::uint32_t directoryOffset = section0RecordOffset + 24;
  const std::uint32_t directoryLength = 84 + static_cast<std::uint32_t>(chunks.size());
  const std::uint32_t contentOffset = directoryOffset + directoryLength;
  const std::uint64_t fileSize = std::uint64_t{contentOffset} + section0.size();

  std::string out = "ITSF";
  put32(out, 3);
  put32(out, headerLength);
  put32(out, 1);
  put32(out, 0x12345678);
  put32(out, language_);
  putGuid(out, 0x7C01FD10);
  putGuid(out, 0x7C01FD11);
  put64(out, section0RecordOffset);
  put64(out, 24);
  put64(out, directoryOffset);
  put64(out, directoryLength);
  put64(out, contentOffset);

  put32(out, 0x1FE);
  put32(out, 0);
  put64(out, fileSize);
  put64(out, 0);

  out += "ITSP";
  put32(out, 1);
  put32(out, 84);
  put32(out, 10);
  put32(out, chunkSize_);
  put32(out, 2);
  put32(out, 1);
  put32(out, 0xFFFFFFFFu);
  put32(out, 0);
  put32(out, static_cast<std::uint32_t>(areas.size() - 1));
  put32(out, 0xFFFFFFFFu);
  put32(out, static_cast<std::uint32_t>(areas.size()));
  put32(out, language_);
  putGuid(out, 0x5D02926A);
  put32(out, 84);
  put32(out, 0xFFFFFFFFu);
  put32(out, 0xFFFFFFFFu);
  put32(out, 0xFFFFFFFFu);
  out += chunks;
  out += section0;
  return out;
}

std::filesystem::path ChmBuilder::write(const std::filesystem::path& path) {
  std::string bytes = build();
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("cannot write " + path.string());
  return path;
}

}  // namespace pgwk::test
