#include "index_image.h"

#include <algorithm>
#include <stdexcept>

namespace pgwk::test {

void BitWriter::bit(unsigned b) {
  if (used_ == 8) {
    bytes_.push_back(0);
    used_ = 0;
  }
  if (b) bytes_.back() |= static_cast<std::uint8_t>(0x80u >> used_);
  ++used_;
}

void BitWriter::bits(std::uint32_t value, unsigned n) {
  for (unsigned i = n; i > 0; --i) bit((value >> (i - 1)) & 1u);
}

void BitWriter::srCode(std::uint32_t value, unsigned root) {
  if (value < (std::uint64_t{1} << root)) {
    bit(0);
    bits(value, root);
    return;
  }
  unsigned p = 1;
  while (std::uint64_t{value} >= (std::uint64_t{1} << (root + p))) ++p;
  for (unsigned i = 0; i < p; ++i) bit(1);
  bit(0);
  unsigned n = root + p - 1;
  bits(static_cast<std::uint32_t>(value - (std::uint64_t{1} << n)), n);
}

void BitWriter::align() { used_ = 8; }

void appendVarInt(std::vector<std::uint8_t>& out, std::uint32_t value) {
  do {
    std::uint8_t low = value & 0x7F;
    value >>= 7;
    out.push_back(value ? low | 0x80 : low);
  } while (value);
}

void put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<std::uint8_t>(value);
  bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

std::vector<std::uint8_t> topicListBytes(const std::vector<IndexTopic>& topics, const IndexLayout& layout) {
  BitWriter w;
  std::int32_t previous = 0;
  for (const IndexTopic& t : topics) {
    w.srCode(static_cast<std::uint32_t>(t.topic - previous), layout.topicRoot);
    previous = t.topic;
    w.srCode(t.count, layout.countRoot);
    for (std::uint32_t k = 0; k < t.count; ++k) w.srCode(k + 1, layout.locationRoot);
    w.align();
  }
  return w.bytes();
}

IndexImage buildIndexImage(const std::vector<std::vector<IndexWord>>& leaves, const IndexLayout& layout) {
  IndexImage image;
  std::vector<std::uint8_t>& out = image.bytes;
  out.assign(0x4A, 0);
  std::uint32_t words = 0;
  for (const auto& leaf : leaves) {
    // The topic lists first, then the node that points at them.
    std::vector<std::uint32_t> listOffsets;
    std::vector<std::uint32_t> listLengths;
    for (const IndexWord& w : leaf) {
      std::vector<std::uint8_t> list = topicListBytes(w.topics, layout);
      listOffsets.push_back(static_cast<std::uint32_t>(out.size()));
      listLengths.push_back(static_cast<std::uint32_t>(list.size()));
      out.insert(out.end(), list.begin(), list.end());
    }
    std::vector<std::uint8_t> node(layout.nodeLength, 0);
    std::size_t at = 8;
    std::string previous;
    for (std::size_t i = 0; i < leaf.size(); ++i) {
      const IndexWord& w = leaf[i];
      std::size_t prefix = 0;
      while (prefix < previous.size() && prefix < w.word.size() && prefix < 255 &&
             previous[prefix] == w.word[prefix])
        ++prefix;
      std::vector<std::uint8_t> entry;
      entry.push_back(static_cast<std::uint8_t>(w.word.size() - prefix + 1));
      entry.push_back(static_cast<std::uint8_t>(prefix));
      entry.insert(entry.end(), w.word.begin() + prefix, w.word.end());
      entry.push_back(w.context);
      appendVarInt(entry, static_cast<std::uint32_t>(w.topics.size()));
      entry.resize(entry.size() + 4 + 2);
      put32(entry, entry.size() - 6, listOffsets[i]);
      appendVarInt(entry, listLengths[i]);
      if (at + entry.size() > node.size()) throw std::length_error("leaf node overflow");
      std::copy(entry.begin(), entry.end(), node.begin() + at);
      at += entry.size();
      previous = w.word;
      ++words;
    }
    put16(node, 6, static_cast<std::uint16_t>(layout.nodeLength - at));
    image.leafOffsets.push_back(static_cast<std::uint32_t>(out.size()));
    image.topicListOffsets.push_back(listOffsets);
    out.insert(out.end(), node.begin(), node.end());
  }
  // The index nodes above the leaves follow the last leaf.
  std::uint32_t lastLeaf = image.leafOffsets.empty() ? 0 : image.leafOffsets.back();
  out.resize(out.size() + std::size_t{4096} * (layout.depth > 0 ? layout.depth - 1 : 0), 0);
  put32(out, 0x08, lastLeaf + 4096u * (layout.depth > 0 ? layout.depth - 1 : 0));
  put32(out, 0x10, static_cast<std::uint32_t>(leaves.size()));
  put16(out, 0x18, layout.depth);
  out[0x1E] = out[0x20] = out[0x22] = 2;
  out[0x1F] = layout.topicRoot;
  out[0x21] = layout.countRoot;
  out[0x23] = layout.locationRoot;
  put32(out, 0x2E, layout.nodeLength);
  put32(out, 0x46, layout.wordTotal ? layout.wordTotal : words);
  return image;
}

}  // namespace pgwk::test
