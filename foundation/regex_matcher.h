#pragma once
// A thin object around a compiled PCRE2 pattern, through which the reader finds tags,
// comments, script ends, CHM links and file extensions. It always matches from the
// first character of the subject it is given; walking a text means matching again
// from the end of the previous match.

#include <cstddef>
#include <string>
#include <string_view>

struct pcre2_real_code_8;
struct pcre2_real_match_data_8;

namespace pgwk {

class RegexMatcher {
 public:
  // The offset vector of the last match: pairs (start, end) of the whole match and of
  // each group; a group that took no part has -1 in both.
  static constexpr int kOffsetCount = 100;
  static constexpr int kPairCount = kOffsetCount / 3;  // the last third was work space

  RegexMatcher() = default;
  RegexMatcher(const RegexMatcher&) = delete;
  RegexMatcher& operator=(const RegexMatcher&) = delete;
  ~RegexMatcher();

  // With doubleBackslashes every backslash of the text is written twice, so a folder
  // path embedded in the pattern matches literally. Raises
  // "Error while regexp compile : %s." for a pattern PCRE refuses; the matcher then
  // has no pattern.
  void compile(std::string_view pattern, bool doubleBackslashes = false);
  bool compiled() const { return code_ != nullptr; }

  // Greater than 0 for a match (pairs set), -1 for no match, another negative number
  // for an error. Length 0 means up to the subject's terminating zero.
  int match(const char* subject, std::size_t length = 0);
  int match(std::string_view subject) { return subject.empty() ? match("", 0) : matchView(subject); }

  int matchCount() const { return matchCount_; }
  const int* offsets() const { return offsets_; }
  int start(int pair) const { return offsets_[2 * pair]; }
  int end(int pair) const { return offsets_[2 * pair + 1]; }

  // Copies group index of the last match (0 = the whole match), at most maxLength
  // bytes, into buffer and terminates it; buffer holds maxLength + 1 bytes.
  std::size_t group(int index, char* buffer, std::size_t maxLength) const;
  // The same text as a string; empty for a group that did not take part.
  std::string groupText(int index) const;

 private:
  int matchView(std::string_view subject);
  void release();

  pcre2_real_code_8* code_ = nullptr;
  pcre2_real_match_data_8* matchData_ = nullptr;
  const char* subject_ = nullptr;
  int matchCount_ = 0;
  int offsets_[kOffsetCount] = {};
};

}  // namespace pgwk
