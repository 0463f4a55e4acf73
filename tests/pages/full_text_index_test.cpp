// Decoding the full-text index: codes, numbers, word entries, topic lists and the
// leaf table, and how each kind of damage is refused.

#include <gtest/gtest.h>

#include "content/full_text_index.h"
#include "foundation/reader_error.h"
#include "index_image.h"

namespace pgwk {
namespace {

using test::buildIndexImage;
using test::IndexLayout;
using test::IndexWord;

std::vector<std::uint8_t> bitsToBytes(const std::string& bits) {
  test::BitWriter w;
  for (char c : bits)
    if (c == '0' || c == '1') w.bit(c == '1');
  return w.bytes();
}

struct SrCase {
  const char* bits;
  unsigned root;
  std::uint32_t value;
  std::size_t bitsUsed;
};

TEST(SrCode, DecodesTheDocumentedExamplesAndRoots) {
  const SrCase cases[] = {
      {"011", 2, 3, 3},          // p = 0: r bits as they stand
      {"1001", 2, 5, 4},         // p = 1: r bits, plus 2^r
      {"110111", 2, 15, 6},      // p = 2: r + 1 bits, plus 2^(r+1)
      {"000", 2, 0, 3},
      {"0", 0, 0, 1},            // root 0: a lone 0 is the value 0
      {"10", 0, 1, 2},           // and 1 0 is 2^0
      {"1101", 0, 3, 4},         // p = 2, one bit
      {"11100000", 1, 8, 7},     // p = 3, r + 2 = 3 bits
  };
  for (const SrCase& c : cases) {
    std::vector<std::uint8_t> bytes = bitsToBytes(c.bits);
    BitReader reader(bytes, 0, bytes.size());
    EXPECT_EQ(reader.readSrCode(c.root), c.value) << c.bits;
    // What is left over is consumed bit by bit up to the byte's end.
    std::size_t rest = 0;
    while (!reader.atEnd()) {
      reader.readBit();
      ++rest;
    }
    EXPECT_EQ(bytes.size() * 8 - rest, c.bitsUsed) << c.bits;
  }
}

TEST(SrCode, RoundTripsThroughTheWriter) {
  for (unsigned root : {0u, 1u, 2u, 5u, 7u}) {
    test::BitWriter w;
    std::vector<std::uint32_t> values = {0, 1, 2, 3, 4, 31, 32, 33, 1000, 65535, 0x7FFFFFFFu};
    for (std::uint32_t v : values) w.srCode(v, root);
    std::vector<std::uint8_t> bytes = w.bytes();
    BitReader reader(bytes, 0, bytes.size());
    for (std::uint32_t v : values) EXPECT_EQ(reader.readSrCode(root), v) << "root " << root;
  }
}

TEST(SrCode, RefusesCodesThatRunPastTheListOrDoNotFit) {
  const struct {
    std::vector<std::uint8_t> bytes;
    unsigned root;
  } cases[] = {
      {{0xFF}, 2},                    // ones to the end of the list
      {{0xFE}, 2},                    // seven ones and the 0, then the bits are missing
      {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0},  // more than 31 value bits
      {{0x00, 0x00, 0x00, 0x00, 0x00}, 40},  // a root beyond 31 bits
  };
  for (const auto& c : cases) {
    BitReader reader(c.bytes, 0, c.bytes.size());
    EXPECT_THROW(reader.readSrCode(c.root), ReaderError);
  }
}

TEST(VarInt, ReadsLowGroupsFirstAndRefusesOverlongOrTruncatedNumbers) {
  const struct {
    std::vector<std::uint8_t> bytes;
    std::uint32_t value;
    std::size_t used;
  } good[] = {
      {{0x81, 0x01}, 129, 2}, {{0x00}, 0, 1}, {{0x7F, 0x55}, 127, 1},
      {{0xFF, 0xFF, 0xFF, 0xFF, 0x0F}, 0xFFFFFFFFu, 5},
  };
  for (const auto& c : good) {
    std::size_t position = 0;
    EXPECT_EQ(readVarInt(c.bytes, position, c.bytes.size()), c.value);
    EXPECT_EQ(position, c.used);
  }
  const std::vector<std::uint8_t> bad[] = {
      {0x81},                              // ends inside the number
      {0xFF, 0xFF, 0xFF, 0xFF, 0x1F},      // 33 bits
      {0x80, 0x80, 0x80, 0x80, 0x80, 0x01},  // six groups
  };
  for (const auto& bytes : bad) {
    std::size_t position = 0;
    EXPECT_THROW(readVarInt(bytes, position, bytes.size()), ReaderError);
  }
}

std::vector<std::pair<int, int>> topicsOf(const std::vector<std::uint8_t>& file, const FullTextHeader& header,
                                          const WordEntry& entry) {
  std::vector<std::pair<int, int>> topics;
  decodeTopicList(file, header, entry, [&](std::int32_t t, std::int32_t c) {
    topics.emplace_back(t, c);
    return true;
  });
  return topics;
}

TEST(TopicList, TopicNumbersAreTheRunningSumOfTheDifferences) {
  IndexLayout layout;
  test::IndexImage image = buildIndexImage({{{"word", {{3, 2}, {3, 1}, {8, 4}}}}}, layout);
  // The writer stores differences; 3, 0, 5 must come back as 3, 3, 8.
  LeafTable table = buildLeafTable(image.bytes);
  LeafWalker walker(image.bytes, table.offsets[0], table.header.nodeLength);
  WordEntry entry;
  ASSERT_TRUE(walker.next(entry));
  EXPECT_EQ(entry.word, "word");
  EXPECT_EQ(entry.topicCount, 3u);
  std::vector<std::pair<int, int>> expected = {{3, 2}, {3, 1}, {8, 4}};
  EXPECT_EQ(topicsOf(image.bytes, table.header, entry), expected);
}

TEST(TopicList, StopsAtTheTopicCountOrTheListEndWhicheverComesFirst) {
  test::IndexImage image = buildIndexImage({{{"word", {{1, 1}, {2, 1}, {5, 1}}}}});
  FullTextHeader header = FullTextHeader::read(image.bytes);
  WordEntry entry;
  entry.topicListOffset = image.topicListOffsets[0][0];
  std::vector<std::uint8_t> list = test::topicListBytes({{1, 1}, {2, 1}, {5, 1}}, {});
  entry.topicListLength = static_cast<std::uint32_t>(list.size());

  entry.topicCount = 2;
  EXPECT_EQ(topicsOf(image.bytes, header, entry).size(), 2u);
  entry.topicCount = 100;  // more than the list holds: the list's end decides
  EXPECT_EQ(topicsOf(image.bytes, header, entry).size(), 3u);
}

TEST(TopicList, RefusesListsOutsideTheFileAndCodesPastTheirEnd) {
  test::IndexImage image = buildIndexImage({{{"word", {{1, 3}, {2, 3}}}}});
  FullTextHeader header = FullTextHeader::read(image.bytes);
  std::vector<std::uint8_t> list = test::topicListBytes({{1, 3}, {2, 3}}, {});
  WordEntry entry;
  entry.topicCount = 2;

  entry.topicListOffset = static_cast<std::uint32_t>(image.bytes.size()) - 1;
  entry.topicListLength = 2;
  EXPECT_THROW(topicsOf(image.bytes, header, entry), ReaderError);

  entry.topicListOffset = 0xFFFFFFF0u;
  entry.topicListLength = 0x20;
  EXPECT_THROW(topicsOf(image.bytes, header, entry), ReaderError);

  // A length that cuts the first topic's location codes short.
  entry.topicListOffset = image.topicListOffsets[0][0];
  entry.topicListLength = 1;
  ASSERT_GT(list.size(), 2u);
  EXPECT_THROW(topicsOf(image.bytes, header, entry), ReaderError);
}

TEST(LeafWalker, RebuildsWordsFromSharedPrefixes) {
  std::vector<IndexWord> words = {{"comp", {{1, 1}}}, {"compile", {{2, 1}}}, {"compiler", {{3, 1}}},
                                   {"complex", {{4, 1}}}, {"decompose", {{5, 1}}}};
  test::IndexImage image = buildIndexImage({words});
  LeafTable table = buildLeafTable(image.bytes);
  LeafWalker walker(image.bytes, table.offsets[0], table.header.nodeLength);
  WordEntry entry;
  for (const IndexWord& w : words) {
    ASSERT_TRUE(walker.next(entry));
    EXPECT_EQ(entry.word, w.word);
  }
  EXPECT_FALSE(walker.next(entry));
}

TEST(LeafWalker, AcceptsTheLongestWordAFileCanHold) {
  // A length byte holds at most 254 new characters and a prefix byte 255 shared
  // ones, so the longest word needs a 255-character word before it.
  std::string first(254, 'a');
  std::string second(255, 'a');
  std::string third = second + std::string(254, 'b');
  test::IndexImage image = buildIndexImage({{{first, {{1, 1}}}, {second, {{2, 1}}}, {third, {{3, 1}}}}});
  LeafWalker walker(image.bytes, image.leafOffsets[0], 4096);
  WordEntry entry;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(walker.next(entry));
  EXPECT_EQ(entry.word.size(), 509u);
}

// Each case damages one field of a one-leaf index and must be refused.
TEST(LeafWalker, RefusesDamagedNodesAndEntries) {
  test::IndexImage clean = buildIndexImage({{{"alpha", {{1, 1}}}, {"alphabet", {{2, 1}}}}});
  const std::uint32_t leaf = clean.leafOffsets[0];
  const struct {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> damage;
  } cases[] = {
      {"negative free space", [&](auto& b) { test::put16(b, leaf + 6, 0xFFF0); }},
      {"free space beyond the node", [&](auto& b) { test::put16(b, leaf + 6, 4095); }},
      {"zero length byte", [&](auto& b) { b[leaf + 8] = 0; }},
      {"first word with a prefix", [&](auto& b) { b[leaf + 9] = 3; }},
      {"prefix longer than the previous word",
       [&](auto& b) { b[leaf + 8 + 2 + 5 + 1 + 1 + 6 + 1 + 1] = 200; }},
      {"used part ending inside the second entry", [&](auto& b) { test::put16(b, leaf + 6, 4096 - 29); }},
      {"word past the used part", [&](auto& b) { b[leaf + 8] = 250; }},
  };
  for (const auto& c : cases) {
    std::vector<std::uint8_t> bytes = clean.bytes;
    c.damage(bytes);
    EXPECT_THROW(
        {
          LeafWalker walker(bytes, leaf, 4096);
          WordEntry entry;
          while (walker.next(entry)) {
          }
        },
        ReaderError)
        << c.what;
  }
  std::vector<std::uint8_t> bytes = clean.bytes;
  EXPECT_THROW(LeafWalker(bytes, static_cast<std::uint32_t>(bytes.size()) - 100, 4096), ReaderError);
  EXPECT_THROW(LeafWalker(bytes, 0xFFFFFFF0u, 4096), ReaderError);
}

TEST(LeafTable, FindsEveryLeafFromTheTopicListOffsets) {
  std::vector<std::vector<IndexWord>> leaves = {
      {{"apple", {{1, 1}}}, {"apricot", {{2, 1}}}},
      {{"banana", {{3, 2}}}},
      {{"cherry", {}}, {"citron", {{4, 1}}}},  // an empty first list still marks the place
  };
  for (std::uint16_t depth : {1, 2, 3}) {
    IndexLayout layout;
    layout.depth = depth;
    test::IndexImage image = buildIndexImage(leaves, layout);
    int steps = 0;
    LeafTable table = buildLeafTable(image.bytes, [&] { ++steps; });
    EXPECT_EQ(table.offsets, image.leafOffsets) << "depth " << depth;
    EXPECT_EQ(steps, 3);
  }
}

TEST(LeafTable, AnIndexWithoutLeavesHasAnEmptyTable) {
  test::IndexImage image = buildIndexImage({});
  test::put32(image.bytes, 0x08, 0xFFFFFFFFu);  // not looked at without leaves
  EXPECT_TRUE(buildLeafTable(image.bytes).offsets.empty());
}

TEST(LeafTable, RefusesHeadersAndOffsetsThatDoNotFitTheFile) {
  test::IndexImage clean = buildIndexImage({{{"one", {{1, 1}}}}, {{"two", {{2, 1}}}}});
  const struct {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> damage;
  } cases[] = {
      {"short header", [](auto& b) { b.resize(0x40); }},
      {"node length 0", [](auto& b) { test::put32(b, 0x2E, 0); }},
      {"node length beyond the file", [](auto& b) { test::put32(b, 0x2E, 0x7FFFFFFF); }},
      {"leaf count beyond the file", [](auto& b) { test::put32(b, 0x10, 0xFFFFFFFFu); }},
      {"last leaf beyond the file", [](auto& b) { test::put32(b, 0x08, 0x7FFFFFF0); }},
      {"last leaf before the file", [](auto& b) { test::put16(b, 0x18, 400); }},
      {"first topic list before a whole node", [&](auto& b) {
         test::put32(b, clean.leafOffsets[1] + 8 + 2 + 3 + 1 + 1, 100);
       }},
  };
  for (const auto& c : cases) {
    std::vector<std::uint8_t> bytes = clean.bytes;
    c.damage(bytes);
    EXPECT_THROW(buildLeafTable(bytes), ReaderError) << c.what;
  }
  EXPECT_THROW(FullTextHeader::read({}), ReaderError);
}

TEST(DamagedIndex, MessageSaysWhatWasWrong) {
  try {
    FullTextHeader::read({});
    FAIL();
  } catch (const ReaderError& e) {
    EXPECT_EQ(e.message(), "Full-text index is damaged: the header is incomplete.");
  }
}

}  // namespace
}  // namespace pgwk
