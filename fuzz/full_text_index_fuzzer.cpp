// Searches a full-text index made of arbitrary bytes: the leaf table, every word
// entry and every topic list, whole words and substrings.

#include <cstdint>
#include <string>
#include <vector>

#include "content/full_text_search.h"
#include "document/error_report.h"
#include "document/loading_progress.h"

namespace {

class OneIndex : public pgwk::SearchSource {
 public:
  explicit OneIndex(pgwk::IndexBytes bytes) : bytes_(bytes) {}
  int archiveCount() override { return 1; }
  const void* archiveIdentity(int) override { return this; }
  std::string archiveFileName(int) override { return "fuzz.chm"; }
  bool hasIndex(int) override { return !bytes_.empty(); }
  pgwk::IndexBytes readIndex(int) override { return bytes_; }
  int contentCodePage() override { return 1252; }
  int topicCount(int) override { return 0; }
  std::string topicTitle(int, int) override { return {}; }
  void rememberCurrentArchive() override {}
  void restoreCurrentArchive() override {}

 private:
  pgwk::IndexBytes bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte picks the query: its low bits a length, taken from the index's
  // own bytes so that words can match.
  if (size < 1) return 0;
  std::size_t queryLength = 1 + (data[0] & 3);
  std::string query(reinterpret_cast<const char*>(data + 1), std::min(queryLength, size - 1));
  pgwk::IndexBytes bytes(data + 1, size - 1);
  OneIndex source(bytes);
  pgwk::ErrorReport quiet;
  pgwk::LoadingProgress silent;
  pgwk::FullTextSearch search(source, quiet, silent);
  search.loadSearchIndex();
  search.search(query, {false, false, false});
  search.search(query, {false, true, false});
  return 0;
}
