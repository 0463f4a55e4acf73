#include "document/sitemap_index.h"

#include <algorithm>
#include <vector>

namespace pgwk {

namespace {

signed char lowered(char c) {
  if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return static_cast<signed char>(c);
}

std::string_view withoutUnderscores(std::string_view text) {
  std::size_t first = text.find_first_not_of('_');
  return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

}  // namespace

KeywordEntry::~KeywordEntry() {
  std::vector<std::unique_ptr<KeywordEntry>> work;
  auto take = [&work](PtrArray<KeywordEntry>& list) {
    while (!list.empty()) work.push_back(list.release(list.count() - 1));
  };
  take(subKeywords);
  while (!work.empty()) {
    std::unique_ptr<KeywordEntry> entry = std::move(work.back());
    work.pop_back();
    take(entry->subKeywords);
  }
}

int compareKeywords(std::string_view a, std::string_view b) {
  a = withoutUnderscores(a);
  b = withoutUnderscores(b);
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    int d = lowered(a[i]) - lowered(b[i]);
    if (d) return d;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

void SitemapIndex::createPools(std::uint32_t capacity, int growth) {
  keywords_.create(capacity, growth);
  titles_.create(capacity, growth);
  locations_.create(capacity, growth);
}

void SitemapIndex::sortTopLevel() {
  PtrArray<KeywordEntry>& list = root_->subKeywords;
  std::vector<std::unique_ptr<KeywordEntry>> entries;
  entries.reserve(static_cast<std::size_t>(list.count()));
  while (!list.empty()) entries.push_back(list.release(list.count() - 1));
  std::reverse(entries.begin(), entries.end());
  std::stable_sort(entries.begin(), entries.end(),
                   [this](const std::unique_ptr<KeywordEntry>& a, const std::unique_ptr<KeywordEntry>& b) {
                     return compareKeywords(keywordOf(*a), keywordOf(*b)) < 0;
                   });
  for (auto& entry : entries) list.add(std::move(entry));
}

}  // namespace pgwk
