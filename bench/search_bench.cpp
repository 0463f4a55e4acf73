// Timings of the full-text search and of page preparation, for bench/search-bench.sh,
// which runs the peer (python3-chm) on the same books and words and prints ratios.
//
//   search_bench words BOOK                 the three benchmark queries of the book:
//                                           "KIND HEXWORD WHOLEWORDS" lines
//   search_bench search BOOK REPS           times each query: "KIND HITS MEDIAN_MS"
//   search_bench picture-page BOOK          the page that refers to the most pictures
//   search_bench prepare BOOK TOPIC REPS DIR
//                                           times the preparation of TOPIC into DIR
//                                           (emptied before each run, as the reader
//                                           does): "prepare FILES MEDIAN_MS"; the names
//                                           of the prepared files go to DIR.names

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "content/book_search_source.h"
#include "content/full_text_search.h"
#include "content/page_preparer.h"
#include "document/book.h"
#include "document/name_rules.h"
#include "foundation/text_routines.h"

namespace fs = std::filesystem;
using namespace pgwk;

namespace {

struct Query {
  std::string kind;
  std::string word;
  bool wholeWords;
};

std::unique_ptr<Book> openBook(const std::string& path) {
  auto book = std::make_unique<Book>();
  book->setMainArchive(&book->openChmFile(path));
  return book;
}

std::string hex(const std::string& bytes) {
  std::string out;
  char two[3];
  for (unsigned char c : bytes) {
    std::snprintf(two, sizeof two, "%02x", c);
    out += two;
  }
  return out;
}

// Words on which both engines read the same entry: a word whose title entry comes
// before its text entry is answered from the titles by the peer and from the text
// by us. Of those: the most frequent below our 500-hit limit, one of a single topic,
// and the first four letters of that one as a substring (for the peer a prefix).
std::vector<Query> queriesOf(Book& book) {
  BookSearchSource source(book);
  struct Word {
    std::string text;
    std::uint32_t topics;
    bool fair;
  };
  std::vector<Word> words;
  for (int a = 0; a < source.archiveCount(); ++a) {
    if (!source.hasIndex(a)) continue;
    IndexBytes file = source.readIndex(a);
    LeafTable table = buildLeafTable(file);
    WordEntry e;
    bool previousWasTitle = false;
    for (std::uint32_t leaf : table.offsets) {
      LeafWalker walker(file, leaf, table.header.nodeLength);
      while (walker.next(e)) {
        if (!words.empty() && words.back().text == e.word) {
          if (previousWasTitle) words.back().fair = false;
          words.back().topics = std::max(words.back().topics, e.topicCount);
        } else {
          words.push_back({e.word, e.topicCount, true});
        }
        previousWasTitle = e.context == 1;
      }
    }
    break;
  }
  std::string frequent, rare;
  std::uint32_t most = 0;
  for (const Word& w : words) {
    bool letters = std::all_of(w.text.begin(), w.text.end(), [](char c) { return c >= 'a' && c <= 'z'; });
    if (!w.fair || !letters) continue;
    if (w.topics > most && w.topics < FullTextSearch::kMaxHits && w.text.size() >= 4) most = w.topics, frequent = w.text;
    if (w.topics == 1 && w.text.size() >= 6) rare = w.text;
  }
  return {{"frequent", frequent, true}, {"rare", rare, true}, {"substring", rare.substr(0, 4), false}};
}

double medianMs(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times.empty() ? 0 : times[times.size() / 2];
}

template <typename Action>
double timeMs(Action&& action) {
  auto start = std::chrono::steady_clock::now();
  action();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

int words(const std::string& path) {
  auto book = openBook(path);
  for (const Query& q : queriesOf(*book)) std::printf("%s %s %d\n", q.kind.c_str(), hex(q.word).c_str(), q.wholeWords);
  return 0;
}

int search(const std::string& path, int reps) {
  auto book = openBook(path);
  BookSearchSource source(*book);
  ErrorReport report;
  FullTextSearch engine(source, report, book->loadingProgress());
  engine.loadSearchIndex();
  for (const Query& q : queriesOf(*book)) {
    SearchOptions options{false, q.wholeWords, false};
    std::vector<double> times;
    // The peer answers with the title and location of every hit, so the titles and
    // locations are looked up here too, as the search pane does.
    std::size_t looked = 0;
    for (int i = 0; i < reps; ++i)
      times.push_back(timeMs([&] {
        engine.search(q.word, options);
        for (const SearchHit& h : engine.hits()) {
          const ChmArchive* archive = book->archiveAt(h.chmFile);
          looked += book->topicTitle(h.topic, *archive).size();
          looked += book->topicLocation(h.topic, archive).value_or("").size();
        }
      }));
    if (looked == 0 && !engine.hits().empty()) std::fprintf(stderr, "search_bench: no titles\n");
    std::printf("%s %zu %.3f\n", q.kind.c_str(), engine.hits().size(), medianMs(times));
  }
  return 0;
}

int picturePage(const std::string& path) {
  auto book = openBook(path);
  ChmArchive& archive = *book->mainArchive();
  std::string best;
  std::size_t most = 0;
  for (const DirectoryEntry& e : archive.entries()) {
    if (!isPageExtension(extensionOf(e.name))) continue;
    FileBuffer page = book->readFile(e.name, false);
    std::string text = lowerCased(page.view());
    std::size_t pictures = 0;
    for (std::size_t at = text.find("<img"); at != std::string::npos; at = text.find("<img", at + 1)) ++pictures;
    if (pictures > most) most = pictures, best = e.name;
  }
  std::printf("%s\n", best.c_str());
  return 0;
}

int prepare(const std::string& path, const std::string& topic, int reps, const std::string& dir) {
  auto book = openBook(path);
  PagePreparer preparer(*book, fs::absolute(dir).string());
  std::vector<double> times;
  for (int i = 0; i < reps; ++i) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    times.push_back(timeMs([&] { preparer.preparePage(topic, PageOptions{}); }));
  }
  std::ofstream names(dir + ".names");
  for (int i = 0; i < preparer.preparedFiles().count(); ++i) names << preparer.preparedFiles().at(i)->entry->name << '\n';
  std::printf("prepare %d %.3f\n", preparer.preparedFiles().count(), medianMs(times));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> a(argv + 1, argv + argc);
  try {
    if (a.size() == 2 && a[0] == "words") return words(a[1]);
    if (a.size() == 3 && a[0] == "search") return search(a[1], std::stoi(a[2]));
    if (a.size() == 2 && a[0] == "picture-page") return picturePage(a[1]);
    if (a.size() == 5 && a[0] == "prepare") return prepare(a[1], a[2], std::stoi(a[3]), a[4]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "search_bench: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr, "usage: see the head of bench/search_bench.cpp\n");
  return 2;
}
