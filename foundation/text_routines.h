#pragma once
// The small text routines the whole reader shares for names, locations and search
// words. Book text is narrow: bytes in the book's code page; letter case is ASCII-only.

#include <cstdint>
#include <string>
#include <string_view>

namespace pgwk {

class RegexMatcher;

// The CHM-link pattern: a run of characters other than ":" ending in ".chm" (any
// case), followed by "::" or by the end of the text; group 1 is the CHM file's path.
inline constexpr const char* kChmLinkPattern = R"(((?i)[^:]*\.chm)(?:(?:::)|$))";

// The part after the last backslash; when there is none, after the last "/"; when
// neither, the whole path.
std::string_view fileNameOf(std::string_view path);

void lowerCase(std::string& text);
std::string lowerCased(std::string_view text);
bool equalIgnoringCase(std::string_view a, std::string_view b);

// Removes space, tab, CR, LF, double quote, single quote and ";" at both ends.
void trim(std::string& text);
std::string trimmed(std::string_view text);

// Lower case, then trim: the form in which locations are compared.
std::string canonicalPath(std::string_view path);

// Leading "/", "./", "../" removed, "//" and "/./" collapsed, "/../" resolved, "%"
// escapes decoded.
void normalisePath(std::string& text);

// Named and numeric character references and percent escapes; numeric references
// are converted with the given code page (the book's content code page).
void decodeReferences(std::string& text, int codePage);

// Accented Windows-1252 letters to their plain ASCII forms; a byte can become two.
std::string fold(std::string_view text);
bool isWordSeparator(std::uint8_t byte);

// The code page of a language id: the character-set setting when it is not 0,
// otherwise by the language table, 1252 for every language not in it.
int codePageOf(int languageId, int characterSetSetting);
bool isLanguageUsable(int languageId, int characterSetSetting);

// Whether ".chm" (any case) occurs in the text: every CHM-link prefix contains it, and
// most names do not, so this cheap test spares running the pattern on them.
bool containsChmExtension(std::string_view text);

// Length of the CHM-link prefix of a reference (everything up to the end of the
// CHM-link pattern's match), or 0 when it has none. `pattern` is the compiled
// CHM-link pattern.
std::size_t linkPrefixLength(RegexMatcher& pattern, std::string_view reference);
// The reference without its CHM-link prefix: "other.chm::/a.htm" becomes "/a.htm".
std::string stripLinkPrefix(RegexMatcher& pattern, std::string_view reference);

}  // namespace pgwk
