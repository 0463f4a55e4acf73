#include "platform/ui/utf.h"

namespace pgwk::ui {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void appendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

}  // namespace

std::string toUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = kReplacement;  // an unpaired surrogate
    }
    appendUtf8(out, c);
  }
  return out;
}

std::u16string fromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    char32_t c = lead;
    if (lead >= 0x80) {
      if ((lead & 0xE0) == 0xC0) { extra = 1; c = lead & 0x1F; }
      else if ((lead & 0xF0) == 0xE0) { extra = 2; c = lead & 0x0F; }
      else if ((lead & 0xF8) == 0xF0) { extra = 3; c = lead & 0x07; }
      else { appendUtf16(out, kReplacement); ++i; continue; }
    }
    bool ok = extra < text.size() - i;
    for (std::size_t k = 1; ok && k <= extra; ++k) {
      unsigned char cont = static_cast<unsigned char>(text[i + k]);
      if ((cont & 0xC0) != 0x80) ok = false;
      else c = (c << 6) | (cont & 0x3F);
    }
    bool overlong = (extra == 1 && c < 0x80) || (extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000);
    if (!ok || overlong || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
      appendUtf16(out, kReplacement);
      ++i;  // resynchronise on the next byte
      continue;
    }
    appendUtf16(out, c);
    i += extra + 1;
  }
  return out;
}

}  // namespace pgwk::ui
