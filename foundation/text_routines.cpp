#include "foundation/text_routines.h"

#include <array>
#include <cstdlib>

#include "foundation/regex_matcher.h"
#include "platform/code_page.h"

namespace pgwk {

namespace {

constexpr std::string_view kTrimSet = " \t\r\n\"';";

struct Entity {
  std::uint8_t byte;
  std::string_view name;
};

// Tried in this order; each name decodes to its Windows-1252 byte, except that a
// non-breaking space becomes a plain space.
constexpr Entity kEntities[] = {
    {0x20, "&nbsp;"},   {0x22, "&quot;"},   {0x26, "&amp;"},    {0x3C, "&lt;"},     {0x3E, "&gt;"},
    {0x98, "&tilde;"},  {0x82, "&sbquo;"},  {0x84, "&dbquo;"},  {0x86, "&dagger;"}, {0x87, "&Dagger;"},
    {0x89, "&permil;"}, {0x8B, "&lsaquo;"}, {0x91, "&lsquo;"},  {0x92, "&rsquo;"},  {0x93, "&ldquo;"},
    {0x94, "&rdquo;"},  {0x96, "&ndash;"},  {0x97, "&mdash;"},  {0x99, "&trade;"},  {0x9B, "&rsaquo;"},
    {0x9F, "&Yuml;"},   {0xA1, "&iexcl;"},  {0xA2, "&cent;"},   {0xA3, "&pound;"},  {0xA4, "&curren;"},
    {0xA5, "&yen;"},    {0xA6, "&brvbar;"}, {0xA7, "&sect;"},   {0xA8, "&uml;"},    {0xA9, "&copy;"},
    {0xAA, "&ordf;"},   {0xAB, "&laquo;"},  {0xAC, "&not;"},    {0xAE, "&reg;"},    {0xAF, "&macr;"},
    {0xB0, "&deg;"},    {0xB1, "&plusmn;"}, {0xB2, "&sup2;"},   {0xB3, "&sup3;"},   {0xB5, "&micro;"},
    {0xB6, "&para;"},   {0xB7, "&middot;"}, {0xB8, "&cedil;"},  {0xB9, "&sup1;"},   {0xBA, "&ordm;"},
    {0xBB, "&raquo;"},  {0xBC, "&frac14;"}, {0xBD, "&frac12;"}, {0xBE, "&frac34;"}, {0xC0, "&Agrave;"},
    {0xC1, "&Aacute;"}, {0xC2, "&Acirc;"},  {0xC3, "&Atilde;"}, {0xC4, "&Auml;"},   {0xC5, "&Aring;"},
    {0xC6, "&AElig;"},  {0xC7, "&Ccedil;"}, {0xC8, "&Egrave;"}, {0xC9, "&Eacute;"}, {0xCA, "&Ecirc;"},
    {0xCB, "&Euml;"},   {0xCC, "&Igrave;"}, {0xCD, "&Iacute;"}, {0xCE, "&Icirc;"},  {0xCF, "&Iuml;"},
    {0xD0, "&Dstrok;"}, {0xD1, "&Ntilde;"}, {0xD2, "&Ograve;"}, {0xD3, "&Oacute;"}, {0xD4, "&Ocirc;"},
    {0xD5, "&Otilde;"}, {0xD6, "&Ouml;"},   {0xD7, "&times;"},  {0xD8, "&Oslash;"}, {0xD9, "&Ugrave;"},
    {0xDA, "&Uacute;"}, {0xDB, "&Ucirc;"},  {0xDC, "&Uuml;"},   {0xDD, "&Yacute;"}, {0xDE, "&THORN;"},
    {0xDF, "&szlig;"},  {0xE0, "&agrave;"}, {0xE1, "&aacute;"}, {0xE2, "&acirc;"},  {0xE3, "&atilde;"},
    {0xE4, "&auml;"},   {0xE5, "&aring;"},  {0xE6, "&aelig;"},  {0xE7, "&ccedil;"}, {0xE8, "&egrave;"},
    {0xE9, "&eacute;"}, {0xEA, "&ecirc;"},  {0xEB, "&euml;"},   {0xEC, "&igrave;"}, {0xED, "&iacute;"},
    {0xEE, "&icirc;"},  {0xEF, "&iuml;"},   {0xF0, "&eth;"},    {0xF1, "&ntilde;"}, {0xF2, "&ograve;"},
    {0xF3, "&oacute;"}, {0xF4, "&ocirc;"},  {0xF5, "&otilde;"}, {0xF6, "&ouml;"},   {0xF7, "&divide;"},
    {0xF8, "&oslash;"}, {0xF9, "&ugrave;"}, {0xFA, "&uacute;"}, {0xFB, "&ucirc;"},  {0xFC, "&uuml;"},
    {0xFD, "&yacute;"}, {0xFE, "&thorn;"},  {0xFF, "&yuml;"},
};
static_assert(std::size(kEntities) == 113);

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// The folded text of one byte, or empty when the byte stays itself.
std::string_view foldingOf(std::uint8_t b) {
  switch (b) {
    case 0x8A: case 0x9A: return "s";
    case 0x8C: case 0x9C: return "oe";
    case 0x9F: case 0xDD: case 0xFD: case 0xFF: return "y";
    case 0xC6: case 0xE6: return "ae";
    case 0xC7: case 0xE7: return "c";
    case 0xD0: return "d";
    case 0xD1: case 0xF1: return "n";
    case 0xDF: return "ss";
    case 0xF0: return "o";
    default: break;
  }
  if ((b >= 0xC0 && b <= 0xC5) || (b >= 0xE0 && b <= 0xE5)) return "a";
  if ((b >= 0xC8 && b <= 0xCB) || (b >= 0xE8 && b <= 0xEB)) return "e";
  if ((b >= 0xCC && b <= 0xCF) || (b >= 0xEC && b <= 0xEF)) return "i";
  if ((b >= 0xD2 && b <= 0xD8) || (b >= 0xF2 && b <= 0xF8)) return "o";
  if ((b >= 0xD9 && b <= 0xDC) || (b >= 0xF9 && b <= 0xFC)) return "u";
  return {};
}

void decodeNamedReferences(std::string& text) {
  // One pass over the table, in its order. A row can decode what an earlier row made
  // ("&amp;lt;" gives "<"), but a later pass never runs, so "&amp;quot;" gives "&quot;"
  // and a lone "&" cannot keep the decoding going.
  for (const Entity& e : kEntities) {
    if (text.find('&') == std::string::npos) return;
    std::size_t from = 0;
    std::size_t at;
    while ((at = text.find(e.name, from)) != std::string::npos) {
      text.replace(at, e.name.size(), 1, static_cast<char>(e.byte));
      // The new byte may complete a name that began before it; everything earlier
      // held no occurrence, so the search goes on from there instead of the start.
      from = at + 1 >= e.name.size() ? at + 1 - e.name.size() : 0;
    }
  }
}

// Reads an integer the way C's "%i" does (decimal, 0x hexadecimal, 0 octal, after
// optional white space and a sign). Returns false when no digit can be read.
bool readCInteger(const std::string& digits, long& value) {
  const char* begin = digits.c_str();
  char* end = nullptr;
  value = std::strtol(begin, &end, 0);
  return end != begin;
}

void decodeNumericReferences(std::string& text, int codePage) {
  std::size_t from = 0;
  for (;;) {
    std::size_t amp = text.find("&#", from);
    if (amp == std::string::npos) return;
    std::size_t semicolon = text.find(';', amp + 2);
    if (semicolon == std::string::npos) return;
    long value = 0;
    if (!readCInteger(text.substr(amp + 2, semicolon - amp - 2), value)) {
      from = amp + 2;  // left as written
      continue;
    }
    char16_t unit = static_cast<char16_t>(value & 0xFFFF);
    std::string bytes = codePageFromUtf16(std::u16string_view(&unit, 1), codePage);
    if (bytes.empty()) bytes = "?";
    text.replace(amp, semicolon - amp + 1, bytes);
    from = amp;  // the produced byte may start a new reference
  }
}

int hexDigit(char c) {
  c = asciiLower(c);
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void decodePercentEscapes(std::string& text) {
  std::size_t from = 0;
  for (;;) {
    std::size_t percent = text.find('%', from);
    if (percent == std::string::npos || text.size() - percent < 3) return;
    int high = hexDigit(text[percent + 1]);
    if (high < 0) return;
    int low = hexDigit(text[percent + 2]);
    int value = low < 0 ? high : high * 16 + low;
    text.replace(percent, 3, 1, static_cast<char>(value));
    from = percent;  // a produced "%" is decoded again, as a search from the start would
  }
}

void replaceAll(std::string& text, std::string_view what, std::string_view with) {
  std::size_t at;
  while ((at = text.find(what)) != std::string::npos) text.replace(at, what.size(), with);
}

}  // namespace

std::string_view fileNameOf(std::string_view path) {
  std::size_t cut = path.rfind('\\');
  if (cut == std::string_view::npos) cut = path.rfind('/');
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

void lowerCase(std::string& text) {
  for (char& c : text) c = asciiLower(c);
}

std::string lowerCased(std::string_view text) {
  std::string copy(text);
  lowerCase(copy);
  return copy;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  return true;
}

void trim(std::string& text) {
  std::size_t first = text.find_first_not_of(kTrimSet);
  if (first == std::string::npos) {
    text.clear();
    return;
  }
  std::size_t last = text.find_last_not_of(kTrimSet);
  text = text.substr(first, last - first + 1);
}

std::string trimmed(std::string_view text) {
  std::string copy(text);
  trim(copy);
  return copy;
}

std::string canonicalPath(std::string_view path) {
  std::string copy = lowerCased(path);
  trim(copy);
  return copy;
}

void normalisePath(std::string& text) {
  trim(text);
  for (;;) {
    if (text.starts_with("/")) text.erase(0, 1);
    else if (text.starts_with("./")) text.erase(0, 2);
    else if (text.starts_with("../")) text.erase(0, 3);
    else break;
  }
  replaceAll(text, "//", "/");
  replaceAll(text, "/./", "/");
  for (;;) {
    std::size_t q = text.find("/../", 1);
    if (q == std::string::npos) break;
    std::size_t slash = text.rfind('/', q - 1);
    std::size_t keep = slash == std::string::npos ? 0 : slash + 1;
    text = text.substr(0, keep) + text.substr(q + 4);
  }
  // Percent escapes, unvalidated: any two characters make a byte.
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    if (text.size() - i < 3) break;
    auto digit = [](char c) { c = asciiLower(c); return c < ':' ? c - 48 : c - 87; };
    int value = 16 * digit(text[i + 1]) + digit(text[i + 2]);
    text.replace(i, 3, 1, static_cast<char>(value));
  }
}

void decodeReferences(std::string& text, int codePage) {
  decodeNamedReferences(text);
  decodeNumericReferences(text, codePage);
  decodePercentEscapes(text);
}

std::string fold(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    std::string_view folded = foldingOf(static_cast<std::uint8_t>(c));
    if (folded.empty()) out.push_back(c);
    else out.append(folded);
  }
  return out;
}

bool isWordSeparator(std::uint8_t byte) {
  std::string_view folded = foldingOf(byte);
  char first = folded.empty() ? static_cast<char>(byte) : folded[0];
  bool alnum = (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z') ||
               (first >= '0' && first <= '9');
  return !alnum;
}

int codePageOf(int languageId, int characterSetSetting) {
  if (characterSetSetting != 0) return characterSetSetting;
  switch (languageId) {
    case 0x41E: return 874;
    case 0x411: return 932;
    case 0x804: case 0x1004: return 936;
    case 0x404: case 0xC04: case 0x1404: return 950;
    case 0x405: case 0x40E: case 0x415: case 0x418: case 0x41A: case 0x41B: case 0x41C:
    case 0x424: case 0x42C: case 0x443: case 0x81A:
      return 1250;
    case 0x402: case 0x419: case 0x422: case 0x423: case 0x42B: case 0x42F: case 0x43F:
    case 0x440: case 0x444: case 0x450: case 0x82C: case 0x843: case 0xC1A:
      return 1251;
    case 0x408: return 1253;
    case 0x41F: return 1254;
    case 0x40D: return 1255;
    case 0x401: case 0x420: case 0x429: case 0x801: case 0x820: case 0xC01: case 0x1001:
    case 0x1401: case 0x1801: case 0x1C01: case 0x2001: case 0x2401: case 0x2801:
    case 0x2C01: case 0x3001: case 0x3401: case 0x3801: case 0x3C01: case 0x4001:
      return 1256;
    case 0x425: case 0x426: case 0x427: case 0x827: return 1257;
    case 0x42A: return 1258;
    default: return 1252;
  }
}

bool containsChmExtension(std::string_view text) {
  for (std::size_t at = text.find('.'); at != std::string_view::npos && text.size() - at >= 4;
       at = text.find('.', at + 1))
    if (equalIgnoringCase(text.substr(at, 4), ".chm")) return true;
  return false;
}

bool isLanguageUsable(int languageId, int characterSetSetting) {
  return isCodePageUsable(codePageOf(languageId, characterSetSetting));
}

std::size_t linkPrefixLength(RegexMatcher& pattern, std::string_view reference) {
  if (reference.empty()) return 0;
  // Every prefix contains ".chm"; most names do not, and the unanchored pattern costs
  // a scan from every position of the name before it gives up.
  if (!containsChmExtension(reference)) return 0;
  if (pattern.match(reference) <= 0) return 0;
  return static_cast<std::size_t>(pattern.end(0));
}

std::string stripLinkPrefix(RegexMatcher& pattern, std::string_view reference) {
  return std::string(reference.substr(linkPrefixLength(pattern, reference)));
}

}  // namespace pgwk
