#include <gtest/gtest.h>

#include <fstream>

#include "persistence/container_stamp.h"
#include "persistence_fixture.h"
#include "support/corpus.h"

namespace pgwk {
namespace {

void putLe32(std::string& bytes, std::size_t at, std::uint32_t v) {
  if (bytes.size() < at + 4) bytes.resize(at + 4, '\0');
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
}

// A container header whose section-0 record at `offset` carries `mark` and `size`.
std::string container(std::uint32_t offset, std::uint32_t mark, std::uint32_t size, std::size_t length) {
  std::string bytes(length, '\0');
  bytes.replace(0, 4, "ITSF");
  putLe32(bytes, 56, offset);
  if (std::uint64_t(offset) + 24 <= length) {
    putLe32(bytes, offset, mark);
    putLe32(bytes, offset + 8, size);
  }
  return bytes;
}

TEST(ContainerStamp, ReadsTheSizeFieldOfTheSectionZeroRecord) {
  test::TempFolder dir;
  struct Case {
    const char* what;
    std::string bytes;
    std::uint32_t stamp;
  } cases[] = {
      {"valid", container(96, 0x1FE, 123456, 200), 123456},
      {"record at the very end", container(176, 0x1FE, 77, 200), 77},
      {"wrong mark", container(96, 0x1FF, 123456, 200), 0},
      {"record past the end", container(190, 0x1FE, 5, 200), 0},
      {"offset far away", container(0xFFFFFFF0u, 0x1FE, 5, 200), 0},
      {"short header", std::string(40, 'I'), 0},
      {"empty file", std::string(), 0},
  };
  for (const Case& c : cases) {
    auto path = dir.path() / (std::string(c.what) + ".chm");
    std::ofstream(path, std::ios::binary) << c.bytes;
    EXPECT_EQ(containerSizeStamp(path), c.stamp) << c.what;
  }
  EXPECT_EQ(containerSizeStamp(dir.path() / "missing.chm"), 0u);
  EXPECT_EQ(containerSizeStamp(dir.path()), 0u);  // a folder
}

// Books written by real compilers record their own size there.
TEST(ContainerStamp, RealBooksRecordTheirFileSize) {
  PGWK_REQUIRE_CORPUS();
  auto books = test::corpusBooks("real");
  auto generated = test::corpusBooks("generated");
  books.insert(books.end(), generated.begin(), generated.end());
  ASSERT_FALSE(books.empty());
  for (const auto& book : books)
    EXPECT_EQ(containerSizeStamp(book), static_cast<std::uint32_t>(std::filesystem::file_size(book))) << book;
  // Malformed books give an answer, never a crash.
  for (const auto& book : test::corpusBooks("bad")) (void)containerSizeStamp(book);
}

}  // namespace
}  // namespace pgwk
