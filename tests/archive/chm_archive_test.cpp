#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "directory_image.h"
#include "document/book.h"
#include "document/name_rules.h"
#include "foundation/reader_error.h"
#include "support/corpus.h"

namespace fs = std::filesystem;

namespace pgwk {
namespace {

using test::DirectoryImage;
using test::ImageEntry;

class ChmArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("pgwk-archive-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  fs::path write(const DirectoryImage& image, const std::string& name = "book.chm") {
    return image.writeTo(folder_, name);
  }

  // The message of the ReaderError that opening raises, or "" when it opens.
  std::string openError(const DirectoryImage& image) {
    Book book;
    try {
      ChmArchive::open(book, write(image).string());
    } catch (const ReaderError& e) {
      return e.message();
    }
    return {};
  }

  static DirectoryImage smallBook() {
    DirectoryImage image;
    image.listingChunks = {{{"/", 0, 0, 0},
                            {"/#SYSTEM", 1, 0, 100},
                            {"/page.htm", 1, 100, 50},
                            {"/other/Page2.HTM", 1, 150, 20},
                            {"/pics/logo.GIF", 1, 170, 10}}};
    return image;
  }

  fs::path folder_;
};

TEST_F(ChmArchiveTest, ListsEntriesOfListingChunksInFileOrder) {
  DirectoryImage image;
  image.chunkSize = 256;
  image.listingChunks = {{{"/a.htm", 1, 0, 1}, {"/b.htm", 1, 1, 2}},
                         {{"/c.css", 0, 5, 3}},
                         {{"/d/", 0, 0, 0}, {"/e.gif", 1, 9, 4}}};
  image.indexChunksBefore = {1, 2};  // index chunks interleaved contribute nothing
  Book book;
  ChmArchive& archive = ChmArchive::open(book, write(image).string());
  ASSERT_EQ(archive.entryCount(), 5u);
  const char* names[] = {"/a.htm", "/b.htm", "/c.css", "/d/", "/e.gif"};
  for (std::uint32_t i = 0; i < 5; ++i) EXPECT_EQ(archive.entry(i).name, names[i]);
  EXPECT_EQ(archive.entry(2).section, 0u);
  EXPECT_EQ(archive.entry(2).offset, 5u);
  EXPECT_EQ(archive.entry(2).length, 3u);
  EXPECT_EQ(book.currentArchive(), &archive);
  EXPECT_EQ(archive.chunkCount(), 5u);
  EXPECT_TRUE(archive.hasExtension(".css"));
  EXPECT_FALSE(archive.hasExtension(".CSS"));
  EXPECT_EQ(archive.extensions().count(), 3);
}

TEST_F(ChmArchiveTest, RefusesBrokenContainersWithTheirMessages) {
  struct Case {
    const char* what;
    void (*breakIt)(DirectoryImage&);
    std::string message;
  } cases[] = {
      {"section-0 mark", [](DirectoryImage& i) { i.section0Mark = 0x1FF; },
       "Error format of section 0 (expect 01FE)."},
      {"no last chunk", [](DirectoryImage& i) { i.lastChunkHasEnd = false; }, "Can't find last directory chunk\n"},
      {"no chunks", [](DirectoryImage& i) { i.listingChunks.clear(); }, "Can't find last directory chunk\n"},
      {"only index chunks", [](DirectoryImage& i) { i.chunkCountOverride = 0; }, "Can't find last directory chunk\n"},
      {"count past the file", [](DirectoryImage& i) { i.lastChunkHasEnd = false; i.chunkCountOverride = 3; },
       "Can't read directory chunk 2 buffer.\n"},
      {"absurd count", [](DirectoryImage& i) { i.lastChunkHasEnd = false; i.chunkCountOverride = 0x7FFFFFFF; },
       "Can't read directory chunk 2 buffer.\n"},
      {"absurd chunk size", [](DirectoryImage& i) { i.chunkSize = 1u << 24; i.listingChunks = {{}}; },
       "Corrupt directory: chunk size 16777216 is not usable."},
      {"tiny chunks", [](DirectoryImage& i) { i.chunkSize = 8; i.listingChunks = {{}}; },
       "Corrupt directory: chunk size 8 is not usable."},
  };
  for (const Case& c : cases) {
    DirectoryImage image = smallBook();
    c.breakIt(image);
    EXPECT_EQ(openError(image), c.message) << c.what;
  }
}

TEST_F(ChmArchiveTest, WrongSignatureWithCorrectFieldsOpens) {
  DirectoryImage image = smallBook();
  image.signature = "XXXX";
  EXPECT_EQ(openError(image), "");
}

TEST_F(ChmArchiveTest, ShortFilesAndMissingFiles) {
  std::vector<std::uint8_t> bytes = smallBook().bytes();
  struct Case {
    std::size_t keep;
    std::string message;
  } cases[] = {
      {40, "Can't read chm's header."},
      {92, "Can't read content offset (for chm version 3 only)."},
      {100, "Can't read section 0 buffer."},
      {130, "Can't read section 1 buffer."},
      {96 + 24 + 84 + 10, "Can't read directory chunk 1 buffer.\n"},
      {96 + 24 + 84 + 30, "Can't read file names buffer for directory chunk 1.\n"},
  };
  for (const Case& c : cases) {
    fs::path path = folder_ / "short.chm";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), c.keep);
    Book book;
    try {
      ChmArchive::open(book, path.string());
      ADD_FAILURE() << "opened a file cut at " << c.keep;
    } catch (const ReaderError& e) {
      EXPECT_EQ(e.message(), c.message) << c.keep;
      // The archive stays in the list, incomplete, for the book to discard.
      ASSERT_EQ(book.archives().count(), 1);
      EXPECT_FALSE(book.archives().at(0)->complete());
    }
  }
  Book book;
  std::string missing = (folder_ / "missing.chm").string();
  try {
    ChmArchive::open(book, missing);
    FAIL();
  } catch (const ReaderError& e) {
    EXPECT_EQ(e.message(), "Can't open file: " + missing + ".");
    EXPECT_EQ(book.archives().count(), 0);
  }
}

