// The full-text search on real books: the fixture books with words chosen for the
// edge cases, pgwktool search, and the differential comparison with the peer's
// search (python3-chm) on every indexed corpus book.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "content/book_search_source.h"
#include "content/full_text_search.h"
#include "document/book.h"
#include "document_support.h"
#include "support/corpus.h"

namespace pgwk {
namespace {

namespace fs = std::filesystem;

class RecordingReport : public ErrorReport {
 public:
  std::vector<std::string> shown;
  void showMessage(std::string_view caption, std::string_view text) override {
    shown.push_back(std::string(caption) + ": " + std::string(text));
  }
};

// A book opened with its search index loaded.
struct SearchedBook {
  explicit SearchedBook(const fs::path& path) : book(test::openBook(path)) { engine.loadSearchIndex(); }

  // Locations of the hits, in hit order.
  std::vector<std::string> locations(std::string_view query, SearchOptions options = {}) {
    engine.search(query, options);
    std::vector<std::string> out;
    for (const SearchHit& h : engine.hits())
      out.push_back(book->topicLocation(h.topic, book->archiveAt(h.chmFile)).value_or("?"));
    return out;
  }

  std::unique_ptr<Book> book;
  BookSearchSource source{*book};
  RecordingReport report;
  LoadingProgress progress;
  FullTextSearch engine{source, report, progress};
};

const SearchOptions kWhole{false, true, false};
const SearchOptions kSubstring{false, false, false};
const SearchOptions kTitles{false, false, true};
const SearchOptions kWholeTitles{false, true, true};

using Locations = std::vector<std::string>;

TEST(BookSearch, FindsTheFixtureWordsAsTheEdgeCasesSay) {
  fs::path pages = test::fixtureBook("pages");
  PGWK_REQUIRE_FIXTURE(pages);
  SearchedBook s(pages);
  ASSERT_TRUE(s.engine.hasFullTextIndex());
  // "Comp" as a substring: comp, compile, compiler and decompose; search.htm has
  // compile 2, compiler 2, decompose 1; compiler.htm comp 1, compiler 1 and the
  // title word "compiler" 1.
  s.engine.search("Comp", kSubstring);
  ASSERT_EQ(s.engine.hits().size(), 2u);
  EXPECT_EQ(s.engine.hits()[0].count, 5);
  EXPECT_EQ(s.engine.hits()[1].count, 3);
  EXPECT_EQ(s.locations("Comp", kSubstring), (Locations{"html/search.htm", "html/compiler.htm"}));
  EXPECT_EQ(s.locations("comp", kWhole), (Locations{"html/compiler.htm"}));
  // chmcmd writes a word's title entry before its text entry: the text's is read.
  EXPECT_EQ(s.locations("compiler", kWhole), (Locations{"html/search.htm", "html/compiler.htm"}));
  EXPECT_EQ(s.locations("decompose"), (Locations{"html/search.htm"}));
  // The query is folded: the index word is the plain spelling.
  EXPECT_EQ(s.locations("Encyclop\xE6" "dia"), (Locations{"html/accents.htm"}));
  EXPECT_EQ(s.locations("caf\xE9"), (Locations{"html/accents.htm"}));
  EXPECT_EQ(s.locations("intro", kTitles), (Locations{"html/search.htm"}));
  EXPECT_EQ(s.locations("intro", kWholeTitles), Locations{});
  EXPECT_EQ(s.locations("untitled topic", kWholeTitles), (Locations{"toc.hhc"}));
  EXPECT_TRUE(s.report.shown.empty());
}

TEST(BookSearch, HitsOfAMergedBookCarryItsNumber) {
  fs::path pages = test::fixtureBook("pages");
  fs::path other = test::fixtureBook("other");
  PGWK_REQUIRE_FIXTURE(pages);
  PGWK_REQUIRE_FIXTURE(other);
  test::ScratchFolder scratch;
  fs::copy_file(pages, scratch / "pages.chm");
  fs::copy_file(other, scratch / "other.chm");
  SearchedBook s(scratch / "pages.chm");
  ChmArchive* main = s.book->currentArchive();
  // The other book joins when a reference names it, after the index was loaded.
  s.book->switchArchive("other.chm::/page.htm");
  s.book->setCurrentArchive(main);
  s.engine.search("compiler", kWhole);
  std::set<std::pair<int, std::string>> found;
  for (const SearchHit& h : s.engine.hits())
    found.emplace(h.chmFile, s.book->topicLocation(h.topic, s.book->archiveAt(h.chmFile)).value_or("?"));
  EXPECT_EQ(found, (std::set<std::pair<int, std::string>>{
                       {0, "html/compiler.htm"}, {0, "html/search.htm"}, {1, "page.htm"}}));
  EXPECT_EQ(s.book->currentArchive(), main);
}

TEST(BookSearch, ToolPrintsOneLinePerHitAndTheCount) {
  fs::path pages = test::fixtureBook("pages");
  PGWK_REQUIRE_FIXTURE(pages);
  std::string out, err;
  ASSERT_EQ(test::runTool("search " + test::shellQuoted(pages.string()) + " comp --substring", &out, &err), 0) << err;
  EXPECT_EQ(out,
            "1\t0\t6\t5\tIntroduction to Setup\thtml/search.htm\n"
            "2\t0\t7\t3\tCompiler options\thtml/compiler.htm\n"
            "hits: 2\n");
  ASSERT_EQ(test::runTool("search " + test::shellQuoted(pages.string()) + " Setup --titles", &out, &err), 0);
  EXPECT_EQ(out, "1\t0\t6\t1\tIntroduction to Setup\thtml/search.htm\nhits: 1\n");
  ASSERT_EQ(test::runTool("search " + test::shellQuoted(pages.string()) + " nothing", &out, &err), 0);
  EXPECT_EQ(out, "hits: 0\n");
  ASSERT_EQ(test::runTool("search " + test::shellQuoted(pages.string()) + " " + std::string(201, 'a'), &out, &err),
            1);
  EXPECT_EQ(err, "pgwktool: Word is too long for search, max length 200.\n");
}

// ---- Differential search against the peer ----

std::string hex(std::string_view bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string unhex(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) out += static_cast<char>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16));
  return out;
}

