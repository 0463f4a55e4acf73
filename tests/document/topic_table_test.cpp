// Topic tables: count, title, location and the topic of a location, on crafted
// tables (including damaged ones) and on a book compiled by chmcmd.

#include <gtest/gtest.h>

#include <string>

#include "document/book.h"
#include "document_support.h"
#include "support/chm_builder.h"

namespace pgwk {
namespace {

using test::ChmBuilder;
using test::put32;
using test::ScratchFolder;
using test::StringPool;

struct Topic {
  std::uint32_t title;     // offset in #STRINGS, or 0xFFFFFFFF
  std::uint32_t urlTable;  // offset of the record in #URLTBL
};

class TopicTables : public ::testing::Test {
 protected:
  // Locations go to #URLSTR at record offsets, one #URLTBL record each; topics point at
  // #URLTBL records as given.
  std::unique_ptr<Book> open(const std::vector<Topic>& topics, const std::vector<std::string>& locations,
                             const StringPool& pool, const std::string& topicsTail = "",
                             const std::vector<std::string>& omit = {}) {
    std::string topicFile, urlTable, urlStrings;
    for (const Topic& t : topics) {
      put32(topicFile, 0);
      put32(topicFile, t.title);
      put32(topicFile, t.urlTable);
      put32(topicFile, 6);
    }
    topicFile += topicsTail;
    for (std::size_t i = 0; i < locations.size(); ++i) {
      put32(urlTable, 0);
      put32(urlTable, static_cast<std::uint32_t>(i));
      put32(urlTable, static_cast<std::uint32_t>(urlStrings.size()));
      put32(urlStrings, 0);
      put32(urlStrings, 0);
      urlStrings += locations[i];
      urlStrings += '\0';
    }
    ChmBuilder builder;
    builder.add("/#SYSTEM", test::systemFile(3, {}), false).add("/#STRINGS", pool.bytes());
    auto added = [&](const char* name) { return std::find(omit.begin(), omit.end(), name) == omit.end(); };
    if (added("/#TOPICS")) builder.add("/#TOPICS", topicFile);
    if (added("/#URLTBL")) builder.add("/#URLTBL", urlTable);
    if (added("/#URLSTR")) builder.add("/#URLSTR", urlStrings);
    builder.add("/html/page.htm", "page");
    path_ = builder.write(scratch_ / "topics.chm");
    return test::openBook(path_);
  }
  ScratchFolder scratch_;
  std::filesystem::path path_;
};

TEST_F(TopicTables, TitlesAndLocationsByNumber) {
  StringPool pool;
  std::uint32_t first = pool.add("First topic"), second = pool.add("Second");
  auto book = open({{first, 0}, {0xFFFFFFFFu, 12}, {second, 24}, {first, 36}, {0x7FFFFFFF, 0}, {second, 1000}},
                   {"html/page.htm", "html/other.htm", "Docs/Third.htm"}, pool, "tail");
  const ChmArchive& archive = *book->currentArchive();
  EXPECT_EQ(book->topicCount(&archive), 6u) << "the trailing bytes of #TOPICS are ignored";
  EXPECT_EQ(book->topicTitle(0, archive), "First topic");
  EXPECT_EQ(book->topicTitle(1, archive), "Untitled topic");
  EXPECT_EQ(book->topicTitle(2, archive), "Second");
  EXPECT_EQ(book->topicTitle(4, archive), "Untitled topic") << "a title offset past #STRINGS";
  EXPECT_EQ(book->topicTitle(6, archive), "Incorrect topic id");
  EXPECT_EQ(book->topicTitle(-1, archive), "Incorrect topic id");

  EXPECT_EQ(book->topicLocation(0), "html/page.htm");
  EXPECT_EQ(book->topicLocation(2, &archive), "Docs/Third.htm");
  EXPECT_FALSE(book->topicLocation(3)) << "#URLTBL record 36 does not exist";
  EXPECT_FALSE(book->topicLocation(5)) << "#URLTBL offset past its file";
  EXPECT_FALSE(book->topicLocation(6));
  EXPECT_FALSE(book->topicLocation(-1));
}

TEST_F(TopicTables, ALocationFindsItsTopic) {
  StringPool pool;
  auto book = open({{0, 0}, {0, 12}, {0, 24}, {0, 36}}, {"html/intro.htm", "html/page.htm", "a b.htm"}, pool);
  struct Case {
    std::string location;
    std::int64_t topic;
  } cases[] = {
      {"html/page.htm", 1},
      {"html/Page.htm#sec2", 1},
      {"/HTML/PAGE.HTM", 1},
      {"./html/intro.htm", 0},
      {"a%20b.htm", 2},
      {"a&#32;b.htm", 2},
      {"topics.chm::/html/page.htm", 1},
      {"html/page.html", -1},
      {"page.htm", -1},
      {"", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(book->topicOfLocation(c.location), c.topic) << c.location;
  EXPECT_EQ(book->topicOfLocation(path_.string() + "::html/page.htm"), 1);
}

TEST_F(TopicTables, ABookMissingOneTableHasNoTopics) {
  StringPool pool;
  std::uint32_t title = pool.add("Title");
  for (const char* missing : {"/#TOPICS", "/#URLTBL", "/#URLSTR"}) {
    auto book = open({{title, 0}}, {"html/page.htm"}, pool, "", {missing});
    EXPECT_EQ(book->topicCount(), 0u) << missing;
    EXPECT_EQ(book->topicTitle(0, *book->currentArchive()), "Incorrect topic id") << missing;
    EXPECT_EQ(book->topicOfLocation("html/page.htm"), -1) << missing;
  }
}

TEST(FixtureTopics, CompiledBookNumbersItsPages) {
  auto path = test::fixtureBook("metadata");
  PGWK_REQUIRE_FIXTURE(path);
  auto book = test::openBook(path);
  const ChmArchive& archive = *book->mainArchive();
  ASSERT_EQ(book->topicCount(&archive), 7u);
  EXPECT_EQ(book->topicTitle(0, archive), "intro page");
  EXPECT_EQ(book->topicLocation(0), "html/intro.htm");
  EXPECT_EQ(book->topicTitle(3, archive), "Deep");
  EXPECT_EQ(book->topicLocation(3), "html/sub/deep.htm");
  EXPECT_EQ(book->topicTitle(5, archive), "Untitled topic");
  EXPECT_EQ(book->topicOfLocation("html/sub/Deep.htm#top"), 3);
  EXPECT_EQ(book->topicOfLocation("html/page.htm"), 2);
}

}  // namespace
}  // namespace pgwk