TEST_F(ChmArchiveTest, CorruptEntriesAreRefusedNotReadPast) {
  struct Case {
    const char* what;
    std::vector<ImageEntry> entries;
    std::string message;
  } cases[] = {
      {"over-long name", {{"/" + std::string(600, 'x'), 0, 0, 0}},
       "Corrupt directory: a stored name is longer than 519 characters."},
  };
  for (const Case& c : cases) {
    DirectoryImage image;
    image.listingChunks = {c.entries};
    EXPECT_EQ(openError(image), c.message) << c.what;
  }
  // Fields patched after the image is made: a free-space field larger than the
  // chunk, a name length running past the filled part.
  struct Patch {
    std::size_t at;
    std::uint8_t value;
    std::string message;
  } patches[] = {
      {4 + 1, 0xFF, "Corrupt directory: chunk 1 claims more free space than it holds."},
      {20, 0x7F, "Corrupt directory: an entry runs past the end of the directory chunks."},
  };
  for (const Patch& p : patches) {
    DirectoryImage image;
    image.listingChunks = {{{"abc", 0, 0, 0}}};
    std::vector<std::uint8_t> bytes = image.bytes();
    bytes[96 + 24 + 84 + p.at] = p.value;
    fs::path path = folder_ / "patched.chm";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    Book book;
    try {
      ChmArchive::open(book, path.string());
      ADD_FAILURE() << p.message;
    } catch (const ReaderError& e) {
      EXPECT_EQ(e.message(), p.message);
    }
  }
}

TEST_F(ChmArchiveTest, FindEntryRules) {
  Book book;
  ChmArchive::open(book, write(smallBook()).string());
  struct Case {
    const char* lookup;
    const char* found;  // nullptr: none
  } cases[] = {
      {"#SYSTEM", "/#SYSTEM"},
      {"/#SYSTEM", "/#SYSTEM"},
      {"/Page.htm#anchor", "/page.htm"},
      {"PAGE.HTM", "/page.htm"},
      {"./x/../page.htm", "/page.htm"},
      {"p%61ge.htm", "/page.htm"},
      {"other.chm::/page.htm", "/page.htm"},
      {"sub/page2.htm", "/other/Page2.HTM"},  // by file name when no exact match
      {"http://x/page2.htm", nullptr},        // remote names never fall back
      {"ftp:page.htm", nullptr},
      {"/page.html", nullptr},
  };
  for (const Case& c : cases) {
    const DirectoryEntry* e = book.findEntry(c.lookup);
    if (!c.found) {
      EXPECT_EQ(e, nullptr) << c.lookup;
      continue;
    }
    ASSERT_NE(e, nullptr) << c.lookup;
    EXPECT_EQ(e->name, c.found) << c.lookup;
  }
  EXPECT_EQ(book.entryPosition("/page.htm"), 2);
  EXPECT_EQ(book.entryPosition("/none.htm"), -1);
  EXPECT_EQ(book.entryName(-1), "");
  EXPECT_EQ(book.entryName(5), "");
  EXPECT_EQ(book.entryName(4), "/pics/logo.GIF");
}

