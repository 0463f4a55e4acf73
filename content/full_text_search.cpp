#include "content/full_text_search.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "document/error_report.h"
#include "document/loading_progress.h"
#include "foundation/reader_error.h"
#include "foundation/text_routines.h"

namespace pgwk {

namespace {

std::uint64_t topicKey(std::int32_t chmFile, std::int32_t topic) {
  return std::uint64_t{static_cast<std::uint32_t>(chmFile)} << 32 | static_cast<std::uint32_t>(topic);
}

// Keeps the book's current archive across an operation that moves it, also when an
// error leaves early; restoreNow() restores before an error is shown.
class CurrentArchiveKeeper {
 public:
  explicit CurrentArchiveKeeper(SearchSource& source) : source_(source) { source_.rememberCurrentArchive(); }
  ~CurrentArchiveKeeper() { restoreNow(); }
  void restoreNow() {
    if (restored_) return;
    restored_ = true;
    source_.restoreCurrentArchive();
  }

 private:
  SearchSource& source_;
  bool restored_ = false;
};

// The compiler folds the words it indexes, except in the double-byte code pages,
// where folding would tear characters apart; the query must be treated alike or
// no word of such a book could be found.
bool foldsIndexWords(int codePage) {
  return codePage != 932 && codePage != 936 && codePage != 949 && codePage != 950 && codePage != 1361;
}

bool separatedAt(std::string_view text, std::size_t position) {
  return isWordSeparator(static_cast<std::uint8_t>(text[position]));
}

}  // namespace

// The state of one search: the query, the options and the hits found so far.
class FullTextSearch::Run {
 public:
  Run(FullTextSearch& owner, std::string query, const SearchOptions& options,
      std::span<const SearchHit> previous)
      : owner_(owner), query_(std::move(query)), options_(options) {
    if (options_.previousResults)
      for (const SearchHit& hit : previous) foundBefore_.insert(topicKey(hit.chmFile, hit.topic));
  }

  bool full() const { return owner_.hits_.size() >= kMaxHits; }

  void searchTitles(int archive) {
    SearchSource& source = owner_.source_;
    int topics = source.topicCount(archive);
    for (int t = 0; t < topics; ++t) {
      std::string title = source.topicTitle(archive, t);
      if (title.size() > kTitleLength) title.resize(kTitleLength);
      lowerCase(title);
      std::size_t at = title.find(query_);
      if (at == std::string::npos) continue;
      if (options_.wholeWords && !isWholeWordIn(title, at, query_.size())) continue;
      if (options_.previousResults && !wasFoundBefore(archive, t)) continue;
      owner_.hits_.push_back({archive, t, 1, 0});
    }
  }

  // Returns false when the hit limit ended the whole search.
  bool searchIndex(int archive) {
    SearchSource& source = owner_.source_;
    if (!source.hasIndex(archive)) return true;
    archive_ = archive;
    const StoredIndex& index = owner_.indexFor(archive);
    IndexBytes file = index.file();
    const LeafTable& table = index.table;
    WordEntry entry;
    // A word may have two entries, one for its occurrences in the text and one for
    // those in titles, and compilers write them in either order. Whole words take
    // the text's entry, and the titles' only when the word has no other; stopping
    // at whichever came first would find nothing but title words in some books.
    std::optional<WordEntry> titleEntry;
    for (std::uint32_t leaf : table.offsets) {
      LeafWalker words(file, leaf, table.header.nodeLength);
      while (words.next(entry)) {
        if (!wordMatches(entry.word)) {
          if (titleEntry) return addTopicsOf(file, table.header, *titleEntry);
          continue;
        }
        if (options_.wholeWords && entry.context == 1 && !titleEntry) {
          titleEntry = entry;
          continue;
        }
        if (!addTopicsOf(file, table.header, entry)) return false;
        if (options_.wholeWords) return true;
      }
    }
    if (titleEntry) return addTopicsOf(file, table.header, *titleEntry);
    return true;
  }

 private:
  static bool isWholeWordIn(std::string_view text, std::size_t at, std::size_t length) {
    if (at > 0 && !separatedAt(text, at - 1)) return false;
    std::size_t after = at + length;
    return after >= text.size() || separatedAt(text, after);
  }

  // Returns false when the hit limit ended the whole search.
  bool addTopicsOf(IndexBytes file, const FullTextHeader& header, const WordEntry& entry) {
    bool more = true;
    decodeTopicList(file, header, entry, [&](std::int32_t topic, std::int32_t count) {
      more = addIndexHit({static_cast<std::int32_t>(archive_), topic, count, 0});
      return more;
    });
    return more;
  }

  bool wordMatches(std::string_view word) const {
    if (options_.wholeWords) return word == query_;
    return word.find(query_) != std::string_view::npos;
  }

