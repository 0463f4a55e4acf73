#pragma once
// The renderer (HTML, JavaScript, CSS), the view script and the pictures of
// resources/images, embedded into the program at build time.

#include <string_view>

namespace pgwk::web {

struct Asset {
  std::string_view path;  // as served: "/app.js", "/res/menubar-03.svg"
  std::string_view contentType;
  std::string_view data;
};

// nullptr when no asset has that path.
const Asset* findAsset(std::string_view path);

}  // namespace pgwk::web