TEST_F(ChmArchiveTest, FirstOfTwoEqualNamesWins) {
  DirectoryImage image;
  image.listingChunks = {{{"/TOC.hhc", 1, 10, 5}, {"/a/x.htm", 1, 0, 1}},
                         {{"/toc.HHC", 1, 20, 5}, {"/b/x.htm", 1, 1, 1}}};
  Book book;
  ChmArchive::open(book, write(image).string());
  EXPECT_EQ(book.findEntry("/toc.hhc")->offset, 10u);
  EXPECT_EQ(book.findEntry("c/x.htm")->name, "/a/x.htm");
}

TEST_F(ChmArchiveTest, NamesAreConvertedToTheHeaderLanguageCodePage) {
  DirectoryImage image;
  image.language = 0x419;  // Russian: code page 1251
  image.listingChunks = {{{"/\xd0\x9f\xd1\x80\xd0\xb8.htm", 1, 0, 1},  // "При.htm"
                          {"/\x80x.htm", 1, 1, 1}}};                     // a stray continuation byte
  Book book;
  ChmArchive& archive = ChmArchive::open(book, write(image).string());
  EXPECT_EQ(book.headerLanguage(), 0x419);
  EXPECT_EQ(archive.nameCodePage(), 1251);
  EXPECT_EQ(archive.entry(0).name, "/\xcf\xf0\xe8.htm");
  EXPECT_EQ(archive.entry(1).name, "/?x.htm");  // U+0080 is not in 1251
}

TEST_F(ChmArchiveTest, HeaderLanguageIsTakenOnlyWhenUsableAndNotYetSet) {
  struct Case {
    std::uint32_t language;
    int expected;
  } cases[] = {{0, 1033}, {0x411, 0x411}, {0x409, 0x409}};
  for (const Case& c : cases) {
    DirectoryImage image = smallBook();
    image.language = c.language;
    Book book;
    ChmArchive::open(book, write(image).string());
    EXPECT_EQ(book.headerLanguage(), c.expected);
  }
  // With the character-set setting at an unknown code page no language is usable.
  DirectoryImage image = smallBook();
  image.language = 0x411;
  Book book;
  book.setCharacterSetSetting(4242);
  ChmArchive::open(book, write(image).string());
  EXPECT_EQ(book.headerLanguage(), 1033);
}

TEST_F(ChmArchiveTest, OlderContainersFindSection0AfterTheDirectory) {
  DirectoryImage image = smallBook();
  image.version = 2;
  Book book;
  ChmArchive& archive = ChmArchive::open(book, write(image).string());
  EXPECT_EQ(archive.contentOffset(), 88u + 24 + 84 + 4096);
}

TEST(NameRules, Extension) {
  struct Case {
    const char* name;
    const char* extension;
  } cases[] = {
      {"Docs/Page.HTM#top", ".htm"}, {"archive.tar.GZ", ".gz"}, {"name", ""}, {"a.b/c", ""},
      {"dir\\x.Css", ".css"},        {"a.htm\"", ".htm"},       {"/x.;", "."},
  };
  for (const Case& c : cases) EXPECT_EQ(extensionOf(c.name), c.extension) << c.name;
  EXPECT_EQ(extensionOf("a." + std::string(300, 'x')).size(), 100u);
}

