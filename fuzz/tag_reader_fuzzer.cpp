// Scans arbitrary bytes as book text: every tag, with and without a filter, its name
// and a few attributes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "content/tag_reader.h"
#include "document/book.h"

using namespace pgwk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Book book;
  // The first byte picks the filter, the rest is the text.
  if (size == 0) return 0;
  TagFilter filters[] = {TagFilter(), TagFilter(kSitemapTags), TagFilter(kCollectionTags)};
  TagFilter filter = filters[data[0] % 3];
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

  TagReader reader(book, text);
  std::string tag;
  std::size_t cursor = 0;
  while (reader.nextTag(tag, filter)) {
    if (tag.empty() || tag.size() > TagReader::kMaxTagText) std::abort();
    if (reader.cursor() <= cursor || reader.cursor() > text.size()) std::abort();
    if (book.lastTextStart() < text.data() || book.lastTextStart() > text.data() + reader.tagStart()) std::abort();
    cursor = reader.cursor();
    std::string name = TagReader::tagName(book, tag);
    if (name.size() > TagReader::kMaxTagName) std::abort();
    for (std::string_view attribute : {"src", "param name", "value", "href"}) {
      std::string value;
      auto at = TagReader::attributeValue(book, tag, attribute, value, TagReader::kShortValueSize);
      if (value.size() >= TagReader::kShortValueSize) std::abort();
      if (at && *at > tag.size()) std::abort();
      if (!at && !value.empty()) std::abort();
    }
  }
  if (!reader.atEnd()) std::abort();
  return 0;
}
