#pragma once
// The keyword index of an open book: a tree of KeywordEntry nodes under a root the
// index owns; each keyword leads to topics (a title and a location) and may group
// sub-keywords. Texts live in three string pools: keywords, topic titles, topic
// locations. In a book of several CHM files every file's keywords join the same
// root; keywords of different files are not merged.

#include <cstdint>
#include <memory>
#include <string_view>

#include "document/string_pool.h"
#include "foundation/ptr_array.h"

namespace pgwk {

class ChmArchive;

struct KeywordTopic {
  int title = StringPool::kNone;     // offset into the topic-title pool
  int location = StringPool::kNone;  // offset into the topic-location pool; as written
};

struct KeywordEntry {
  KeywordEntry() = default;
  KeywordEntry(const KeywordEntry&) = delete;
  KeywordEntry& operator=(const KeywordEntry&) = delete;
  // Tears down the subtree without recursion.
  ~KeywordEntry();

  int keyword = StringPool::kNone;  // offset into the keyword pool
  ChmArchive* chmFile = nullptr;    // current when the entry was read
  PtrArray<KeywordTopic> topics{1, 1};
  PtrArray<KeywordEntry> subKeywords{1, 1};
};

class SitemapIndex {
 public:
  SitemapIndex() : root_(std::make_unique<KeywordEntry>()) {}
  SitemapIndex(const SitemapIndex&) = delete;
  SitemapIndex& operator=(const SitemapIndex&) = delete;

  KeywordEntry& root() { return *root_; }
  const KeywordEntry& root() const { return *root_; }

  StringPool& keywords() { return keywords_; }
  StringPool& titles() { return titles_; }
  StringPool& locations() { return locations_; }
  // Creates whichever pool does not exist yet.
  void createPools(std::uint32_t capacity, int growth);
  std::string_view keywordOf(const KeywordEntry& entry) const { return keywords_.textAt(entry.keyword); }
  std::string_view titleOf(const KeywordTopic& topic) const { return titles_.textAt(topic.title); }
  std::string_view locationOf(const KeywordTopic& topic) const { return locations_.textAt(topic.location); }
  // The keywords are needed only until the index pane has copied them into its list;
  // titles and locations are read again whenever a keyword is opened.
  void releaseKeywordTexts() { keywords_.release(); }

  // Orders the top-level keywords by keyword, ignoring ASCII case and any leading
  // "_"; keywords that compare equal keep their order. Sub-keywords keep file order.
  void sortTopLevel();

 private:
  std::unique_ptr<KeywordEntry> root_;
  StringPool keywords_;
  StringPool titles_;
  StringPool locations_;
};

// Orders two keywords the way the index lists them: leading "_" skipped, ASCII
// letters compared in lower case, bytes taken as signed. Negative, 0 or positive.
int compareKeywords(std::string_view a, std::string_view b);

}  // namespace pgwk