struct Query {
  std::string word;
  bool wholeWords;
};

// Title to the locations of the topics with that title: the peer keys its hits by
// title, so of several topics sharing a title it keeps one.
using HitsByTitle = std::map<std::string, std::set<std::string>>;

std::vector<HitsByTitle> peerSearch(const fs::path& book, const std::vector<Query>& queries) {
  test::ScratchFolder scratch;
  {
    std::ofstream in(scratch / "queries");
    for (const Query& q : queries) in << hex(q.word) << ' ' << (q.wholeWords ? 1 : 0) << '\n';
  }
  std::string command = "/usr/bin/python3 " + test::shellQuoted(PEER_SEARCH_SCRIPT) + " " +
                        test::shellQuoted(book.string()) + " <" + test::shellQuoted((scratch / "queries").string()) +
                        " >" + test::shellQuoted((scratch / "answers").string()) + " 2>/dev/null";
  std::vector<HitsByTitle> answers;
  if (std::system(command.c_str()) != 0) return answers;
  std::ifstream out(scratch / "answers");
  std::string line;
  while (std::getline(out, line)) {
    HitsByTitle hits;
    std::istringstream items(line);
    std::string item;
    while (items >> item) {
      std::size_t colon = item.find(':');
      hits[unhex(item.substr(0, colon))].insert(unhex(item.substr(colon + 1)));
    }
    answers.push_back(std::move(hits));
  }
  return answers;
}

bool peerAvailable() {
  return std::system("/usr/bin/python3 -c 'import chm.chm' >/dev/null 2>&1") == 0;
}

// A query for both engines. A substring query is answered by the peer, which
// matches only word beginnings, as the union of prefix queries for every index word
// that contains it.
struct DifferentialQuery {
  std::string word;
  bool wholeWords = true;
  std::vector<std::string> containing;  // substring queries: index words containing word
};

constexpr std::size_t kMaxPeerQueriesPerSubstring = 60;

struct IndexWordInfo {
  std::string word;
  std::uint32_t topicCount = 0;
  // A whole-word query reads this word's text entry; the peer reads whichever entry
  // comes first, so a word whose title entry comes first is no fair question.
  bool fairForWholeWords = true;
};

std::vector<IndexWordInfo> indexWords(SearchedBook& s) {
  std::vector<IndexWordInfo> words;
  for (int a = 0; a < s.source.archiveCount(); ++a) {
    if (!s.source.hasIndex(a)) continue;
    IndexBytes file = s.source.readIndex(a);
    LeafTable table = buildLeafTable(file);
    WordEntry e;
    bool previousWasTitle = false;
    for (std::uint32_t leaf : table.offsets) {
      LeafWalker walker(file, leaf, table.header.nodeLength);
      while (walker.next(e)) {
        if (!words.empty() && words.back().word == e.word) {
          if (previousWasTitle) words.back().fairForWholeWords = false;
          words.back().topicCount = std::max(words.back().topicCount, e.topicCount);
        } else {
          words.push_back({e.word, e.topicCount, true});
        }
        previousWasTitle = e.context == 1;
      }
    }
    break;
  }
  return words;
}

// Words from the book's own index: the most frequent, a rare one, one from the
// middle, and pieces of the rare and the frequent one as substrings.
std::vector<DifferentialQuery> queriesFromIndex(SearchedBook& s) {
  std::vector<IndexWordInfo> words = indexWords(s);
  std::string frequent, rare, middle;
  std::uint32_t most = 0;
  for (const IndexWordInfo& w : words) {
    if (!w.fairForWholeWords) continue;
    if (w.topicCount > most && w.word.size() >= 3) most = w.topicCount, frequent = w.word;
    if (rare.empty() && w.topicCount == 1 && w.word.size() >= 5) rare = w.word;
  }
  for (std::size_t i = words.size() / 2; i < words.size() && middle.empty(); ++i)
    if (words[i].fairForWholeWords) middle = words[i].word;
  std::vector<DifferentialQuery> queries;
  for (const std::string& w : {frequent, rare, middle})
    if (!w.empty()) queries.push_back({w, true, {}});
  std::vector<std::string> pieces;
  if (rare.size() >= 5) pieces.push_back(rare.substr(1, rare.size() - 2));
  if (frequent.size() >= 4) pieces.push_back(frequent.substr(1, 3));
  for (const std::string& piece : pieces) {
    DifferentialQuery q{piece, false, {}};
    std::set<std::string> containing;
    for (const IndexWordInfo& w : words)
      if (w.word.find(piece) != std::string::npos) containing.insert(w.word);
    if (containing.size() > kMaxPeerQueriesPerSubstring) continue;
    q.containing.assign(containing.begin(), containing.end());
    queries.push_back(std::move(q));
  }
  return queries;
}

