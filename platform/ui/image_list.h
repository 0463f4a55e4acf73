#pragma once
// A strip of pictures addressed by index, as lists, trees and the menu bar use
// them. The pictures are the SVG files resources/images/<name>-<NN>.svg, embedded
// into the web backend; a list only names the strip and the size to draw at.

#include <string>

namespace pgwk::ui {

struct ImageList {
  std::string name;  // empty: no images
  int width = 0;
  int height = 0;
  int count = 0;

  bool empty() const { return name.empty(); }
  bool operator==(const ImageList&) const = default;

  // The twelve menu-bar button pictures, square, at 16 or 32 pixels.
  static ImageList menuBar(int size) { return {"menubar", size, size, 12}; }
  // Ascending (0) and descending (1) arrows for list-view column headers.
  static ImageList sortArrows(int scale) { return {"sort", 12 * scale, 16 * scale, 2}; }
  // The 42 contents pictures: even index closed, the next odd index open.
  static ImageList contents(int scale) { return {"contents", 16 * scale, 16 * scale, 42}; }
};

}  // namespace pgwk::ui
