// Book metadata: #SYSTEM records, the #STRINGS pool, the choice of the #WINDOWS
// record and the questions the rest of the reader asks, on crafted books and on
// books compiled by chmcmd.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "document/book.h"
#include "document/book_metadata.h"
#include "document_support.h"
#include "platform/code_page.h"
#include "support/chm_builder.h"

namespace pgwk {
namespace {

using test::ChmBuilder;
using test::errorOf;
using test::ScratchFolder;
using test::StringPool;
using test::zeroTerminated;

const std::uint8_t* bytes(const std::string& s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }
std::uint32_t size32(const std::string& s) { return static_cast<std::uint32_t>(s.size()); }
FileBuffer bufferOf(const std::string& s) { return FileBuffer::copyOf(bytes(s), size32(s)); }

std::string language(std::uint32_t id) {
  std::string data;
  test::put32(data, id);
  return data + std::string(4, '\0');
}

TEST(SystemFile, TakesTheRecordsItUsesAndSkipsTheRest) {
  std::string file = test::systemFile(3, {{9, zeroTerminated("HHA Version 4.74.8702")},
                                          {0, zeroTerminated("toc.hhc")},
                                          {1, zeroTerminated("index.hhk")},
                                          {2, zeroTerminated("intro.htm")},
                                          {3, zeroTerminated("A title")},
                                          {4, language(0x419)},
                                          {5, zeroTerminated("main")},
                                          {-2, "odd code"}});
  SystemRecords records = parseSystemFile(bytes(file), size32(file));
  EXPECT_EQ(records.contentsFile, "toc.hhc");
  EXPECT_EQ(records.indexFile, "index.hhk");
  EXPECT_EQ(records.defaultFile, "intro.htm");
  EXPECT_EQ(records.title, "A title");
  EXPECT_EQ(records.language, 0x419u);
  EXPECT_EQ(records.defaultWindow, "main");
  std::string version2 = test::systemFile(2, {{3, zeroTerminated("Old")}});
  EXPECT_EQ(parseSystemFile(bytes(version2), size32(version2)).title, "Old");
}

TEST(SystemFile, KeepsTextsInsideTheirRecordAndField) {
  std::string unterminated = test::systemFile(3, {{3, "no zero"}, {0, zeroTerminated("next")}});
  SystemRecords records = parseSystemFile(bytes(unterminated), size32(unterminated));
  EXPECT_EQ(records.title, "no zero");
  EXPECT_EQ(records.contentsFile, "next");

  std::string longTitle(700, 'x');
  std::string longFile = test::systemFile(3, {{3, zeroTerminated(longTitle)}});
  EXPECT_EQ(parseSystemFile(bytes(longFile), size32(longFile)).title, longTitle.substr(0, BookMetadata::kMaxText));

  std::string shortLanguage = test::systemFile(3, {{4, "\x19\x04"}});
  EXPECT_EQ(parseSystemFile(bytes(shortLanguage), size32(shortLanguage)).language, 0u);
}

TEST(SystemFile, RefusesWrongVersionsAndRecordsPastTheEnd) {
  struct Case {
    std::string file;
    const char* message;
  } cases[] = {
      {test::systemFile(4, {}), "Incorrect version number for #SYSTEM file: 4."},
      {test::systemFile(1, {}), "Incorrect version number for #SYSTEM file: 1."},
      {test::systemFile(3, {{3, zeroTerminated("title")}}).substr(0, 12), "Corrupt #SYSTEM file: record 3 runs past its end."},
      {test::systemFile(3, {{3, zeroTerminated("title")}}) + "\3\0", "Corrupt #SYSTEM file: a record header runs past its end."},
      // A length of 0x8000 or more: read signed it would walk backwards for ever.
      {test::systemFile(3, {}) + std::string("\3\0\0\x80", 4) + "xy", "Corrupt #SYSTEM file: record 3 runs past its end."},
      {"\3\0", "Corrupt #SYSTEM file: it is too short to hold a version."},
  };
  for (const Case& c : cases)
    EXPECT_EQ(errorOf([&] { parseSystemFile(bytes(c.file), size32(c.file)); }), c.message);
  std::string empty = test::systemFile(3, {});
  EXPECT_EQ(parseSystemFile(bytes(empty), size32(empty)).title, "");
}

TEST(Strings, TextsEndAtTheirZeroOrAtThePoolsEnd) {
  FileBuffer pool = bufferOf(std::string("\0first\0last", 11));
  EXPECT_EQ(stringAt(pool, 0), "");
  EXPECT_EQ(stringAt(pool, 1), "first");
  EXPECT_EQ(stringAt(pool, 3), "rst");
  EXPECT_EQ(stringAt(pool, 7), "last");
  EXPECT_EQ(stringAt(pool, 11), "");
  EXPECT_EQ(stringAt(pool, 0xFFFFFFFFu), "");
  EXPECT_EQ(stringAt(FileBuffer(), 0), "");
}

TEST(Windows, TheDefaultWindowIsChosenByNameElseTheFirst) {
  StringPool pool;
  std::uint32_t other = pool.add("other"), main = pool.add("main");
  FileBuffer strings = bufferOf(pool.bytes());
  const std::uint32_t name = static_cast<std::uint32_t>(WindowField::name);
  FileBuffer two = bufferOf(test::windowsFile({{{name, other}}, {{name, main}}}));
  EXPECT_EQ(chooseWindowRecord(two, strings, "main"), 8u + 196u);
  EXPECT_EQ(chooseWindowRecord(two, strings, "other"), 8u);
  EXPECT_EQ(chooseWindowRecord(two, strings, ""), 8u) << "no default window: the first record";
  EXPECT_EQ(chooseWindowRecord(two, strings, "Main"), 8u) << "names compare case-sensitively";
  EXPECT_EQ(chooseWindowRecord(two, strings, "absent"), 8u);

  // A count that claims more records than the file holds: only whole records count.
  std::string cut = test::windowsFile({{{name, other}}, {{name, main}}});
  cut.resize(cut.size() - 1);
  EXPECT_EQ(windowRecordCount(bufferOf(cut)), 1u);
  EXPECT_EQ(chooseWindowRecord(bufferOf(cut), strings, "main"), 8u);
}

TEST(Windows, AFileWithoutAWholeRecordHasNoWindow) {
  FileBuffer strings = bufferOf(std::string(1, '\0'));
  std::string none = test::windowsFile({});
  std::string shortRecord = test::windowsFile({{}}).substr(0, 100);
  std::string zeroSize = test::windowsFile({{}});
  zeroSize[4] = zeroSize[5] = zeroSize[6] = zeroSize[7] = 0;
  for (const std::string& file : {none, shortRecord, zeroSize, std::string("\1\0\0", 3)})
    EXPECT_FALSE(chooseWindowRecord(bufferOf(file), strings, "")) << file.size();
}

TEST(Windows, FieldsOutsideTheRecordReadAsZero) {
  FileBuffer small = bufferOf(test::windowsFile({{{8, 5}, {96, 7}}}, 100));
  EXPECT_EQ(windowValue(small, 8, WindowField::name), 5u);
  EXPECT_EQ(windowValue(small, 8, WindowField::contentsFile), 7u);
  EXPECT_EQ(windowValue(small, 8, WindowField::homePage), 0u) << "offset 108 lies past a 100-byte record";
}

// Questions on crafted books.

struct BookText {
  std::vector<std::pair<int, std::string>> system;
  std::vector<std::map<WindowField, std::string>> windows;  // texts; "buttons" holds the flags in decimal
};

class MetadataQuestions : public ::testing::Test {
 protected:
  std::unique_ptr<Book> open(const BookText& text, const std::vector<std::string>& pages = {},
                             int characterSet = 0) {
    StringPool pool;
    std::vector<std::map<std::uint32_t, std::uint32_t>> records;
    for (const auto& window : text.windows) {
      std::map<std::uint32_t, std::uint32_t> record;
      for (const auto& [field, value] : window)
        record[static_cast<std::uint32_t>(field)] =
            field == WindowField::buttons ? static_cast<std::uint32_t>(std::stoul(value)) : pool.add(value);
      records.push_back(record);
    }
    ChmBuilder builder;
    builder.add("/#SYSTEM", test::systemFile(3, text.system), false).add("/#STRINGS", pool.bytes());
    if (!text.windows.empty()) builder.add("/#WINDOWS", test::windowsFile(records));
    for (const std::string& page : pages) builder.add(page, "<p>" + page + "</p>");
    path_ = builder.write(scratch_ / ("book" + std::to_string(++count_) + ".chm"));
    return test::openBook(path_, characterSet);
  }
  std::string prefixed(const std::string& name) { return path_.string() + "::" + name; }