// The peer names a topic without a title differently.
void renameUntitled(HitsByTitle& hits) {
  auto untitled = hits.find("Untitled in index");
  if (untitled == hits.end()) return;
  hits["Untitled topic"].insert(untitled->second.begin(), untitled->second.end());
  hits.erase(untitled);
}

HitsByTitle ourHits(SearchedBook& s, const DifferentialQuery& q) {
  s.engine.search(q.word, q.wholeWords ? kWhole : kSubstring);
  HitsByTitle hits;
  for (const SearchHit& h : s.engine.hits()) {
    const ChmArchive* archive = s.book->archiveAt(h.chmFile);
    hits[s.book->topicTitle(h.topic, *archive)].insert(s.book->topicLocation(h.topic, archive).value_or(""));
  }
  return hits;
}

// The peer's answers, one per differential query.
std::vector<HitsByTitle> peerAnswers(const fs::path& path, const std::vector<DifferentialQuery>& queries) {
  std::vector<Query> asked;
  for (const DifferentialQuery& q : queries) {
    if (q.wholeWords) asked.push_back({q.word, true});
    else
      for (const std::string& w : q.containing) asked.push_back({w, false});
  }
  std::vector<HitsByTitle> raw = peerSearch(path, asked);
  std::vector<HitsByTitle> answers;
  if (raw.size() != asked.size()) return answers;
  std::size_t next = 0;
  for (const DifferentialQuery& q : queries) {
    HitsByTitle merged;
    std::size_t n = q.wholeWords ? 1 : q.containing.size();
    for (std::size_t k = 0; k < n; ++k, ++next)
      for (const auto& [title, locations] : raw[next]) merged[title].insert(locations.begin(), locations.end());
    renameUntitled(merged);
    answers.push_back(std::move(merged));
  }
  return answers;
}

// Our hits agree with the peer's when both name the same titles and, for each
// title, the peer's location is among ours (the peer keys its hits by title and so
// keeps one of several topics sharing a title). Beyond our 500-hit limit ours need
// only be among the peer's.
::testing::AssertionResult agrees(const HitsByTitle& ours, std::size_t ourCount, const HitsByTitle& peer) {
  std::ostringstream why;
  bool complete = ourCount < FullTextSearch::kMaxHits;
  for (const auto& [title, locations] : peer) {
    if (!complete) break;
    auto found = ours.find(title);
    if (found == ours.end()) {
      why << " missing title '" << title << "'";
      continue;
    }
    for (const std::string& l : locations)
      if (!found->second.count(l)) why << " '" << title << "' at " << l << " not ours";
  }
  for (const auto& [title, locations] : ours)
    if (!peer.count(title)) why << " extra title '" << title << "'";
  if (why.str().empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << why.str();
}

std::vector<fs::path> indexedBooks() {
  std::vector<fs::path> books = test::corpusBooks("real");
  for (const fs::path& p : test::corpusBooks("generated")) books.push_back(p);
  for (const char* name : {"pages", "other"})
    if (fs::path p = test::fixtureBook(name); !p.empty()) books.push_back(p);
  return books;
}

TEST(BookSearchDifferential, AgreesWithThePeerOnEveryIndexedBook) {
  PGWK_REQUIRE_CORPUS();
  if (!peerAvailable()) {
    if (test::runningInCi()) FAIL() << "python3-chm is missing";
    GTEST_SKIP() << "python3-chm is not installed";
  }
  int compared = 0;
  for (const fs::path& path : indexedBooks()) {
    SearchedBook s(path);
    if (!s.engine.hasFullTextIndex()) continue;
    std::vector<DifferentialQuery> queries = queriesFromIndex(s);
    std::vector<HitsByTitle> peer = peerAnswers(path, queries);
    ASSERT_EQ(peer.size(), queries.size()) << path;
    for (std::size_t i = 0; i < queries.size(); ++i) {
      HitsByTitle ours = ourHits(s, queries[i]);
      EXPECT_TRUE(agrees(ours, s.engine.hits().size(), peer[i]))
          << path.filename() << " query '" << queries[i].word << "' whole=" << queries[i].wholeWords;
      ++compared;
    }
    EXPECT_TRUE(s.report.shown.empty()) << path;
  }
  EXPECT_GT(compared, 50);
}

}  // namespace
}  // namespace pgwk
