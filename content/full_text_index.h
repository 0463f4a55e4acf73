#pragma once
// Reading a book's full-text index ("$FIftiMain"): its header, the table of leaf
// node offsets, the word entries of a leaf node and the compressed topic lists.
// Every offset, length and count comes from the book and is checked against the
// bytes before it is used; a damaged index raises a ReaderError, never reads out of
// bounds and never loops without end.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace pgwk {

using IndexBytes = std::span<const std::uint8_t>;

// The message every decoding failure carries; %s says what was found wrong.
inline constexpr const char* kDamagedIndexMessage = "Full-text index is damaged: %s.";

struct FullTextHeader {
  // The header fields the search reads lie below this size.
  static constexpr std::size_t kSize = 0x4A;

  std::uint32_t lastLeafBase = 0;  // the last leaf is this - (depth - 1) * 4096
  std::uint32_t leafCount = 0;
  std::uint16_t depth = 0;
  std::uint8_t topicRoot = 0;
  std::uint8_t countRoot = 0;
  std::uint8_t locationRoot = 0;
  std::uint32_t nodeLength = 0;
  std::uint32_t wordTotal = 0;  // only paces the progress display

  // Raises when the file is too short to hold a header.
  static FullTextHeader read(IndexBytes file);
};

// Start offsets of the leaf nodes, in file order.
struct LeafTable {
  std::vector<std::uint32_t> offsets;
  FullTextHeader header;
};

// Builds the leaf table from the topic-list offsets: the topic lists of a leaf's
// words lie between the previous leaf and the leaf itself, so the first word's list
// of leaf i + 1 tells where leaf i ends. `progressStep` is called once for the last
// leaf and once per further leaf, so the caller can pace a progress display.
LeafTable buildLeafTable(IndexBytes file, const std::function<void()>& progressStep = {});

// Reads a variable-length integer at `position` (advanced past it) below `end`.
std::uint32_t readVarInt(IndexBytes file, std::size_t& position, std::size_t end);

// A bit stream over [begin, end) of the file, read from the most significant bit of
// each byte.
class BitReader {
 public:
  BitReader(IndexBytes file, std::size_t begin, std::size_t end)
      : file_(file), byte_(begin), end_(end) {}

  // Raises when the stream is used up.
  unsigned readBit();
  std::uint32_t readBits(unsigned n);
  // One scale-2 s/r code with the given root.
  std::uint32_t readSrCode(unsigned root);
  // Moves on to the next whole byte (nothing happens at a byte boundary).
  void alignToByte();
  bool atEnd() const { return byte_ >= end_; }
  std::size_t bytePosition() const { return byte_; }

 private:
  IndexBytes file_;
  std::size_t byte_;
  std::size_t end_;
  unsigned bit_ = 0;  // bits of the current byte already read
};

// One word of a leaf node.
struct WordEntry {
  std::string word;  // rebuilt from the previous word's shared prefix
  std::uint8_t context = 0;  // 1 when the entry counts the word's occurrences in titles
  std::uint32_t topicCount = 0;
  std::uint32_t topicListOffset = 0;
  std::uint32_t topicListLength = 0;
};

// Walks the word entries of one leaf node, rebuilding each word from the previous.
class LeafWalker {
 public:
  static constexpr std::size_t kEntriesStart = 8;
  static constexpr std::size_t kMaxWordLength = 509;

  // Raises when the node does not lie inside the file or its free-space field does
  // not leave room for entries between byte 8 and the node's end.
  LeafWalker(IndexBytes file, std::uint32_t nodeOffset, std::uint32_t nodeLength);

  // Reads the next entry into `entry`; false when the node has no more. Raises when
  // an entry runs past the node or its prefix is longer than the previous word.
  bool next(WordEntry& entry);

 private:
  IndexBytes file_;
  std::size_t position_;
  std::size_t end_;
  std::string previous_;
};

// Decodes the topic list of a word: for at most topicCount topics and while the
// stream lies before the list's end, calls `topic(topicNumber, occurrences)`. The
// callback returns false to stop early. Raises when the list lies outside the file,
// when a code runs past the list or a topic number does not fit in 31 bits.
void decodeTopicList(IndexBytes file, const FullTextHeader& header, const WordEntry& entry,
                     const std::function<bool(std::int32_t topic, std::int32_t count)>& topic);

}  // namespace pgwk
