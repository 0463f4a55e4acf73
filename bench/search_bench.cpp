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

// The most frequent word, a word of one topic, and three letters of the most
// frequent word as a substring.
std::vector<Query> queriesOf(Book& book) {
  BookSearchSource source(book);
  std::string frequent, rare;
  std::uint32_t most = 0;
  for (int a = 0; a < source.archiveCount(); ++a) {
    if (!source.hasIndex(a)) continue;
    IndexBytes file = source.readIndex(a);
    LeafTable table = buildLeafTable(file);
    WordEntry e;
    for (std::uint32_t leaf : table.offsets) {
      LeafWalker walker(file, leaf, table.header.nodeLength);
      while (walker.next(e)) {
        bool letters = std::all_of(e.word.begin(), e.word.end(), [](char c) { return c >= 'a' && c <= 'z'; });
        if (!letters) continue;
        if (e.topicCount > most && e.word.size() >= 4) most = e.topicCount, frequent = e.word;
        if (e.topicCount == 1 && e.word.size() >= 6) rare = e.word;
      }
    }
    break;
  }
  return {{"frequent", frequent, true}, {"rare", rare, true}, {"substring", frequent.substr(0, 3), false}};
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
    for (int i = 0; i < reps; ++i) times.push_back(timeMs([&] { engine.search(q.word, options); }));
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
