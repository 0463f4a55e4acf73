// Reading one page of a big book: the reader's page path (Read file on an open Book,
// which decodes the page's span from its restart point every time) against chmlib
// (chm_resolve_object and chm_retrieve_object on an open file, with its block cache),
// in the same run. Also opening the book and reading one page, which is what a fresh
// `pgwktool cat` or `test_chmLib` process does.
//
//   page_read_bench [benchmark flags] [book.chm]
// The book defaults to lcl.chm fetched by bench/extract-bench.sh, else the corpus's
// largest book.

#include <benchmark/benchmark.h>

#include <chm_lib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "document/book.h"
#include "document/name_rules.h"

namespace fs = std::filesystem;

namespace {

std::string gBook;
std::string gLastPage;              // the page stored last in the compressed section
std::vector<std::string> gSpread;  // pages spread over the whole section

std::unique_ptr<pgwk::Book> openBook() {
  auto book = std::make_unique<pgwk::Book>();
  book->setMainArchive(&book->openChmFile(gBook));
  return book;
}

void choosePages() {
  auto book = openBook();
  std::vector<const pgwk::DirectoryEntry*> pages;
  for (const pgwk::DirectoryEntry& e : book->mainArchive()->entries())
    if (e.section == 1 && pgwk::isPageExtension(pgwk::extensionOf(e.name))) pages.push_back(&e);
  std::sort(pages.begin(), pages.end(), [](auto* a, auto* b) { return a->offset < b->offset; });
  if (pages.empty()) return;
  gLastPage = pages.back()->name;
  for (std::size_t i = 0; i < 8; ++i) gSpread.push_back(pages[i * (pages.size() - 1) / 7]->name);
}

struct ChmlibFile {
  explicit ChmlibFile(const std::string& path) : file(chm_open(path.c_str())) {}
  ~ChmlibFile() {
    if (file) chm_close(file);
  }
  chmFile* file;
};

std::size_t chmlibRead(chmFile* file, const std::string& name, std::vector<unsigned char>& buffer) {
  chmUnitInfo unit;
  if (chm_resolve_object(file, name.c_str(), &unit) != CHM_RESOLVE_SUCCESS) return 0;
  buffer.resize(unit.length);
  return static_cast<std::size_t>(chm_retrieve_object(file, &unit, buffer.data(), 0, unit.length));
}

void readerPages(benchmark::State& state, const std::vector<std::string>& names) {
  auto book = openBook();
  std::size_t i = 0, bytes = 0;
  for (auto _ : state) {
    pgwk::FileBuffer page = book->readFile(names[i++ % names.size()], false);
    bytes += page.length();
    benchmark::DoNotOptimize(page.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void chmlibPages(benchmark::State& state, const std::vector<std::string>& names) {
  ChmlibFile chm(gBook);
  if (!chm.file) return state.SkipWithError("chm_open failed");
  std::vector<unsigned char> buffer;
  std::size_t i = 0, bytes = 0;
  for (auto _ : state) {
    bytes += chmlibRead(chm.file, names[i++ % names.size()], buffer);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void BM_Reader_PageNearEnd(benchmark::State& state) { readerPages(state, {gLastPage}); }
void BM_Chmlib_PageNearEnd(benchmark::State& state) { chmlibPages(state, {gLastPage}); }
void BM_Reader_PagesAcrossBook(benchmark::State& state) { readerPages(state, gSpread); }
void BM_Chmlib_PagesAcrossBook(benchmark::State& state) { chmlibPages(state, gSpread); }

void BM_Reader_OpenAndReadPageNearEnd(benchmark::State& state) {
  for (auto _ : state) {
    auto book = openBook();
    benchmark::DoNotOptimize(book->readFile(gLastPage, false).data());
  }
}

void BM_Chmlib_OpenAndReadPageNearEnd(benchmark::State& state) {
  std::vector<unsigned char> buffer;
  for (auto _ : state) {
    ChmlibFile chm(gBook);
    benchmark::DoNotOptimize(chmlibRead(chm.file, gLastPage, buffer));
  }
}

std::string defaultBook() {
  fs::path lcl = "/tmp/pgwk-bench/lazarus-doc/usr/share/doc/lazarus/2.2.6/lcl.chm";
  if (fs::exists(lcl)) return lcl.string();
  const char* env = std::getenv("PGWK_CORPUS_DIR");
  fs::path corpus = env && *env ? fs::path(env) : fs::path(PGWK_DEFAULT_CORPUS_DIR);
  return (corpus / "generated" / "fpc-fcl-medium.chm").string();
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  gBook = argc > 1 ? argv[1] : defaultBook();
  try {
    choosePages();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "page_read_bench: %s: %s\n", gBook.c_str(), e.what());
    return 1;
  }
  if (gLastPage.empty()) {
    std::fprintf(stderr, "page_read_bench: %s has no compressed pages\n", gBook.c_str());
    return 1;
  }
  std::fprintf(stderr, "book: %s\npage near the end: %s\n", gBook.c_str(), gLastPage.c_str());
  benchmark::RegisterBenchmark("Reader/PageNearEnd", BM_Reader_PageNearEnd);
  benchmark::RegisterBenchmark("Chmlib/PageNearEnd", BM_Chmlib_PageNearEnd);
  benchmark::RegisterBenchmark("Reader/PagesAcrossBook", BM_Reader_PagesAcrossBook);
  benchmark::RegisterBenchmark("Chmlib/PagesAcrossBook", BM_Chmlib_PagesAcrossBook);
  benchmark::RegisterBenchmark("Reader/OpenAndReadPageNearEnd", BM_Reader_OpenAndReadPageNearEnd);
  benchmark::RegisterBenchmark("Chmlib/OpenAndReadPageNearEnd", BM_Chmlib_OpenAndReadPageNearEnd);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
