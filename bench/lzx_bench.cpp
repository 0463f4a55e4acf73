// Decodes the whole compressed section of each book given on the command line (by
// default the largest books of the shared corpus) with our LZX decoder and with
// libmspack's, in the same run, and prints the output MB/s of both and their ratio.
//
//   lzx_bench [benchmark flags] [book.chm ...]

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "document/lzx_decoder.h"
#include "lzx/chm_lzx_section.h"
#include "lzx/peer_lzxd.h"

namespace fs = std::filesystem;

namespace {

struct Book {
  std::string name;
  pgwk::test::ChmLzxSection section;
  bool peerNeedsLength = false;
};

std::vector<fs::path> largestCorpusBooks(std::size_t count) {
  const char* env = std::getenv("PGWK_CORPUS_DIR");
  fs::path corpus = env && *env ? fs::path(env) : fs::path(PGWK_DEFAULT_CORPUS_DIR);
  std::vector<fs::path> books;
  std::error_code ec;
  for (const char* folder : {"real", "generated"})
    for (const auto& e : fs::directory_iterator(corpus / folder, ec))
      if (e.is_regular_file()) books.push_back(e.path());
  std::sort(books.begin(), books.end(),
            [](const fs::path& a, const fs::path& b) { return fs::file_size(a) > fs::file_size(b); });
  if (books.size() > count) books.resize(count);
  return books;
}

void decodeOurs(benchmark::State& state, const Book* book) {
  const auto& s = book->section;
  std::vector<std::uint8_t> out(s.uncompressedLength);
  // One decoder for every run, as a book keeps one.
  pgwk::LzxDecoder decoder;
  for (auto _ : state) {
    if (decoder.initialise(s.windowBits) != 0 ||
        decoder.decode(s.stream.data(), s.compressedLength, out.data(), out.size()) != 0) {
      state.SkipWithError("decode failed");
      return;
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * out.size()));
}

void decodePeer(benchmark::State& state, const Book* book) {
  const auto& s = book->section;
  std::vector<std::uint8_t> out(s.uncompressedLength);
  const int resetFrames = static_cast<int>(s.resetInterval / pgwk::LzxDecoder::kFrameSize);
  for (auto _ : state) {
    if (pgwk::test::peerLzxDecode(s.stream.data(), s.compressedLength, s.windowBits, resetFrames,
                                  out.data(), out.size(), book->peerNeedsLength) != 0) {
      state.SkipWithError("libmspack failed");
      return;
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * out.size()));
}

// Keeps the console output and remembers every run's throughput for the summary.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      // With repetitions, the median stands for the benchmark.
      const bool aggregate = run.run_type == Run::RT_Aggregate;
      if (aggregate && run.aggregate_name != "median") continue;
      auto it = run.counters.find("bytes_per_second");
      if (it == run.counters.end()) continue;
      std::string name = run.run_name.function_name;
      if (aggregate || !rates_.count(name)) rates_[name] = it->second.value / 1e6;
    }
  }

  void printSummary(const std::vector<Book>& books) const {
    std::printf("\n%-36s %12s %14s %8s\n", "book (whole LZX section)", "ours MB/s", "libmspack MB/s", "ratio");
    for (const Book& b : books) {
      auto ours = rates_.find("ours/" + b.name);
      auto peer = rates_.find("libmspack/" + b.name);
      if (ours == rates_.end() || peer == rates_.end()) continue;
      std::printf("%-36s %12.1f %14.1f %7.2fx\n", b.name.c_str(), ours->second, peer->second,
                  ours->second / peer->second);
    }
  }

 private:
  std::map<std::string, double> rates_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::vector<fs::path> paths;
  for (int i = 1; i < argc; ++i) paths.emplace_back(argv[i]);
  if (paths.empty()) paths = largestCorpusBooks(3);

  std::vector<Book> books;
  books.reserve(paths.size());
  for (const fs::path& p : paths) {
    Book book;
    book.name = p.filename().string();
    std::string why;
    if (!pgwk::test::readChmLzxSection(p, book.section, why)) {
      std::fprintf(stderr, "lzx_bench: %s: %s\n", p.c_str(), why.c_str());
      continue;
    }
    // Which way libmspack takes this book (see peer_lzxd.h); the timed runs use it.
    const auto& s = book.section;
    std::vector<std::uint8_t> probe(s.uncompressedLength);
    const int resetFrames = static_cast<int>(s.resetInterval / pgwk::LzxDecoder::kFrameSize);
    if (pgwk::test::peerLzxDecode(s.stream.data(), s.compressedLength, s.windowBits, resetFrames,
                                  probe.data(), probe.size(), false) != 0)
      book.peerNeedsLength = true;
    books.push_back(std::move(book));
  }
  if (books.empty()) {
    std::fprintf(stderr, "lzx_bench: no book to decode\n");
    return 1;
  }
  for (const Book& b : books) {
    benchmark::RegisterBenchmark(("ours/" + b.name).c_str(), decodeOurs, &b)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("libmspack/" + b.name).c_str(), decodePeer, &b)->Unit(benchmark::kMillisecond);
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printSummary(books);
  benchmark::Shutdown();
  return 0;
}
