#pragma once
// Fonts and text measurement. The browser draws with its own sans-serif font, so
// the model cannot know real glyph widths; it uses a fixed approximation instead,
// good enough for the shell's layout rules (label heights, button widths):
//
//   pixel height h = points x dpi / 72 + 0.5, truncated, dpi = 96 x scale
//   line height    = h + h / 4 (integer division), never below h + 1
//   character width, in eighths of h (rounded up per text):
//     narrow  "iIl1|.,:;'!`jft() []" and space   3/8
//     wide    "mwMW@%"                          7/8
//     upper case letters and digits              5/8 (digits 4/8)
//     everything else                            4/8
//   bold adds 1/16 of h per character.
//
// The renderer uses the same pixel height as the CSS font size.

#include <string_view>

#include "platform/ui/ui_types.h"

namespace pgwk::ui {

struct Font {
  int height = 0;  // character height in pixels (positive)
  bool bold = false;
  bool underline = false;
  bool operator==(const Font&) const = default;
};

// The system font: 8 points at the given scale.
Font systemFont(int scale);

// A variant of the system font; points 0 keeps the system font's size.
Font makeFont(int scale, int points, bool bold, bool underline);

int lineHeight(const Font& font);
Size textExtent(const Font& font, std::u16string_view text);

}  // namespace pgwk::ui
