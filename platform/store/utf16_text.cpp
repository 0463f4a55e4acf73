#include "platform/store/utf16_text.h"

namespace pgwk {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void appendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
}

// Decodes one UTF-8 sequence at text[i]; returns its length, or 0 when it is
// malformed (then the caller takes one byte as U+FFFD).
std::size_t decodeUtf8(std::string_view text, std::size_t i, char32_t& cp) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char b0 = byte(i);
  std::size_t length;
  char32_t min;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    length = 2, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    unsigned char b = byte(i + k);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string toUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (isHighSurrogate(c) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
      appendUtf8(out, 0x10000 + ((char32_t(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (isHighSurrogate(c) || isLowSurrogate(c)) {
      appendUtf8(out, kReplacement);
    } else {
      appendUtf8(out, c);
    }
  }
  return out;
}

std::u16string fromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp;
    std::size_t length = decodeUtf8(text, i, cp);
    if (length == 0) {
      appendUtf16(out, kReplacement);
      ++i;
    } else {
      appendUtf16(out, cp);
      i += length;
    }
  }
  return out;
}

bool isWellFormedUtf16(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (isHighSurrogate(text[i])) {
      if (i + 1 >= text.size() || !isLowSurrogate(text[i + 1])) return false;
      ++i;
    } else if (isLowSurrogate(text[i])) {
      return false;
    }
  }
  return true;
}

bool isWellFormedUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp;
    std::size_t length = decodeUtf8(text, i, cp);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

char16_t foldCase(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 0x20) : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 0x20);
  if (c == 0x178) return 0xFF;
  // Latin Extended-A pairs capital and small letter as neighbours; the runs
  // 0x139..0x148 and 0x179..0x17E start on an odd code point, the rest on an even.
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
    return (c & 1) ? static_cast<char16_t>(c + 1) : c;
  if (c >= 0x100 && c <= 0x177 && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149)
    return (c & 1) ? c : static_cast<char16_t>(c + 1);
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return static_cast<char16_t>(c + 0x20);
  if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 0x20);
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 0x50);
  return c;
}

std::u16string foldCase(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = foldCase(c);
  return out;
}

bool equalIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (foldCase(a[i]) != foldCase(b[i])) return false;
  return true;
}

bool containsText(std::u16string_view haystack, std::u16string_view needle) {
  return haystack.find(needle) != std::u16string_view::npos;
}

}  // namespace pgwk
