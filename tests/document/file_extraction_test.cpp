// Content sections and file extraction: the tables that describe the LZX section,
// spans, reads from both kinds of section through the work buffers, pre-sizing and
// every failure message, on containers written by the test helper.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "document/book.h"
#include "document/content_section.h"
#include "document_support.h"
#include "support/chm_builder.h"

namespace pgwk {
namespace {

using test::ChmBuilder;
using test::errorOf;
using test::put32;
using test::ScratchFolder;

constexpr std::uint32_t L = ChmBuilder::kBlockLength;
const std::string kControlData = "::DataSpace/Storage/MSCompressed/ControlData";
const std::string kResetTable =
    "::DataSpace/Storage/MSCompressed/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/InstanceData/ResetTable";

std::string patterned(std::size_t length, unsigned seed) {
  std::string text(length, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (char& c : text) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 23);
  }
  return text;
}

// Every book the reader opens needs these two. They are stored plain, so that a
// damaged compressed section shows first when a page is read.
ChmBuilder& withSystemFiles(ChmBuilder& builder) {
  return builder.add("/#SYSTEM", test::systemFile(3, {{3, test::zeroTerminated("Crafted")}}), false)
      .add("/#STRINGS", std::string(1, '\0'), false);
}

std::string resetTableBytes(std::uint32_t blocks, std::uint64_t uncompressed, std::uint64_t compressed,
                            std::uint32_t blockLength, const std::vector<std::uint32_t>& offsets) {
  std::string out;
  put32(out, 2);
  put32(out, blocks);
  put32(out, 8);
  put32(out, 40);
  put32(out, static_cast<std::uint32_t>(uncompressed));
  put32(out, static_cast<std::uint32_t>(uncompressed >> 32));
  put32(out, static_cast<std::uint32_t>(compressed));
  put32(out, static_cast<std::uint32_t>(compressed >> 32));
  put32(out, blockLength);
  put32(out, 0);
  for (std::uint32_t offset : offsets) {
    put32(out, offset);
    put32(out, 0);
  }
  return out;
}

const std::uint8_t* bytes(const std::string& s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }
std::uint32_t size32(const std::string& s) { return static_cast<std::uint32_t>(s.size()); }

// Tables.

TEST(SectionList, ListsNamesAndMarksOnlyMSCompressedAsCompressed) {
  std::string list;
  test::put16(list, 0);
  test::put16(list, 3);
  for (std::string name : {"Uncompressed", "MSCompressed", "mscompressed"}) {
    test::put16(list, static_cast<std::uint32_t>(name.size()));
    for (char c : name) test::put16(list, 0x4100 | static_cast<std::uint8_t>(c));  // the high byte is ignored
    test::put16(list, 0);
  }
  std::vector<ContentSection> sections = parseSectionList(bytes(list), size32(list));
  ASSERT_EQ(sections.size(), 3u);
  EXPECT_EQ(sections[0].name, "Uncompressed");
  EXPECT_FALSE(sections[0].compressed);
  EXPECT_EQ(sections[1].name, "MSCompressed");
  EXPECT_TRUE(sections[1].compressed);
  EXPECT_FALSE(sections[2].compressed);
  for (const ContentSection& s : sections) EXPECT_EQ(s.offset, 0u);
}

TEST(SectionList, RefusesCountsThatRunPastTheList) {
  auto list = [](std::uint32_t count, std::uint32_t nameLength, std::size_t characters) {
    std::string out;
    test::put16(out, 0);
    test::put16(out, count);
    test::put16(out, nameLength);
    for (std::size_t i = 0; i < characters; ++i) test::put16(out, 'A');
    return out;
  };
  for (const std::string& damaged : {list(2, 1, 2), list(1, 40, 3), list(0x8001, 1, 2), list(1, 0xFFFF, 3),
                                     std::string("\0", 1)}) {
    EXPECT_EQ(errorOf([&] { parseSectionList(bytes(damaged), size32(damaged)); }),
              "Corrupt content section list ::DataSpace/NameList.\n");
  }
  std::string good = list(1, 1, 2);
  EXPECT_EQ(parseSectionList(bytes(good), size32(good)).at(0).name, "A");
}

TEST(ControlData, WindowSizeGivesWindowBits) {
  struct Case {
    std::uint32_t window;
    unsigned bits;
    const char* error;
  } cases[] = {{2, 16, nullptr}, {4, 17, nullptr}, {8, 18, nullptr},
               {16, 0, "Not correct window size 16.\n"}, {0, 0, "Not correct window size 0.\n"},
               {1, 0, "Not correct window size 1.\n"}};
  for (const Case& c : cases) {
    std::string data;
    put32(data, 6);
    data += "LZXC";
    put32(data, 2);
    put32(data, c.window);
    put32(data, c.window);
    put32(data, 1);
    put32(data, 0);
    if (c.error) {
      EXPECT_EQ(errorOf([&] { parseControlData(bytes(data), size32(data)); }), c.error);
    } else {
      EXPECT_EQ(parseControlData(bytes(data), size32(data)).windowBits, c.bits) << c.window;
    }
  }
  std::string other = std::string("\6\0\0\0LZXD", 8) + std::string(20, '\2');
  EXPECT_EQ(errorOf([&] { parseControlData(bytes(other), size32(other)); }), "Not LZX compression algorithm.\n");
  std::string shortData = std::string("\6\0\0\0LZXC", 8);
  EXPECT_EQ(errorOf([&] { parseControlData(bytes(shortData), size32(shortData)); }),
            "Not LZX compression algorithm.\n");
}

TEST(ResetTable, RefusesTablesItCannotUse) {
  std::string shortTable = resetTableBytes(2, 2 * L, 100, L, {0, 50}).substr(0, 39);
  EXPECT_EQ(errorOf([&] { ResetTable::parse(bytes(shortTable), size32(shortTable), "S"); }),
            "Corrupt reset table of section S: too short.\n");
  std::string tooMany = resetTableBytes(3, 3 * L, 100, L, {0, 50});
  EXPECT_EQ(errorOf([&] { ResetTable::parse(bytes(tooMany), size32(tooMany), "S"); }),
            "Corrupt reset table of section S: 3 blocks do not fit in it.\n");
  std::string huge = resetTableBytes(0x20000000, 3 * L, 100, L, {0, 50});
  EXPECT_NE(errorOf([&] { ResetTable::parse(bytes(huge), size32(huge), "S"); }), "(no error)");
  std::string zeroLength = resetTableBytes(2, 2 * L, 100, 0, {0, 50});
  EXPECT_EQ(errorOf([&] { ResetTable::parse(bytes(zeroLength), size32(zeroLength), "S"); }),
            "Corrupt reset table of section S: block length 0.\n");
}

TEST(ResetTable, SpanStartsAtARestartPointAndEndsAfterTheFilesLastBlock) {
  // Six blocks; the last one is short. Compressed offsets are ten times the block number.
  const std::uint32_t total = 5 * L + 1000;
  std::string bytesOfTable = resetTableBytes(6, total, 75, L, {0, 10, 20, 30, 40, 50});
  ResetTable table = ResetTable::parse(bytes(bytesOfTable), size32(bytesOfTable), "S");
  struct Case {
    const char* what;
    std::uint32_t window, offset, length;
    std::uint32_t start, end, cs, ce, us, ue;
  } cases[] = {
      {"inside block 3: from even block 2", 2, 3 * L + 5, 10, 2, 4, 20, 40, 2 * L, 4 * L},
      {"inside block 2", 2, 2 * L, 10, 2, 3, 20, 30, 2 * L, 3 * L},
      {"ends exactly at a block end", 2, 2 * L, L, 2, 4, 20, 40, 2 * L, 4 * L},
      {"crosses a restart point", 2, L + 10, 2 * L, 0, 4, 0, 40, 0, 4 * L},
      {"ends in the last block", 2, 5 * L, 1000, 4, 6, 40, 75, 4 * L, total},
      {"empty file", 2, L + 7, 0, 0, 2, 0, 20, 0, 2 * L},
      {"window of four blocks", 4, 5 * L + 1, 3, 4, 6, 40, 75, 4 * L, total},
      {"window of four, early", 4, 3 * L, 1, 0, 4, 0, 40, 0, 4 * L},
  };
  for (const Case& c : cases) {
    std::optional<Span> span = table.spanOf(c.window, c.offset, c.length);
    ASSERT_TRUE(span) << c.what;
    EXPECT_EQ(span->startBlock, c.start) << c.what;
    EXPECT_EQ(span->endBlock, c.end) << c.what;
    EXPECT_EQ(span->compressedStart, c.cs) << c.what;
    EXPECT_EQ(span->compressedEnd, c.ce) << c.what;
    EXPECT_EQ(span->uncompressedStart, c.us) << c.what;
    EXPECT_EQ(span->uncompressedEnd, c.ue) << c.what;
  }
  EXPECT_FALSE(table.spanOf(2, total - 10, 11)) << "a file past the data";
  EXPECT_FALSE(table.spanOf(2, 0xFFFFFFF0u, 0x20)) << "offset and length overflowing 32 bits";

  std::string backwards = resetTableBytes(4, 4 * L, 20, L, {0, 50, 30, 10});
  ResetTable bad = ResetTable::parse(bytes(backwards), size32(backwards), "S");
  EXPECT_FALSE(bad.spanOf(2, 2 * L, 5)) << "offsets running backwards";
}

// Reads from crafted containers.

class CraftedBook : public ::testing::Test {
 protected:
  std::unique_ptr<Book> open(ChmBuilder& builder, const std::string& name = "book.chm") {
    path_ = builder.write(scratch_ / name);
    return test::openBook(path_);
  }
  std::string read(Book& book, const std::string& name, bool ownCopy) {
    FileBuffer file = book.readFile(name, ownCopy);
    EXPECT_EQ(file.ownsData(), ownCopy) << name;
    return std::string(file.view());
  }
  ScratchFolder scratch_;
  std::filesystem::path path_;
};

TEST_F(CraftedBook, EveryFileComesOutWholeFromBothKindsOfSection) {
  const std::string big = patterned(150000, 1);  // crosses the restart points at 64 KB and 128 KB
  const std::string small = "<html>small</html>";
  ChmBuilder builder;
  withSystemFiles(builder)
      .add("/small.htm", small)
      .add("/empty.htm", "")
      .add("/big.bin", big)
      .add("/plain.txt", "stored plain", false)
      .add("/tail.htm", "the last file of the section")
      .addFolder("/folder/");
  auto book = open(builder);
  for (bool own : {false, true}) {
    EXPECT_EQ(read(*book, "/small.htm", own), small);
    EXPECT_EQ(read(*book, "/empty.htm", own), "");
    EXPECT_EQ(read(*book, "/big.bin", own), big);
    EXPECT_EQ(read(*book, "plain.txt", own), "stored plain");
    EXPECT_EQ(read(*book, "/TAIL.htm#part", own), "the last file of the section");
  }
  // The section list was read: one plain, one compressed section at the Content entry.
  const auto& sections = book->currentArchive()->sections();
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_FALSE(sections[0].compressed);
  EXPECT_TRUE(sections[1].compressed);
  EXPECT_EQ(sections[1].offset, builder.uncompressedOffsetOf("::DataSpace/Storage/MSCompressed/Content"));
}

TEST_F(CraftedBook, LargerWindowsDecodeFromTheirRestartPoints) {
  for (std::uint32_t window : {4u, 8u}) {
    const std::string data = patterned(9 * L + 123, window);
    ChmBuilder builder;
    withSystemFiles(builder).add("/first.bin", data.substr(0, 5 * L + 9)).add("/second.bin", data.substr(5 * L + 9));
    builder.windowBlocks(window);
    auto book = open(builder, "window" + std::to_string(window) + ".chm");
    EXPECT_EQ(read(*book, "/second.bin", true), data.substr(5 * L + 9)) << window;
    EXPECT_EQ(read(*book, "/first.bin", false), data.substr(0, 5 * L + 9)) << window;
  }
}

TEST_F(CraftedBook, AReadWithoutOwnCopyIsOverwrittenByTheNext) {
  ChmBuilder builder;
  withSystemFiles(builder).add("/one.txt", "first text", false).add("/two.txt", "other text", false);
  auto book = open(builder);
  FileBuffer first = book->readFile("/one.txt", false);
  EXPECT_EQ(first.view(), "first text");
  FileBuffer second = book->readFile("/two.txt", false);
  EXPECT_EQ(second.view(), "other text");
  EXPECT_EQ(first.view(), "other text");
  EXPECT_EQ(first.data(), book->outputBuffer().data());
}

TEST_F(CraftedBook, BuffersArePresizedForTheLargestSpanBelowTheLimit) {
  ChmBuilder builder;
  withSystemFiles(builder).add("/a.bin", patterned(3 * L, 2)).add("/b.bin", patterned(100, 3));
  auto book = open(builder);
  // /a.bin spans blocks 0..3 (four blocks); /b.bin lies in block 3: blocks 2..3.
  EXPECT_EQ(book->outputBuffer().size(), 3 * L + 100);
  EXPECT_GE(book->inputBuffer().size(), 3 * L + 100);

  ChmBuilder small;
  withSystemFiles(small).add("/a.htm", "tiny");
  auto smallBook = open(small, "small.chm");
  EXPECT_EQ(smallBook->outputBuffer().size(), WorkBuffer::kMinimumSize);
  EXPECT_EQ(smallBook->inputBuffer().size(), WorkBuffer::kMinimumSize);
}

TEST_F(CraftedBook, AHugeFileIsLeftOutOfPresizingButStillReads) {
  const std::string huge = patterned(Book::kPresizeLimit + 10, 4);
  ChmBuilder builder;
  withSystemFiles(builder).add("/huge.bin", huge).add("/page.htm", "page");
  auto book = open(builder);
  EXPECT_LT(book->outputBuffer().size(), huge.size());
  EXPECT_EQ(read(*book, "/huge.bin", false), huge);
  EXPECT_GE(book->outputBuffer().size(), huge.size());
}

TEST_F(CraftedBook, ABookWithoutACompressedSectionOpensAndReads) {
  ChmBuilder builder;
  withSystemFiles(builder).add("/page.htm", "plain page").withoutCompressedSection();
  auto book = open(builder);
  EXPECT_EQ(read(*book, "/page.htm", true), "plain page");
  EXPECT_EQ(book->currentArchive()->sections().size(), 1u);
}

TEST_F(CraftedBook, EachFailureHasItsMessage) {
  struct Case {
    const char* what;
    std::function<void(ChmBuilder&)> craft;
    const char* name;  // read after opening; null when opening must fail
    std::string message;
  };
  const std::vector<Case> cases = {
      {"name not in the archive", [](ChmBuilder&) {}, "/missing.htm", "Can't find entry for file /missing.htm\n"},
      {"section beyond the list", [](ChmBuilder& b) { b.addRawEntry("/far.htm", 5, 0, 10); }, "/far.htm",
       "Wrong content section id.\n"},
      {"control data of another algorithm",
       [](ChmBuilder& b) { b.replace(kControlData, std::string("\6\0\0\0LZXD", 8) + std::string(20, '\2')); },
       nullptr, "Not LZX compression algorithm.\n"},
      {"window of 16 blocks", [](ChmBuilder& b) { b.windowBlocks(16); }, nullptr, "Not correct window size 16.\n"},
      {"no section list", [](ChmBuilder& b) { b.omit("::DataSpace/NameList"); }, nullptr,
       "Can't get buffer for file ::DataSpace/NameList.\nCan't find entry for file ::DataSpace/NameList\n"},
      {"reset table too short for its blocks",
       [](ChmBuilder& b) { b.replace(kResetTable, resetTableBytes(1000, 10, 10, L, {0})); }, nullptr,
       "Corrupt reset table of section MSCompressed: 1000 blocks do not fit in it.\n"},
      {"entry outside its section", [](ChmBuilder& b) { b.addRawEntry("/outside.htm", 1, 5000, 10); },
       "/outside.htm", "File /outside.htm lies outside its content section.\n"},
      {"plain entry past the end of the file", [](ChmBuilder& b) { b.addRawEntry("/far.txt", 0, 10000000, 10); },
       "/far.txt", "Can't read file /far.txt buffer: it runs past the end of the book.\n"},
      {"plain entry with a huge length", [](ChmBuilder& b) { b.addRawEntry("/long.txt", 0, 0, 0xFFFFFFF0u); },
       "/long.txt", "Can't read file /long.txt buffer: it runs past the end of the book.\n"},
      {"compressed span past the end of the file",
       [](ChmBuilder& b) { b.replace(kResetTable, resetTableBytes(1, 200, 5000000, L, {0})); }, "/page.htm",
       "Can't read file /page.htm buffer: it runs past the end of the book.\n"},
      {"stream that does not decode",
       [](ChmBuilder& b) {
         // Header bit 0, then block type 0, which does not exist.
         b.replace("::DataSpace/Storage/MSCompressed/Content", std::string(64, '\0'));
         b.replace(kResetTable, resetTableBytes(1, 200, 64, L, {0}));
       },
       "/page.htm", "Can't decompress file /page.htm (LZX error 2).\n"},
      {"control data stored compressed",
       [](ChmBuilder& b) {
         b.omit(kControlData);
         b.addRawEntry(kControlData, 1, 0, 28);
       },
       nullptr, "The tables of content section MSCompressed are compressed.\n"},
  };
  int n = 0;
  for (const Case& c : cases) {
    ChmBuilder builder;
    withSystemFiles(builder).add("/page.htm", "<p>a page</p>");
    c.craft(builder);
    std::string message = errorOf([&] {
      auto book = open(builder, "case" + std::to_string(n) + ".chm");
      if (c.name) book->readFile(c.name, true);
    });
    EXPECT_EQ(message, c.message) << c.what;
    ++n;
  }
}

TEST_F(CraftedBook, AVanishedContainerClosesTheBook) {
  ChmBuilder builder;
  withSystemFiles(builder).add("/page.htm", "page").add("/plain.txt", "plain", false);
  auto book = open(builder);
  int closeRequests = 0;
  book->setBookFileMissingHandler([&] { ++closeRequests; });
  std::filesystem::remove(path_);
  EXPECT_EQ(errorOf([&] { book->readFile("/plain.txt", true); }), path_.string() + "\n\nFile does not exist.");
  EXPECT_EQ(closeRequests, 1);
  // A compressed file reads its section's tables plainly first, so it notices too.
  EXPECT_EQ(errorOf([&] { book->readFile("/page.htm", false); }), path_.string() + "\n\nFile does not exist.");
  EXPECT_EQ(closeRequests, 2);
}

TEST_F(CraftedBook, OpeningWithoutSystemFilesNamesTheCompanion) {
  ChmBuilder builder;
  builder.add("/page.htm", "page");
  std::string message = errorOf([&] { open(builder, "lonely.chm"); });
  EXPECT_EQ(message, "Probably, this file can't be displayed without corresponding .CHI file:\n" +
                         (scratch_ / "lonely.chi").string() + ".");
}

TEST_F(CraftedBook, BookFilesComeFromTheCompanionWhenTheBookLacksThem) {
  ChmBuilder companion;
  companion.add("/#SYSTEM", test::systemFile(3, {}), false).add("/#only-in-chi", "from the companion");
  companion.write(scratch_ / "pair.chi");
  ChmBuilder main;
  main.add("/#SYSTEM", test::systemFile(3, {}), false).add("/#STRINGS", std::string(1, '\0')).add("/page.htm", "p");
  main.write(scratch_ / "pair.chm");

  Book book;
  ChmArchive& chi = ChmArchive::open(book, (scratch_ / "pair.chi").string());
  book.readSectionList(chi);
  ChmArchive& chm = ChmArchive::open(book, (scratch_ / "pair.chm").string());
  book.readSectionList(chm);
  EXPECT_EQ(book.companionOf(chm), &chi);
  EXPECT_TRUE(book.existsInBookFile("#only-in-chi"));

  FileBuffer file;
  book.readBookFile("#only-in-chi", file);
  EXPECT_EQ(file.view(), "from the companion");
  EXPECT_TRUE(file.ownsData());
  EXPECT_EQ(book.currentArchive(), &chm);

  EXPECT_EQ(errorOf([&] { book.readBookFile("#nowhere", file); }),
            "File '#nowhere' not found in CHM or CHI archives.\n");
  EXPECT_EQ(book.currentArchive(), &chm);

  // A failing read in the companion still gives the current archive back.
  std::filesystem::remove(scratch_ / "pair.chi");
  EXPECT_NE(errorOf([&] { book.readBookFile("#only-in-chi", file); }), "(no error)");
  EXPECT_EQ(book.currentArchive(), &chm);
}

TEST(WorkBuffer, GrowsOnlyWhenAskedForMore) {
  WorkBuffer buffer;
  buffer.ensure(10);
  EXPECT_EQ(buffer.size(), WorkBuffer::kMinimumSize);
  buffer.ensure(70000);
  EXPECT_EQ(buffer.size(), 70000u);
  buffer.ensure(60000);
  EXPECT_EQ(buffer.size(), 70000u);
}

}  // namespace
}  // namespace pgwk
