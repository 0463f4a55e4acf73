// The search over a book's archives: matching, summing, limits, previous results,
// titles, and what a damaged index leaves behind.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "content/full_text_search.h"
#include "document/error_report.h"
#include "document/loading_progress.h"
#include "foundation/reader_error.h"
#include "index_image.h"

namespace pgwk {
namespace {

using test::buildIndexImage;
using test::IndexWord;

struct FakeArchive {
  std::string name;
  std::vector<std::uint8_t> index;  // empty: none
  std::vector<std::string> titles;
};

// A book of archives held in memory; it tracks the current archive like the Book.
class FakeSource : public SearchSource {
 public:
  std::vector<FakeArchive> archives;
  int current = -1;
  int remembered = -2;
  int reads = 0;

  int archiveCount() override { return static_cast<int>(archives.size()); }
  // Archives are told apart by name: a replaced archive gets another.
  const void* archiveIdentity(int a) override { return identities.emplace(archives[a].name).first->c_str(); }
  std::set<std::string> identities;
  std::string archiveFileName(int a) override { return archives[a].name; }
  bool hasIndex(int a) override {
    current = a;
    return !archives[a].index.empty();
  }
  IndexBytes readIndex(int a) override {
    current = a;
    ++reads;
    return archives[a].index;
  }
  int codePage = 1252;
  int contentCodePage() override { return codePage; }
  int topicCount(int a) override { return static_cast<int>(archives[a].titles.size()); }
  std::string topicTitle(int a, int t) override { return archives[a].titles[t]; }
  void rememberCurrentArchive() override { remembered = current; }
  void restoreCurrentArchive() override { current = remembered; }
};

class RecordingReporter : public ErrorReport {
 public:
  std::vector<std::pair<std::string, std::string>> shown;
  void showMessage(std::string_view caption, std::string_view text) override { shown.emplace_back(caption, text); }
};

class RecordingProgress : public LoadingProgress {
 public:
  std::vector<std::string> files;
  int total = 0;
  void reportFile(std::string_view name) override { files.emplace_back(name); }
  void addToTotal(int n) override { total += n; }
};

// (topic, count) of each hit, in order.
std::vector<std::pair<int, int>> topicsAndCounts(const std::vector<SearchHit>& hits) {
  std::vector<std::pair<int, int>> out;
  for (const SearchHit& h : hits) out.emplace_back(h.topic, h.count);
  return out;
}

std::vector<std::vector<IndexWord>> compWords() {
  return {{{"comp", {{9, 1}}},
           {"compile", {{1, 2}, {2, 1}}},
           {"compiler", {{1, 3}, {3, 1}}},
           {"complete", {{4, 1}}}},
          {{"decompose", {{2, 4}}}, {"zebra", {{5, 1}}}}};
}

class SearchTest : public ::testing::Test {
 protected:
  FakeSource source;
  RecordingReporter reporter;
  RecordingProgress progress;
  FullTextSearch search{source, reporter, progress};
  int added = 0;

