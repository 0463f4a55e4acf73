#pragma once
// Helpers shared by the widgets' describe functions.

#include <nlohmann/json.hpp>

#include "platform/ui/image_list.h"

namespace pgwk::ui {

inline nlohmann::json describeImageList(const ImageList& list) {
  if (list.empty()) return nullptr;
  return {{"name", list.name}, {"w", list.width}, {"h", list.height}, {"count", list.count}};
}

}  // namespace pgwk::ui
