#pragma once
// Writes full-text index files ("$FIftiMain") of a chosen layout for tests: the
// words of each leaf node with their topic lists, laid out as the compiler does
// (each leaf's topic lists just before the leaf), and the header fields the search
// reads.

#include <cstdint>
#include <string>
#include <vector>

namespace pgwk::test {

struct IndexTopic {
  std::int32_t topic = 0;
  std::uint32_t count = 1;  // as many location codes follow
};

struct IndexWord {
  std::string word;
  std::vector<IndexTopic> topics;  // in increasing topic order
  std::uint8_t context = 0;
};

struct IndexLayout {
  std::uint8_t topicRoot = 2;
  std::uint8_t countRoot = 1;
  std::uint8_t locationRoot = 5;
  std::uint32_t nodeLength = 4096;
  std::uint16_t depth = 2;
  std::uint32_t wordTotal = 0;  // 0: the number of words
};

// Appends bits to a byte vector, most significant bit first.
class BitWriter {
 public:
  void bit(unsigned b);
  void bits(std::uint32_t value, unsigned n);
  void srCode(std::uint32_t value, unsigned root);
  void align();
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  unsigned used_ = 8;
};

void appendVarInt(std::vector<std::uint8_t>& out, std::uint32_t value);
std::vector<std::uint8_t> topicListBytes(const std::vector<IndexTopic>& topics, const IndexLayout& layout);

// Offsets of interesting places in a built image, for tests that damage it.
struct IndexImage {
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint32_t> leafOffsets;
  std::vector<std::vector<std::uint32_t>> topicListOffsets;  // per leaf, per word
};

IndexImage buildIndexImage(const std::vector<std::vector<IndexWord>>& leaves, const IndexLayout& layout = {});

void put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value);
void put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value);

}  // namespace pgwk::test
