#include "content/reference_scanner.h"

#include "document/name_rules.h"
#include "foundation/regex_matcher.h"

namespace pgwk {

namespace {

// The character that opens a reference closed by `stop`.
bool opens(char stop, char c) {
  switch (stop) {
    case '"': return c == '"';
    case '\'': return c == '\'';
    case ')': return c == '(';
    default: return c == ' ' || c == '\n' || c == '\t' || c == '=';
  }
}

}  // namespace

bool mentionsChmFile(std::string_view text) {
  for (std::size_t at = text.find('.'); at != std::string_view::npos; at = text.find('.', at + 1)) {
    if (text.size() - at < 4) return false;
    char c = text[at + 1], h = text[at + 2], m = text[at + 3];
    if ((c | 0x20) == 'c' && (h | 0x20) == 'h' && (m | 0x20) == 'm') return true;
  }
  return false;
}

ReferenceScanner::ReferenceScanner(RegexMatcher& fileReferencePattern, RegexMatcher& chmLinkPattern,
                                   std::function<bool(std::string_view)> hasExtension)
    : fileReferencePattern_(fileReferencePattern),
      chmLinkPattern_(chmLinkPattern),
      hasExtension_(std::move(hasExtension)) {}

std::optional<std::size_t> ReferenceScanner::openingDelimiter(std::string_view text, std::size_t cursor,
                                                              std::size_t stopPosition) const {
  char stop = stopPosition < text.size() ? text[stopPosition] : '\0';
  std::size_t examined = 0;
  for (std::size_t p = stopPosition; p > cursor && examined < kMaxWalk; ++examined) {
    --p;
    if (opens(stop, text[p])) return p;
  }
  return std::nullopt;
}

bool ReferenceScanner::accepts(std::string_view reference) {
  if (reference.empty()) return false;
  if (hasExtension_ && hasExtension_(extensionOf(reference))) return true;
  return mentionsChmFile(reference) && chmLinkPattern_.match(reference) > 0;
}

std::optional<FoundReference> ReferenceScanner::findNext(std::string_view text, std::size_t cursor) {
  std::size_t from = cursor;
  while (from < text.size()) {
    if (fileReferencePattern_.match(text.substr(from)) <= 0) return std::nullopt;
    std::size_t stop = from + static_cast<std::size_t>(fileReferencePattern_.end(0));
    std::optional<std::size_t> delimiter = openingDelimiter(text, cursor, stop);
    if (delimiter) {
      FoundReference found{*delimiter + 1, stop};
      if (accepts(found.in(text))) return found;
    }
    from = stop;
  }
  return std::nullopt;
}

}  // namespace pgwk