  ScratchFolder scratch_;
  std::filesystem::path path_;
  int count_ = 0;
};

constexpr const char* kHomeAndJumps = "786496";  // bits 6, 18 and 19

TEST_F(MetadataQuestions, TitleComesFromTheWindowUnlessTheSystemTitleIsPreferred) {
  auto book = open({{{3, zeroTerminated("System title")}},
                    {{{WindowField::title, "Window title"}}}});
  EXPECT_EQ(book->title(), "Window title");
  EXPECT_EQ(book->title(nullptr, true), "System title");
  EXPECT_EQ(book->title(book->currentArchive(), true), "System title");

  auto untitledWindow = open({{{3, zeroTerminated("System title")}}, {{{WindowField::name, "w"}}}});
  EXPECT_EQ(untitledWindow->title(), "System title") << "a window title offset of 0 is passed over";

  auto noTitles = open({{}, {}});
  EXPECT_EQ(noTitles->title(), path_.string());
  EXPECT_EQ(noTitles->title(nullptr, true), path_.string());
}

TEST_F(MetadataQuestions, HomePageAndJumpsFollowTheButtonFlags) {
  auto book = open({{{5, zeroTerminated("main")}},
                    {{{WindowField::name, "other"}, {WindowField::homePage, "wrong.htm"}, {WindowField::buttons, kHomeAndJumps}},
                     {{WindowField::name, "main"},
                      {WindowField::homePage, "home.htm"},
                      {WindowField::jump1Label, "One"},
                      {WindowField::jump1Target, "http://one/"},
                      {WindowField::jump2Label, "Two"},
                      {WindowField::jump2Target, "http://two/"},
                      {WindowField::buttons, kHomeAndJumps}}}});
  EXPECT_EQ(book->homePage(), "home.htm");
  EXPECT_EQ(book->homePageWithPrefix(), prefixed("home.htm"));
  EXPECT_EQ(book->homeOrDefault(), prefixed("home.htm"));
  EXPECT_EQ(book->jumpLabel(), "One");
  EXPECT_EQ(book->jumpTarget(), "http://one/");
  EXPECT_EQ(book->jumpTargetWithPrefix(), prefixed("http://one/"));

  auto secondJump = open({{},
                          {{{WindowField::homePage, "home.htm"},
                            {WindowField::jump1Label, "One"},
                            {WindowField::jump2Label, "Two"},
                            {WindowField::jump2Target, "two.htm"},
                            {WindowField::buttons, std::to_string(1u << 19)}}}});
  EXPECT_EQ(secondJump->homePage(), "") << "no home button";
  EXPECT_EQ(secondJump->jumpLabel(), "Two");
  EXPECT_EQ(secondJump->jumpTarget(), "two.htm");

  auto noWindow = open({{{2, zeroTerminated("a.htm")}}, {}}, {"/a.htm"});
  EXPECT_EQ(noWindow->homePage(), "");
  EXPECT_EQ(noWindow->jumpLabel(), "");
  EXPECT_EQ(noWindow->jumpTargetWithPrefix(), "");
  EXPECT_EQ(noWindow->homeOrDefault(), prefixed("a.htm"));
}

TEST_F(MetadataQuestions, DefaultTopicFallsBackInOrder) {
  struct Case {
    const char* what;
    BookText text;
    std::vector<std::string> pages;
    std::string expected;  // "@name" means the name with the archive prefix
  } cases[] = {
      {"the #SYSTEM page", {{{2, zeroTerminated("intro.htm")}}, {}}, {}, "intro.htm"},
      {"the #SYSTEM picture", {{{2, zeroTerminated("cover.JPG")}}, {}}, {}, "cover.JPG"},
      {"the window's topic when #SYSTEM has none",
       {{}, {{{WindowField::defaultTopic, "win.html"}}}}, {}, "win.html"},
      {"a #SYSTEM text file falls through to the home page",
       {{{2, zeroTerminated("intro.txt")}},
        {{{WindowField::defaultTopic, "win.htm"}, {WindowField::homePage, "home.htm"}, {WindowField::buttons, "64"}}}},
       {}, "@home.htm"},
      {"then to default.htm anywhere in the book", {{{2, zeroTerminated("intro.txt")}}, {}},
       {"/sub/default.htm", "/index.htm"}, "default.htm"},
      {"index.html when no other", {{}, {{{WindowField::defaultTopic, "notes.txt"}}}}, {"/a/index.html"},
       "index.html"},
      {"nothing at all", {{}, {}}, {"/page.htm"}, ""},
  };
  for (const Case& c : cases) {
    auto book = open(c.text, c.pages);
    std::string expected = c.expected.starts_with("@") ? prefixed(c.expected.substr(1)) : c.expected;
    EXPECT_EQ(book->defaultTopic(), expected) << c.what;
    EXPECT_EQ(book->defaultTopicWithPrefix(), expected.empty() ? "" : prefixed(expected)) << c.what;
  }
}

TEST_F(MetadataQuestions, ContentsAndIndexFilesPreferSystemThenWindow) {
  auto both = open({{{0, zeroTerminated("sys.hhc")}, {1, zeroTerminated("sys.hhk")}},
                    {{{WindowField::contentsFile, "win.hhc"}, {WindowField::indexFile, "win.hhk"}}}});
  EXPECT_EQ(both->contentsFile(), "sys.hhc");
  EXPECT_EQ(both->indexFile(), "sys.hhk");
  EXPECT_EQ(both->indexFileWithPrefix(), prefixed("sys.hhk"));
  auto window = open({{}, {{{WindowField::contentsFile, "win.hhc"}, {WindowField::indexFile, "win.hhk"}}}});
  EXPECT_EQ(window->contentsFile(), "win.hhc");
  EXPECT_EQ(window->indexFile(), "win.hhk");
  auto none = open({{}, {}});
  EXPECT_EQ(none->contentsFile(), "");
  EXPECT_EQ(none->indexFileWithPrefix(), "");
}

TEST_F(MetadataQuestions, LanguagesDecideTheCodePages) {
  struct Case {
    std::uint32_t header;
    std::uint32_t system;  // 0: no record 4
    int characterSet;
    int contentLanguage, containerCodePage, contentCodePage;
  } cases[] = {
      {0x409, 0x419, 0, 0x419, 1252, 1251},
      {0x411, 0, 0, 1033, 932, 1252},
      {0x409, 0, 0, 1033, 1252, 1252},
      {0x419, 0x412, 0, 0x412, 1251, 1252},  // a language the table lacks: 1252
      {0x409, 0x411, 1251, 0x411, 1251, 1251},  // the character-set setting rules both
  };
  for (const Case& c : cases) {
    StringPool pool;
    std::vector<std::pair<int, std::string>> records;
    if (c.system) records.push_back({4, language(c.system)});
    ChmBuilder builder;
    builder.languageId(c.header).add("/#SYSTEM", test::systemFile(3, records), false).add("/#STRINGS", pool.bytes());
    auto path = builder.write(scratch_ / "lang.chm");
    auto book = test::openBook(path, c.characterSet);
    EXPECT_EQ(book->contentLanguage(), c.contentLanguage) << std::hex << c.header << " " << c.system;
    EXPECT_EQ(book->containerCodePage(), c.containerCodePage) << std::hex << c.header;
    EXPECT_EQ(book->contentCodePage(), c.contentCodePage) << std::hex << c.system;
  }
}

// Books compiled by chmcmd.

TEST(FixtureMetadata, WindowedBookAnswersEveryQuestion) {
  auto path = test::fixtureBook("metadata");
  PGWK_REQUIRE_FIXTURE(path);
  auto book = test::openBook(path);
  EXPECT_EQ(book->title(), "Main window title");
  EXPECT_EQ(book->title(nullptr, true), "Metadata book");
  EXPECT_EQ(book->defaultTopic(), "html/intro.htm");
  EXPECT_EQ(book->defaultTopicWithPrefix(), path.string() + "::html/intro.htm");
  EXPECT_EQ(book->homePage(), "html/home.htm");
  EXPECT_EQ(book->jumpLabel(), "Jump label");
  EXPECT_EQ(book->jumpTarget(), "http://example.org/jump");
  EXPECT_EQ(book->contentsFile(), "toc.hhc");
  EXPECT_EQ(book->indexFile(), "index.hhk");
  EXPECT_EQ(book->mainArchive()->metadata().defaultWindow, "main");
  EXPECT_EQ(book->mainArchive()->metadata().windowRecord, 8u + 196u) << "the second record is named main";
}

TEST(FixtureMetadata, BookWithoutWindowsOrTitleFallsBack) {
  auto path = test::fixtureBook("fallbacks");
  PGWK_REQUIRE_FIXTURE(path);
  auto book = test::openBook(path);
  EXPECT_FALSE(book->mainArchive()->metadata().windowRecord);
  EXPECT_EQ(book->title(), path.string());
  EXPECT_EQ(book->defaultTopic(), "default.htm") << "notes/intro.txt is not a page";
  EXPECT_EQ(std::string(book->readFile(book->defaultTopic(), false).view()).find("default in a folder") !=
                std::string::npos,
            true);
  EXPECT_EQ(book->homeOrDefault(), path.string() + "::default.htm");
  EXPECT_EQ(book->topicCount(), 0u);
}

TEST(FixtureMetadata, RussianBookUsesCodePage1251) {
  auto path = test::fixtureBook("russian");
  PGWK_REQUIRE_FIXTURE(path);
  auto book = test::openBook(path);
  EXPECT_EQ(book->contentLanguage(), 0x419);
  EXPECT_EQ(book->contentCodePage(), 1251);
  EXPECT_EQ(book->containerCodePage(), 1251);
  EXPECT_EQ(utf8FromCodePage(book->title(), book->contentCodePage()), "Книга по-русски");
  // The stored UTF-8 name is held in the container code page.
  std::string name = codePageFromUtf8("/глава.htm", 1251);
  EXPECT_TRUE(book->exists(name));
  EXPECT_EQ(book->readFile(name, true).view(), book->readFile("/glava.htm", true).view());
}

}  // namespace
}  // namespace pgwk
