#pragma once
// FullTextSearch finds the topics of a book that contain a word: in the full-text
// index of each CHM file of the book, or, with the titles-only option, in the topic
// titles. Hits are ranked by how often the word occurs.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "content/full_text_index.h"
#include "content/search_options.h"

namespace pgwk {

class ErrorReport;
class LoadingProgress;

// One hit, laid out as the search pane keeps it: four 32-bit integers.
struct SearchHit {
  std::int32_t chmFile = 0;  // the archive's position in the book's archive list
  std::int32_t topic = 0;
  std::int32_t count = 0;    // occurrences
  std::int32_t place = 0;    // 1 for the best hit after sorting
};
static_assert(sizeof(SearchHit) == 16);

// What the search needs of a book, archive by archive (positions in the book's
// archive list). The book-backed implementation makes an archive current to read
// it; remember and restore keep the caller's current archive.
class SearchSource {
 public:
  virtual ~SearchSource() = default;
  virtual int archiveCount() = 0;
  // Stays the same for an archive while it is open; tells a table built for an
  // archive from one built for another that later took its position.
  virtual const void* archiveIdentity(int archive) = 0;
  // The archive's file name (its path after the last separator), for progress.
  virtual std::string archiveFileName(int archive) = 0;
  // True when the archive has a "$FIftiMain" of non-zero length.
  virtual bool hasIndex(int archive) = 0;
  // The archive's index bytes; they stay valid only until the next read on the book.
  // Raises ReaderError when the file cannot be read.
  virtual IndexBytes readIndex(int archive) = 0;
  // The code page of the book's text: the index words of a double-byte code page
  // are stored as written, those of the others folded.
  virtual int contentCodePage() = 0;
  virtual int topicCount(int archive) = 0;
  virtual std::string topicTitle(int archive, int topic) = 0;
  virtual void rememberCurrentArchive() = 0;
  virtual void restoreCurrentArchive() = 0;
};

class FullTextSearch {
 public:
  static constexpr std::size_t kMaxQuery = 200;
  static constexpr std::size_t kMaxHits = 500;
  static constexpr std::size_t kTitleLength = 100;

  // The report shows the errors that end a search or a load; the progress hears of
  // the files loaded.
  FullTextSearch(SearchSource& source, ErrorReport& report, LoadingProgress& progress);

  bool hasFullTextIndex();
  // Builds the leaf table of every archive with an index. A failure is shown and
  // ends the loading; archives not loaded get their table when first searched.
  void loadSearchIndex();
  // Replaces the hits. A query longer than kMaxQuery raises ReaderError; a damaged
  // index is shown and ends the search with the hits found so far. `previous` is
  // the previous results table, read when options.previousResults is set.
  void search(std::string_view query, const SearchOptions& options, std::span<const SearchHit> previous = {});

  const std::vector<SearchHit>& hits() const { return hits_; }

 private:
  // An archive's index, kept from its first reading on: its bytes (an own copy, so
  // a search does not decompress the whole index again) and its leaf table.
  struct StoredIndex {
    const void* identity = nullptr;
    std::vector<std::uint8_t> bytes;
    LeafTable table;
    IndexBytes file() const { return bytes; }
  };
  class Run;

  // Reads the index and builds its table when the archive has none yet (opened
  // after the load, or its load failed) or is not the archive it was built for.
  const StoredIndex& indexFor(int archive);
  const StoredIndex& storeIndex(int archive, const std::function<void()>& progressStep);
  void sortHits();

  SearchSource& source_;
  ErrorReport& report_;
  LoadingProgress& progress_;
  std::vector<std::optional<StoredIndex>> indexes_;
  std::vector<SearchHit> hits_;
};

}  // namespace pgwk
