#pragma once
// Wide text is UTF-16 (std::u16string) throughout the reader; the file system and
// the terminal speak UTF-8. These are the conversions and the case folding that
// the store and its users share.

#include <string>
#include <string_view>

namespace pgwk {

// Unpaired surrogates become U+FFFD: a path or message is always printable.
std::string toUtf8(std::u16string_view text);
// Malformed sequences become U+FFFD, one per offending byte.
std::u16string fromUtf8(std::string_view text);

// True when every surrogate is paired, so the text survives a trip through UTF-8.
bool isWellFormedUtf16(std::u16string_view text);
// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool isWellFormedUtf8(std::string_view text);

// The form in which names are compared without regard to case: ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic capitals become small letters. Other
// characters stay as they are.
char16_t foldCase(char16_t c);
std::u16string foldCase(std::u16string_view text);
bool equalIgnoringCase(std::u16string_view a, std::u16string_view b);
// Whether needle occurs in haystack, compared as the text stands.
bool containsText(std::u16string_view haystack, std::u16string_view needle);

}  // namespace pgwk