TEST(NameRules, FolderRemoteAndKinds) {
  EXPECT_EQ(folderOf("/books/a.chm"), "/books/");
  EXPECT_EQ(folderOf("C:\\b\\a.chm"), "C:\\b\\");
  EXPECT_EQ(folderOf("a.chm"), "");
  EXPECT_TRUE(isRemote("HTTP://x"));
  EXPECT_TRUE(isRemote("see ftp:x"));
  EXPECT_FALSE(isRemote("/http/a.htm"));
  EXPECT_TRUE(isPageExtension(".shtml"));
  EXPECT_TRUE(isImageExtension(".jpe"));
  EXPECT_FALSE(isImageExtension(".svg"));
  EXPECT_TRUE(isStyleSheetExtension(".css"));
  EXPECT_TRUE(isScriptExtension(".js"));
}

// ---- The corpus ----------------------------------------------------------

std::string runTool(const std::string& arguments, int* status) {
  std::string command = (test::buildDir() / "tools" / "pgwktool").string() + " " + arguments + " 2>&1";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  std::string out;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  int rc = ::pclose(pipe);
  *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

// The oracle lists every entry of every listing chunk as name, section, offset,
// length and chunk; ls prints section, offset, length and name.
std::string expectedListing(const fs::path& oracle) {
  std::ifstream in(oracle);
  std::string line, out;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::stringstream split(line);
    std::string field;
    while (std::getline(split, field, '\t')) fields.push_back(field);
    if (fields.size() < 4) continue;
    out += fields[1] + "\t" + fields[2] + "\t" + fields[3] + "\t" + fields[0] + "\n";
  }
  return out;
}

TEST(ChmArchiveCorpus, ListingEqualsTheDirectoryOracle) {
  PGWK_REQUIRE_CORPUS();
  int books = 0;
  for (const char* folder : {"real", "generated"}) {
    for (const fs::path& book : test::corpusBooks(folder)) {
      fs::path oracle = test::corpusDir() / "oracle" / folder / (book.filename().string() + ".dir.tsv");
      int status = 0;
      std::string listing = runTool("ls '" + book.string() + "'", &status);
      EXPECT_EQ(status, 0) << book;
      EXPECT_TRUE(listing == expectedListing(oracle)) << "listing differs from the oracle: " << book;
      ++books;
    }
  }
  EXPECT_GT(books, 30);
}

// Bookmarks use the size a book records for itself as a change stamp.
TEST(ChmArchiveCorpus, RealBooksRecordTheirFileSize) {
  PGWK_REQUIRE_CORPUS();
  for (const char* folder : {"real", "generated"}) {
    for (const fs::path& path : test::corpusBooks(folder)) {
      Book book;
      ChmArchive& archive = ChmArchive::open(book, path.string());
      EXPECT_EQ(archive.recordedFileSize(), static_cast<std::uint32_t>(fs::file_size(path))) << path;
    }
  }
}

TEST(ChmArchiveCorpus, BadBooksOpenCleanlyOrFailWithAReaderError) {
  PGWK_REQUIRE_CORPUS();
  for (const fs::path& path : test::corpusBooks("bad")) {
    Book book;
    try {
      ChmArchive& archive = ChmArchive::open(book, path.string());
      for (std::uint32_t i = 0; i < archive.entryCount(); ++i) book.findEntry(archive.entry(i).name);
    } catch (const ReaderError& e) {
      EXPECT_FALSE(e.message().empty()) << path;
    }
  }
}

TEST(PgwkTool, ErrorsAndUsage) {
  int status = 0;
  std::string out = runTool("ls /nonexistent/book.chm", &status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(out, "pgwktool: Can't open file: /nonexistent/book.chm.\n");
  runTool("ls", &status);
  EXPECT_EQ(status, 2);
  runTool("frobnicate x", &status);
  EXPECT_EQ(status, 2);
}

}  // namespace
}  // namespace pgwk

namespace pgwk {
namespace {

// The help book that the build compiles with chmcmd lists what its project names.
TEST(HelpBook, ListsItsPages) {
  fs::path help = test::buildDir() / "resources" / "help" / "pagewick.chm";
  ASSERT_TRUE(fs::exists(help)) << help;
  Book book;
  ChmArchive::open(book, help.string());
  for (const char* name : {"/html/welcome.htm", "/html/pagewick.css", "/images/book.png", "/toc.hhc",
                           "/index.hhk", "#SYSTEM", "$FIftiMain"})
    EXPECT_TRUE(book.exists(name)) << name;
}

}  // namespace
}  // namespace pgwk
