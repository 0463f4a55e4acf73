#define PCRE2_CODE_UNIT_WIDTH 8
#include "foundation/regex_matcher.h"

#include <pcre2.h>

#include <cstring>

#include "foundation/reader_error.h"

namespace pgwk {

RegexMatcher::~RegexMatcher() { release(); }

void RegexMatcher::release() {
  if (matchData_) pcre2_match_data_free(matchData_);
  if (code_) pcre2_code_free(code_);
  matchData_ = nullptr;
  code_ = nullptr;
}

void RegexMatcher::compile(std::string_view pattern, bool doubleBackslashes) {
  // The work text is sized to the pattern, so a long embedded path never overruns it.
  std::string text;
  text.reserve(pattern.size() * (doubleBackslashes ? 2 : 1));
  for (char c : pattern) {
    text.push_back(c);
    if (doubleBackslashes && c == '\\') text.push_back(c);
  }
  release();
  int errorCode = 0;
  PCRE2_SIZE errorOffset = 0;
  code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0, &errorCode,
                        &errorOffset, nullptr);
  if (!code_) {
    std::string shown(pattern);
    raiseError("Error while regexp compile : %s.", shown.c_str());
  }
  matchData_ = pcre2_match_data_create(kPairCount, nullptr);
  if (!matchData_) {
    release();
    raiseError("No memory to allocate.");
  }
}

int RegexMatcher::match(const char* subject, std::size_t length) {
  if (length == 0) length = std::strlen(subject);
  return matchView(std::string_view(subject, length));
}

int RegexMatcher::matchView(std::string_view subject) {
  subject_ = subject.data();
  std::fill(std::begin(offsets_), std::end(offsets_), -1);
  if (!code_) return matchCount_ = PCRE2_ERROR_NULL;
  int rc = pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), 0, 0,
                       matchData_, nullptr);
  if (rc > 0) {
    const PCRE2_SIZE* vector = pcre2_get_ovector_pointer(matchData_);
    for (int i = 0; i < rc; ++i) {
      bool unset = vector[2 * i] == PCRE2_UNSET;
      offsets_[2 * i] = unset ? -1 : static_cast<int>(vector[2 * i]);
      offsets_[2 * i + 1] = unset ? -1 : static_cast<int>(vector[2 * i + 1]);
    }
  }
  return matchCount_ = rc;
}

std::size_t RegexMatcher::group(int index, char* buffer, std::size_t maxLength) const {
  std::size_t length = 0;
  if (subject_ && index >= 0 && index < matchCount_ && start(index) >= 0) {
    length = static_cast<std::size_t>(end(index) - start(index));
    if (length > maxLength) length = maxLength;
    std::memcpy(buffer, subject_ + start(index), length);
  }
  buffer[length] = '\0';
  return length;
}

std::string RegexMatcher::groupText(int index) const {
  if (!subject_ || index < 0 || index >= matchCount_ || start(index) < 0) return {};
  return std::string(subject_ + start(index), static_cast<std::size_t>(end(index) - start(index)));
}

}  // namespace pgwk
