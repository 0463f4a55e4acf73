#include <gtest/gtest.h>

#include <cstring>

#include "foundation/byte_buffer.h"
#include "foundation/ptr_array.h"
#include "foundation/reader_error.h"

namespace pgwk {
namespace {

bool spareBytesAreZero(const ByteBuffer& b) {
  for (std::uint32_t i = b.length(); i < b.capacity(); ++i)
    if (b.data()[i] != 0) return false;
  return true;
}

TEST(ByteBuffer, GrowsInWholeStepsWithOneExtraOnExactMultiple) {
  struct Case {
    std::uint32_t capacity;
    int growth;
    std::uint32_t first, second;
    std::uint32_t expectedCapacity;
  } cases[] = {
      {100, 10, 95, 25, 130},  // excess 20 -> 3 steps
      {200, 50, 260, 0, 300},  // excess 60 -> 2 steps
      {100, 10, 100, 10, 120},  // exact multiple still adds one more step
      {10, 5, 10, 0, 10},      // filling exactly needs no growth
  };
  for (const Case& c : cases) {
    ByteBuffer b(c.capacity, c.growth);
    b.extend(c.first);
    b.extend(c.second);
    EXPECT_EQ(b.capacity(), c.expectedCapacity) << c.capacity << "/" << c.growth;
    EXPECT_EQ(b.length(), c.first + c.second);
    EXPECT_TRUE(spareBytesAreZero(b));
  }
}

TEST(ByteBuffer, ExtendByZeroOnFullBufferDoesNotReallocate) {
  ByteBuffer b(8, 4);
  b.append("abcdefg", 7);
  const std::uint8_t* before = b.data();
  b.extend(0);
  EXPECT_EQ(b.data(), before);
  EXPECT_EQ(b.capacity(), 8u);
}

TEST(ByteBuffer, SpliceGrowsAndShrinks) {
  ByteBuffer b(16, 16);
  b.append(std::string_view("hello world"));
  std::uint8_t* after = b.splice(6, 5, "there, friend", 13);
  EXPECT_EQ(b.view(), "hello there, friend");
  EXPECT_EQ(after, b.data() + 19);

  const std::uint8_t* block = b.data();
  b.splice(0, 6, "", 0);
  EXPECT_EQ(b.view(), "there, friend");
  EXPECT_EQ(b.data(), block);  // shrinking keeps the block
  // The bytes after the new end are not cleared.
  EXPECT_EQ(b.data()[b.length()], 'f');
}

TEST(ByteBuffer, SetLengthOnlyInsideTheBlock) {
  ByteBuffer b(10, 5);
  b.append(std::string_view("abc"));
  b.setLength(10);
  EXPECT_EQ(b.length(), 3u);
  b.setLength(-1);
  EXPECT_EQ(b.length(), 3u);
  b.setLength(9);
  EXPECT_EQ(b.length(), 9u);
}

TEST(ByteBuffer, AppendStringKeepsTerminators) {
  ByteBuffer b(4, 4);
  b.appendString("ab");
  b.appendString("c");
  EXPECT_EQ(b.length(), 5u);
  EXPECT_STREQ(b.chars(), "ab");
  EXPECT_STREQ(b.chars() + 3, "c");
}

TEST(PtrArray, AddRemoveIndexOf) {
  PtrArray<int> a(1, 1);
  for (int i = 0; i < 4; ++i) a.add(std::make_unique<int>(i));
  EXPECT_EQ(a.count(), 4);
  EXPECT_EQ(a.capacity(), 4);
  EXPECT_EQ(a.indexOf(nullptr), -1);
  int* third = a.at(2);
  EXPECT_EQ(a.indexOf(third), 2);

  a.removeAt(3);  // the last one
  EXPECT_EQ(a.count(), 3);
  EXPECT_EQ(*a.at(0), 0);
  EXPECT_EQ(*a.at(2), 2);

  a.removeAt(0);
  EXPECT_EQ(*a.at(0), 1);
  EXPECT_EQ(a.indexOf(third), 1);

  a.removeAt(7);  // outside: nothing
  a.removeAt(-1);
  EXPECT_EQ(a.count(), 2);
}

TEST(PtrArray, NegativeCapacityCountsAsZero) {
  PtrArray<int> a(-3, 2);
  EXPECT_EQ(a.capacity(), 0);
  a.add(std::make_unique<int>(1));
  EXPECT_EQ(a.capacity(), 2);
}

TEST(ReaderError, MessageIsBounded) {
  std::string longPath(600, 'x');
  try {
    raiseError("Can't open file: %s.", longPath.c_str());
    FAIL();
  } catch (const ReaderError& e) {
    EXPECT_EQ(e.message().size(), ReaderError::kMaxMessage);
    EXPECT_EQ(e.message().substr(0, 16), "Can't open file:");
  }
}

}  // namespace
}  // namespace pgwk
