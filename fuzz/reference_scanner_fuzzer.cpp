// Scans arbitrary text for file references, as page preparation does with pages,
// style sheets and scripts.

#include <cstdint>
#include <string_view>

#include "content/reference_scanner.h"
#include "document/name_rules.h"
#include "foundation/regex_matcher.h"
#include "foundation/text_routines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static pgwk::RegexMatcher fileReference;
  static pgwk::RegexMatcher chmLink;
  if (!fileReference.compiled()) {
    fileReference.compile(pgwk::kFileReferencePattern);
    chmLink.compile(pgwk::kChmLinkPattern);
  }
  std::string_view text(reinterpret_cast<const char*>(data), size);
  pgwk::ReferenceScanner scanner(fileReference, chmLink, [](std::string_view extension) {
    return pgwk::isPageExtension(extension) || pgwk::isImageExtension(extension) || extension == ".css";
  });
  std::size_t cursor = 0;
  while (auto found = scanner.findNext(text, cursor)) {
    if (found->end <= cursor || found->end > text.size() || found->start > found->end) __builtin_trap();
    cursor = found->end;
  }
  return 0;
}
