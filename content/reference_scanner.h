#pragma once
// Finding the next file reference in any text (markup, style sheets, scripts): the
// scanner looks for something that ends like a file name and walks back to the
// delimiter that opened it.

#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>

namespace pgwk {

class RegexMatcher;

// A "." followed by at least two characters none of which is a double quote, a
// single quote, a space, ")" or ">".
inline constexpr const char* kFileReferencePattern = R"(\.[^"' )>]{2,})";

// Whether ".chm" occurs in the text in some letter case: without it the CHM-link
// pattern cannot match, and looking is far cheaper than the pattern's backtracking.
bool mentionsChmFile(std::string_view text);

// The reference text is [start, end); the scan goes on at end.
struct FoundReference {
  std::size_t start = 0;
  std::size_t end = 0;
  std::string_view in(std::string_view text) const { return text.substr(start, end - start); }
};

class ReferenceScanner {
 public:
  // The walk back to the opening delimiter examines at most this many characters, so
  // a reference is at most one shorter.
  static constexpr std::size_t kMaxWalk = 1040;

  // `hasExtension` answers whether the current archive stores a file with that
  // extension; a candidate is accepted when it is a CHM link or passes that test.
  // Both patterns are compiled by their owner: kFileReferencePattern and the
  // CHM-link pattern.
  ReferenceScanner(RegexMatcher& fileReferencePattern, RegexMatcher& chmLinkPattern,
                   std::function<bool(std::string_view extension)> hasExtension);

  // The next accepted reference at or after the cursor, or none.
  std::optional<FoundReference> findNext(std::string_view text, std::size_t cursor);

 private:
  std::optional<std::size_t> openingDelimiter(std::string_view text, std::size_t cursor,
                                              std::size_t stopPosition) const;
  bool accepts(std::string_view reference);

  RegexMatcher& fileReferencePattern_;
  RegexMatcher& chmLinkPattern_;
  std::function<bool(std::string_view)> hasExtension_;
};

}  // namespace pgwk