  // Every archive gets a name of its own, also after the list was cleared.
  void addArchive(const std::vector<std::vector<IndexWord>>& leaves, std::vector<std::string> titles = {}) {
    FakeArchive a{"book" + std::to_string(added++) + ".chm", {}, std::move(titles)};
    if (!leaves.empty()) a.index = buildIndexImage(leaves).bytes;
    source.archives.push_back(std::move(a));
  }
  const std::vector<SearchHit>& run(std::string_view query, SearchOptions options = {},
                                    std::span<const SearchHit> previous = {}) {
    search.search(query, options, previous);
    return search.hits();
  }
};

TEST_F(SearchTest, SubstringQueryMatchesEveryWordContainingItAndSumsCountsPerTopic) {
  addArchive(compWords());
  SearchOptions substring{false, false, false};
  // compile, compiler, decompose contain "comp" (and comp, complete); topic 1 is named by
  // compile (2) and compiler (3), topic 2 by compile (1) and decompose (4).
  std::vector<std::pair<int, int>> expected = {{1, 5}, {2, 5}, {9, 1}, {3, 1}, {4, 1}};
  EXPECT_EQ(topicsAndCounts(run("Comp", substring)), expected);
  for (std::size_t i = 0; i < search.hits().size(); ++i) EXPECT_EQ(search.hits()[i].place, int(i + 1));
}

TEST_F(SearchTest, WholeWordQueryMatchesOnlyThatWordAndStopsThere) {
  addArchive(compWords());
  EXPECT_EQ(topicsAndCounts(run("comp")), (std::vector<std::pair<int, int>>{{9, 1}}));
  EXPECT_EQ(topicsAndCounts(run("  COMPILER; ")), (std::vector<std::pair<int, int>>{{1, 3}, {3, 1}}));
  EXPECT_TRUE(run("compil").empty());
}

TEST_F(SearchTest, WholeWordsReadTheTextEntryOfAWordWhicheverComesFirst) {
  using Hits = std::vector<std::pair<int, int>>;
  SearchOptions substring{false, false, false};
  // Text entry first, then the title entry: only the first is read.
  addArchive({{{"word", {{1, 1}}}, {"word", {{2, 1}}, 1}}});
  EXPECT_EQ(topicsAndCounts(run("word")), (Hits{{1, 1}}));
  EXPECT_EQ(run("word", substring).size(), 2u);
  // Title entry first: the text entry that follows is the one read.
  source.archives.clear();
  addArchive({{{"word", {{2, 1}}, 1}, {"word", {{1, 3}, {4, 1}}}, {"wordy", {{5, 1}}}}});
  EXPECT_EQ(topicsAndCounts(run("word")), (Hits{{1, 3}, {4, 1}}));
  // A word found only in titles is found there, before another word or at the end.
  source.archives.clear();
  addArchive({{{"only", {{7, 1}}, 1}, {"other", {{8, 1}}}}, {{"last", {{9, 2}}, 1}}});
  EXPECT_EQ(topicsAndCounts(run("only")), (Hits{{7, 1}}));
  EXPECT_EQ(topicsAndCounts(run("last")), (Hits{{9, 2}}));
  // Substrings take every entry and sum the counts of a topic.
  source.archives.clear();
  addArchive({{{"word", {{2, 1}}, 1}, {"word", {{2, 3}, {4, 1}}}}});
  EXPECT_EQ(topicsAndCounts(run("word", substring)), (Hits{{2, 4}, {4, 1}}));
}

TEST_F(SearchTest, QueryIsFoldedForTheIndexButNotForTitles) {
  addArchive({{{"encyclopaedia", {{1, 1}}}}}, {"Encyclop\xE6" "dia Index"});
  EXPECT_EQ(run("Encyclop\xE6" "dia").size(), 1u);
  SearchOptions titles{false, false, true};
  EXPECT_EQ(run("encyclop\xE6" "dia", titles).size(), 1u);
  EXPECT_TRUE(run("encyclopaedia", titles).empty());
}

TEST_F(SearchTest, QueryOfADoubleByteBookIsNotFolded) {
  // "\xB1\xEA\xC7\xA9" is a two-character word in code page 936; folded it would
  // become other bytes that no index word holds.
  addArchive({{{"\xB1\xEA\xC7\xA9", {{2, 1}}}}});
  source.codePage = 936;
  EXPECT_EQ(run("\xB1\xEA\xC7\xA9").size(), 1u);
  source.codePage = 1251;
  EXPECT_TRUE(run("\xB1\xEA\xC7\xA9").empty());
}

TEST_F(SearchTest, QueryOfMoreThan200CharactersIsRefused) {
  addArchive(compWords());
  EXPECT_NO_THROW(run(std::string(200, 'a')));
  try {
    run(std::string(201, 'a'));
    FAIL();
  } catch (const ReaderError& e) {
    EXPECT_EQ(e.message(), "Word is too long for search, max length 200.");
  }
  EXPECT_TRUE(search.hits().empty());
}

TEST_F(SearchTest, EmptyQueryFindsNothing) {
  addArchive(compWords(), {"a", "b"});
  SearchOptions substring{false, false, false};
  EXPECT_TRUE(run("", substring).empty());
  EXPECT_TRUE(run(" ' ", substring).empty());
  EXPECT_TRUE(run("", SearchOptions{false, false, true}).empty());
}

TEST_F(SearchTest, TitlesOnlyFindsTheFirstOccurrenceAndChecksWholeWordsThere) {
  addArchive({}, {"Introduction to Setup", "Setup intro", "Untitled topic", "Intro-duction",
                  std::string(98, 'x') + " intro"});
  SearchOptions titles{false, false, true};
  SearchOptions wholeTitles{false, true, true};
  std::vector<std::pair<int, int>> all = {{0, 1}, {1, 1}, {3, 1}};
  EXPECT_EQ(topicsAndCounts(run("intro", titles)), all);
  // "Introduction" fails the test and later occurrences are not tried; title 4's
  // "intro" lies beyond the first 100 characters.
  EXPECT_EQ(topicsAndCounts(run("intro", wholeTitles)), (std::vector<std::pair<int, int>>{{1, 1}, {3, 1}}));
  // A separator may end the title or come from the folding table's view of it.
  EXPECT_EQ(run("setup", wholeTitles).size(), 2u);
}

TEST_F(SearchTest, PreviousResultsKeepOnlyTopicsFoundBefore) {
  addArchive(compWords(), {"comp one", "comp two"});
  SearchOptions within{true, false, false};
  EXPECT_TRUE(run("comp", within, {}).empty());
  std::vector<SearchHit> previous = {{0, 2, 7, 1}, {1, 1, 1, 2}, {0, 4, 1, 3}};
  EXPECT_EQ(topicsAndCounts(run("comp", within, previous)), (std::vector<std::pair<int, int>>{{2, 5}, {4, 1}}));
  SearchOptions titlesWithin{true, false, true};
  std::vector<SearchHit> firstTitle = {{0, 0, 1, 1}};
  EXPECT_EQ(topicsAndCounts(run("comp", titlesWithin, firstTitle)), (std::vector<std::pair<int, int>>{{0, 1}}));
}

TEST_F(SearchTest, HitsOfLaterArchivesCarryTheirPositionAndArchivesWithoutIndexAreSkipped) {
  addArchive(compWords());
  addArchive({});
  addArchive({{{"compile", {{7, 9}}}}});
  const auto& hits = run("compile");
  ASSERT_EQ(hits.size(), 3u);
  EXPECT_EQ(hits[0].chmFile, 2);
  EXPECT_EQ(hits[0].topic, 7);
  EXPECT_EQ(hits[1].chmFile, 0);
  EXPECT_EQ(source.current, -1) << "the caller's current archive comes back";
}

std::vector<test::IndexTopic> manyTopics(int first, int n) {
  std::vector<test::IndexTopic> topics;
  for (int i = 0; i < n; ++i) topics.push_back({first + i, 1});
  return topics;
}

TEST_F(SearchTest, SearchEndsAtFiveHundredHits) {
  addArchive({{{"alpha", manyTopics(0, 300)}, {"alpine", manyTopics(1000, 300)}}});
  addArchive({{{"alpha", manyTopics(0, 10)}}});
  SearchOptions substring{false, false, false};
  const auto& hits = run("alp", substring);
  EXPECT_EQ(hits.size(), 500u);
  for (const SearchHit& h : hits) EXPECT_EQ(h.chmFile, 0);
  // Whole words: the first archive gives 300, the second its 10.
  EXPECT_EQ(run("alpha").size(), 310u);
}

TEST_F(SearchTest, DamagedIndexIsShownAndTheHitsFoundSoFarAreKept) {
  addArchive(compWords());
  test::IndexImage damaged = buildIndexImage({{{"compile", {{1, 1}}}}, {{"compiler", {{2, 1}}}}});
  // The second leaf's free space no longer fits the node.
  test::put16(damaged.bytes, damaged.leafOffsets[1] + 6, 0x8000);
  source.archives.push_back({"bad.chm", damaged.bytes, {}});
  addArchive({{{"compile", {{3, 1}}}}});
  SearchOptions substring{false, false, false};
  const auto& hits = run("compile", substring);
  ASSERT_EQ(reporter.shown.size(), 1u);
  EXPECT_EQ(reporter.shown[0].first, "PGWK Exception");
  EXPECT_EQ(reporter.shown[0].second, "Full-text index is damaged: a leaf node's free space does not fit the node.");
  // The first archive's hits stay; the search ended at the damaged one.
  EXPECT_EQ(topicsAndCounts(hits), (std::vector<std::pair<int, int>>{{1, 5}, {2, 1}, {3, 1}}));
  EXPECT_EQ(source.current, -1);
}

TEST_F(SearchTest, DamagedTopicListEndsTheSearchWithTheHitsOfThatListSoFar) {
  test::IndexImage image = buildIndexImage({{{"word", {{1, 1}, {2, 1}, {3, 1}}}}});
  std::vector<std::uint8_t> list = test::topicListBytes({{1, 1}, {2, 1}, {3, 1}}, {});
  ASSERT_EQ(list.size(), 6u) << "two bytes per topic with these roots";
  // One byte less: the third topic's codes run past the list.
  std::size_t lengthAt = image.leafOffsets[0] + 8 + 2 + 4 + 1 + 1 + 4 + 2;
  ASSERT_EQ(image.bytes[lengthAt], 6);
  image.bytes[lengthAt] = 5;
  source.archives.push_back({"a.chm", image.bytes, {}});
  EXPECT_EQ(topicsAndCounts(run("word")), (std::vector<std::pair<int, int>>{{1, 1}, {2, 1}}));
  ASSERT_EQ(reporter.shown.size(), 1u);
  EXPECT_EQ(reporter.shown[0].second, "Full-text index is damaged: a code runs past its topic list.");
}

TEST_F(SearchTest, LoadingBuildsTablesReportsProgressAndIsOptional) {
  addArchive(compWords());
  addArchive({});
  addArchive({{{"x", {{1, 1}}}}});
  EXPECT_TRUE(search.hasFullTextIndex());
  search.loadSearchIndex();
  EXPECT_EQ(progress.files, (std::vector<std::string>{"book0.chm", "book2.chm"}));
  // Six words in two leaves: 3 per leaf; one word in one leaf: 1.
  EXPECT_EQ(progress.total, 3 + 3 + 1);
  EXPECT_TRUE(reporter.shown.empty());
  int readsAfterLoad = source.reads;
  run("compile");
  EXPECT_EQ(source.reads, readsAfterLoad) << "the loaded indexes are kept";

  FakeSource other;
  other.archives.push_back({"plain.chm", {}, {"t"}});
  RecordingReporter quiet;
  LoadingProgress silent;
  EXPECT_FALSE(FullTextSearch(other, quiet, silent).hasFullTextIndex());
}

TEST_F(SearchTest, LoadFailureIsShownAndLaterArchivesAreLoadedWhenSearched) {
  source.archives.push_back({"bad.chm", std::vector<std::uint8_t>(10, 0), {}});
  addArchive({{{"word", {{4, 1}}}}});
  search.loadSearchIndex();
  ASSERT_EQ(reporter.shown.size(), 1u);
  EXPECT_EQ(reporter.shown[0].second, "Full-text index is damaged: the header is incomplete.");
  EXPECT_EQ(progress.files, (std::vector<std::string>{"bad.chm"}));
  EXPECT_EQ(source.current, -1);
  // The damaged archive ends the search again, before the good one is reached.
  EXPECT_TRUE(run("word").empty());
  EXPECT_EQ(reporter.shown.size(), 2u);
  source.archives.erase(source.archives.begin());
  EXPECT_EQ(run("word").size(), 1u);
}

TEST_F(SearchTest, TablesFollowArchivesThatChangeUnderThemWithoutReloading) {
  addArchive({{{"one", {{1, 1}}}}});
  search.loadSearchIndex();
  // Another archive at the same position must not use the old one's index.
  source.archives[0] = {"replacement.chm", buildIndexImage({{{"aaa", {}}}, {{"one", {{5, 1}}}}}).bytes, {}};
  EXPECT_EQ(topicsAndCounts(run("one")), (std::vector<std::pair<int, int>>{{5, 1}}));
  EXPECT_TRUE(reporter.shown.empty());
}

}  // namespace
}  // namespace pgwk
