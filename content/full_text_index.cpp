#include "content/full_text_index.h"

#include <limits>

#include "foundation/reader_error.h"

namespace pgwk {

namespace {

// The distance between the last leaf and the position the header names grows by one
// index node per tree level above the leaves; index nodes are this long whatever
// the header says of leaf nodes.
constexpr std::int64_t kIndexNodeLength = 4096;
// A 32-bit value never needs more than five 7-bit groups.
constexpr int kMaxVarIntBytes = 5;
constexpr unsigned kMaxCodeBits = 31;

[[noreturn]] void damaged(const char* what) { raiseError(kDamagedIndexMessage, what); }

std::uint32_t read32(IndexBytes file, std::size_t at) {
  return std::uint32_t{file[at]} | std::uint32_t{file[at + 1]} << 8 | std::uint32_t{file[at + 2]} << 16 |
         std::uint32_t{file[at + 3]} << 24;
}

std::uint16_t read16(IndexBytes file, std::size_t at) {
  return static_cast<std::uint16_t>(file[at] | file[at + 1] << 8);
}

bool nodeFits(IndexBytes file, std::int64_t offset, std::uint32_t nodeLength) {
  return offset >= 0 && static_cast<std::uint64_t>(offset) + nodeLength <= file.size();
}

}  // namespace

FullTextHeader FullTextHeader::read(IndexBytes file) {
  if (file.size() < kSize) damaged("the header is incomplete");
  FullTextHeader h;
  h.lastLeafBase = read32(file, 0x08);
  h.leafCount = read32(file, 0x10);
  h.depth = read16(file, 0x18);
  h.topicRoot = file[0x1F];
  h.countRoot = file[0x21];
  h.locationRoot = file[0x23];
  h.nodeLength = read32(file, 0x2E);
  h.wordTotal = read32(file, 0x46);
  return h;
}

LeafTable buildLeafTable(IndexBytes file, const std::function<void()>& progressStep) {
  LeafTable table;
  table.header = FullTextHeader::read(file);
  const FullTextHeader& h = table.header;
  if (h.leafCount == 0) return table;
  if (h.nodeLength < LeafWalker::kEntriesStart || h.nodeLength > file.size())
    damaged("the node length does not fit the file");
  // Leaves do not overlap, so a count the file cannot hold is damage, and checking it
  // first keeps a forged count from sizing the table.
  if (h.leafCount > file.size() / h.nodeLength) damaged("more leaf nodes than the file can hold");

  table.offsets.resize(h.leafCount);
  std::int64_t last = std::int64_t{h.lastLeafBase} - (std::int64_t{h.depth} - 1) * kIndexNodeLength;
  if (!nodeFits(file, last, h.nodeLength)) damaged("the last leaf node lies outside the file");
  table.offsets[h.leafCount - 1] = static_cast<std::uint32_t>(last);
  if (progressStep) progressStep();

  for (std::int64_t i = std::int64_t{h.leafCount} - 2; i >= 0; --i) {
    LeafWalker next(file, table.offsets[i + 1], h.nodeLength);
    WordEntry first;
    if (!next.next(first)) damaged("a leaf node holds no words");
    std::int64_t offset = std::int64_t{first.topicListOffset} - h.nodeLength;
    if (!nodeFits(file, offset, h.nodeLength)) damaged("a leaf node lies outside the file");
    table.offsets[i] = static_cast<std::uint32_t>(offset);
    if (progressStep) progressStep();
  }
  return table;
}

std::uint32_t readVarInt(IndexBytes file, std::size_t& position, std::size_t end) {
  std::uint64_t value = 0;
  for (int k = 0; k < kMaxVarIntBytes; ++k) {
    if (position >= end) damaged("a number runs past its node");
    std::uint8_t byte = file[position++];
    value |= std::uint64_t{byte & 0x7Fu} << (7 * k);
    if (!(byte & 0x80)) {
      if (value > std::numeric_limits<std::uint32_t>::max()) damaged("a number is too large");
      return static_cast<std::uint32_t>(value);
    }
  }
  damaged("a number is too long");
}

unsigned BitReader::readBit() {
  if (byte_ >= end_) damaged("a code runs past its topic list");
  unsigned bit = (file_[byte_] >> (7 - bit_)) & 1u;
  if (++bit_ == 8) {
    bit_ = 0;
    ++byte_;
  }
  return bit;
}

std::uint32_t BitReader::readBits(unsigned n) {
  std::uint32_t value = 0;
  for (unsigned i = 0; i < n; ++i) value = value << 1 | readBit();
  return value;
}

std::uint32_t BitReader::readSrCode(unsigned root) {
  unsigned p = 0;
  while (readBit()) {
    if (++p + root > kMaxCodeBits + 1) damaged("a code is too long");
  }
  unsigned n = p > 1 ? root + p - 1 : root;
  if (n > kMaxCodeBits) damaged("a code is too long");
  std::uint32_t v = readBits(n);
  if (p == 0) return v;
  return v + (std::uint32_t{1} << (root + p - 1));
}

void BitReader::alignToByte() {
  if (bit_ == 0) return;
  bit_ = 0;
  ++byte_;
}

LeafWalker::LeafWalker(IndexBytes file, std::uint32_t nodeOffset, std::uint32_t nodeLength)
    : file_(file), position_(nodeOffset) {
  if (nodeLength < kEntriesStart || !nodeFits(file, nodeOffset, nodeLength))
    damaged("a leaf node lies outside the file");
  auto freeSpace = static_cast<std::int16_t>(read16(file, nodeOffset + 6));
  std::int64_t used = std::int64_t{nodeLength} - freeSpace;
  if (used < static_cast<std::int64_t>(kEntriesStart) || used > nodeLength)
    damaged("a leaf node's free space does not fit the node");
  position_ = std::size_t{nodeOffset} + kEntriesStart;
  end_ = std::size_t{nodeOffset} + static_cast<std::size_t>(used);
}

bool LeafWalker::next(WordEntry& entry) {
  if (position_ >= end_) return false;
  if (end_ - position_ < 2) damaged("a word entry runs past its node");
  std::size_t newCharacters = file_[position_];
  std::size_t prefix = file_[position_ + 1];
  position_ += 2;
  if (newCharacters == 0) damaged("a word entry has no length");
  --newCharacters;
  if (prefix > previous_.size()) damaged("a word shares more characters than the previous word has");
  if (prefix + newCharacters > kMaxWordLength) damaged("a word is too long");
  // The new characters, the context byte, the shortest topic count, the topic-list
  // offset, two unused bytes and the shortest topic-list length.
  if (end_ - position_ < newCharacters + 1 + 1 + 4 + 2 + 1) damaged("a word entry runs past its node");

  entry.word.assign(previous_, 0, prefix);
  entry.word.append(reinterpret_cast<const char*>(file_.data() + position_), newCharacters);
  position_ += newCharacters;
  entry.context = file_[position_++];
  entry.topicCount = readVarInt(file_, position_, end_);
  if (end_ - position_ < 4 + 2) damaged("a word entry runs past its node");
  entry.topicListOffset = read32(file_, position_);
  position_ += 4 + 2;
  entry.topicListLength = readVarInt(file_, position_, end_);
  previous_ = entry.word;
  return true;
}

void decodeTopicList(IndexBytes file, const FullTextHeader& header, const WordEntry& entry,
                     const std::function<bool(std::int32_t topic, std::int32_t count)>& topic) {
  std::size_t begin = entry.topicListOffset;
  if (begin > file.size() || entry.topicListLength > file.size() - begin)
    damaged("a topic list lies outside the file");
  BitReader bits(file, begin, begin + entry.topicListLength);
  std::int64_t number = 0;
  for (std::uint32_t i = 0; i < entry.topicCount && !bits.atEnd(); ++i) {
    number += bits.readSrCode(header.topicRoot);
    if (number > std::numeric_limits<std::int32_t>::max()) damaged("a topic number is too large");
    std::uint32_t count = bits.readSrCode(header.countRoot);
    if (count > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
      damaged("an occurrence count is too large");
    for (std::uint32_t k = 0; k < count; ++k) bits.readSrCode(header.locationRoot);
    bits.alignToByte();
    if (!topic(static_cast<std::int32_t>(number), static_cast<std::int32_t>(count))) return;
  }
}

}  // namespace pgwk
