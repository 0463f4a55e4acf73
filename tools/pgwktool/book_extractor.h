#pragma once
// Whole-book extraction for pgwktool extract. Unlike the reader's page path, which
// decodes each file's span on its own, this walks every compressed section once,
// decoding each reset interval a single time and handing its bytes to every file that
// overlaps it. Files go below a folder at their stored paths.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "document/book.h"

namespace pgwk::tool {

class BookExtractor {
 public:
  // Called with files done and files in all, now and then.
  using Progress = std::function<void(std::uint64_t done, std::uint64_t total)>;
  // Called for every file that cannot be extracted; extraction goes on.
  using Failure = std::function<void(const std::string& message)>;

  BookExtractor(Book& book, const ChmArchive& archive, std::filesystem::path folder);
  ~BookExtractor();
  BookExtractor(const BookExtractor&) = delete;
  BookExtractor& operator=(const BookExtractor&) = delete;

  // Extracts every stored file but folders; a name that appears twice is taken from
  // its first entry, as lookups do. Returns the number of files that failed.
  std::uint64_t run(const Failure& failure, const Progress& progress = nullptr);

  // The stored name as a relative path below the folder, in UTF-8; empty when the
  // name would leave the folder or cannot be a path ("..", empty, NUL bytes).
  static std::string outputPath(std::string_view storedName, int codePage);

 private:
  struct Job;
  class Output;
  class Mapping;
  void extractPlain(Job& job, std::uint64_t sectionStart);
  void extractCompressedSection(std::uint32_t section, std::vector<Job*>& jobs);
  void fail(Job& job, const std::string& message);
  void finished(Job& job);

  Book& book_;
  const ChmArchive& archive_;
  std::filesystem::path folder_;
  std::unique_ptr<Output> output_;
  std::unique_ptr<Mapping> file_;
  Failure failure_;
  Progress progress_;
  std::uint64_t done_ = 0, total_ = 0, failures_ = 0;
};

}  // namespace pgwk::tool