  bool wasFoundBefore(std::int32_t chmFile, std::int32_t topic) const {
    return foundBefore_.count(topicKey(chmFile, topic)) != 0;
  }

  // Returns false when the list has reached the hit limit.
  bool addIndexHit(const SearchHit& hit) {
    if (options_.previousResults && !wasFoundBefore(hit.chmFile, hit.topic)) return true;
    std::uint64_t key = topicKey(hit.chmFile, hit.topic);
    if (!options_.wholeWords) {
      // Several words containing the query may name the same topic: one hit, counts summed.
      auto known = positions_.find(key);
      if (known != positions_.end()) {
        SearchHit& existing = owner_.hits_[known->second];
        existing.count = static_cast<std::int32_t>(
            std::min<std::int64_t>(std::int64_t{existing.count} + hit.count, INT32_MAX));
        return true;
      }
    }
    positions_.emplace(key, owner_.hits_.size());
    owner_.hits_.push_back(hit);
    return !full();
  }

  FullTextSearch& owner_;
  std::string query_;
  SearchOptions options_;
  std::unordered_set<std::uint64_t> foundBefore_;
  std::unordered_map<std::uint64_t, std::size_t> positions_;
  int archive_ = 0;  // the archive being searched
};

FullTextSearch::FullTextSearch(SearchSource& source, ErrorReport& report, LoadingProgress& progress)
    : source_(source), report_(report), progress_(progress) {}

bool FullTextSearch::hasFullTextIndex() {
  CurrentArchiveKeeper keeper(source_);
  int count = source_.archiveCount();
  for (int a = 0; a < count; ++a)
    if (source_.hasIndex(a)) return true;
  return false;
}

void FullTextSearch::loadSearchIndex() {
  CurrentArchiveKeeper keeper(source_);
  try {
    int count = source_.archiveCount();
    for (int a = 0; a < count; ++a) {
      if (!source_.hasIndex(a)) continue;
      progress_.reportFile(source_.archiveFileName(a));
      // Each leaf adds its share of the header's word total to the dialog's count.
      storeIndex(a, [&] {
        const FullTextHeader& h = indexes_[a]->table.header;
        progress_.addToTotal(static_cast<int>(h.wordTotal / std::max<std::uint32_t>(h.leafCount, 1)));
      });
    }
  } catch (const ReaderError& e) {
    keeper.restoreNow();
    report_.showError(e);
  }
}

const FullTextSearch::StoredIndex& FullTextSearch::storeIndex(int archive,
                                                             const std::function<void()>& progressStep) {
  if (indexes_.size() <= static_cast<std::size_t>(archive)) indexes_.resize(archive + 1);
  std::optional<StoredIndex>& slot = indexes_[archive];
  slot.reset();
  IndexBytes file = source_.readIndex(archive);
  StoredIndex index{source_.archiveIdentity(archive), std::vector<std::uint8_t>(file.begin(), file.end()), {}};
  index.table.header = FullTextHeader::read(index.bytes);
  slot = std::move(index);
  try {
    slot->table = buildLeafTable(slot->bytes, progressStep);
  } catch (...) {
    slot.reset();
    throw;
  }
  return *slot;
}

const FullTextSearch::StoredIndex& FullTextSearch::indexFor(int archive) {
  bool usable = static_cast<std::size_t>(archive) < indexes_.size() && indexes_[archive] &&
                indexes_[archive]->identity == source_.archiveIdentity(archive);
  if (usable) return *indexes_[archive];
  return storeIndex(archive, {});
}

void FullTextSearch::search(std::string_view query, const SearchOptions& options,
                            std::span<const SearchHit> previous) {
  hits_.clear();
  if (query.size() > kMaxQuery)
    raiseError("Word is too long for search, max length %d.", static_cast<int>(kMaxQuery));
  std::string q = lowerCased(query);
  trim(q);
  if (!options.inTitles && foldsIndexWords(source_.contentCodePage())) q = fold(q);
  // An empty query would match every word and every title.
  if (q.empty()) return;

  Run run(*this, std::move(q), options, previous);
  CurrentArchiveKeeper keeper(source_);
  try {
    int count = source_.archiveCount();
    for (int a = 0; a < count && !run.full(); ++a) {
      if (options.inTitles) {
        run.searchTitles(a);
      } else if (!run.searchIndex(a)) {
        break;
      }
    }
  } catch (const ReaderError& e) {
    keeper.restoreNow();
    report_.showError(e);
  }
  keeper.restoreNow();
  sortHits();
}

void FullTextSearch::sortHits() {
  // Stable, so hits of equal count keep the order in which they were found.
  std::stable_sort(hits_.begin(), hits_.end(),
                   [](const SearchHit& a, const SearchHit& b) { return a.count > b.count; });
  for (std::size_t i = 0; i < hits_.size(); ++i) hits_[i].place = static_cast<std::int32_t>(i + 1);
}

}  // namespace pgwk
