#include "platform/ui/text_metrics.h"

#include <string_view>

namespace pgwk::ui {

namespace {

constexpr int kDefaultPoints = 8;

int dotsPerInch(int scale) { return 96 * (scale < 1 ? 1 : scale); }

int eighthsOf(char16_t c) {
  static constexpr std::u16string_view kNarrow = u"iIl1|.,:;'!`jft()[] ";
  static constexpr std::u16string_view kWide = u"mwMW@%";
  if (kNarrow.find(c) != std::u16string_view::npos) return 3;
  if (kWide.find(c) != std::u16string_view::npos) return 7;
  if (c >= u'0' && c <= u'9') return 4;
  if (c >= u'A' && c <= u'Z') return 5;
  return 4;
}

}  // namespace

Font systemFont(int scale) { return makeFont(scale, kDefaultPoints, false, false); }

Font makeFont(int scale, int points, bool bold, bool underline) {
  if (points <= 0) points = kDefaultPoints;
  Font font;
  font.height = static_cast<int>(points * dotsPerInch(scale) / 72.0 + 0.5);
  font.bold = bold;
  font.underline = underline;
  return font;
}

int lineHeight(const Font& font) {
  int h = font.height + font.height / 4;
  return h > font.height ? h : font.height + 1;
}

Size textExtent(const Font& font, std::u16string_view text) {
  long sixteenths = 0;
  for (char16_t c : text) sixteenths += 2 * eighthsOf(c) + (font.bold ? 1 : 0);
  long width = (sixteenths * font.height + 15) / 16;
  return {static_cast<int>(width), lineHeight(font)};
}

}  // namespace pgwk::ui
