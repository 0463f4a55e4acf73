#include "platform/web/event_decoder.h"

#include <limits>
#include <string_view>

#include <nlohmann/json.hpp>

#include "platform/ui/utf.h"

namespace pgwk::web {

namespace {

using nlohmann::json;

struct KindName {
  std::string_view name;
  ui::InputKind kind;
};

constexpr KindName kKinds[] = {
    {"tap", ui::InputKind::Tap},         {"dbltap", ui::InputKind::DoubleTap},
    {"move", ui::InputKind::StylusMove}, {"up", ui::InputKind::StylusUp},
    {"key", ui::InputKind::Key},         {"text", ui::InputKind::Text},
    {"select", ui::InputKind::Select},   {"column", ui::InputKind::ColumnClick},
    {"expand", ui::InputKind::Expand},   {"activate", ui::InputKind::Activate},
    {"scroll", ui::InputKind::Scroll},   {"menu", ui::InputKind::MenuChoice},
    {"spin", ui::InputKind::Spin},       {"focus", ui::InputKind::Focus},
    {"html", ui::InputKind::Html},       {"viewport", ui::InputKind::Viewport},
    {"winfocus", ui::InputKind::WindowFocus},
};

bool readInt(const json& object, const char* name, int& into) {
  auto it = object.find(name);
  if (it == object.end()) return true;
  if (!it->is_number_integer()) return false;
  auto value = it->get<long long>();
  if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) return false;
  into = static_cast<int>(value);
  return true;
}

bool readString(const json& object, const char* name, std::string& into) {
  auto it = object.find(name);
  if (it == object.end()) return true;
  if (!it->is_string()) return false;
  into = it->get<std::string>();
  return true;
}

bool readScroll(const json& object, const char* name, int (&into)[4]) {
  auto it = object.find(name);
  if (it == object.end()) return true;
  if (!it->is_array() || it->size() != 4) return false;
  for (int i = 0; i < 4; ++i) {
    const json& v = (*it)[i];
    if (!v.is_number()) return false;
    double d = v.get<double>();
    if (!(d > -1e9 && d < 1e9)) return false;
    into[i] = static_cast<int>(d);
  }
  return true;
}

bool decodeOne(const json& object, ui::InputEvent& event) {
  if (!object.is_object()) return false;
  std::string kind;
  if (!readString(object, "k", kind)) return false;
  bool known = false;
  for (const auto& k : kKinds) {
    if (k.name == kind) {
      event.kind = k.kind;
      known = true;
    }
  }
  if (!known) return false;
  int widget = 0;
  int item = 0;
  std::string text;
  if (!readInt(object, "w", widget) || widget < 0) return false;
  if (!readInt(object, "item", item) || item < 0) return false;
  event.widget = static_cast<ui::WidgetId>(widget);
  event.item = static_cast<std::uint32_t>(item);
  if (!readInt(object, "code", event.code) || !readInt(object, "index", event.index) ||
      !readInt(object, "x", event.x) || !readInt(object, "y", event.y)) {
    return false;
  }
  if (auto it = object.find("flag"); it != object.end()) {
    if (!it->is_boolean()) return false;
    event.flag = it->get<bool>();
  }
  if (!readString(object, "text", text) || !readString(object, "data", event.data) ||
      !readString(object, "part", event.part)) {
    return false;
  }
  event.text = ui::fromUtf8(text);
  return readScroll(object, "sv", event.scrollV) && readScroll(object, "sh", event.scrollH);
}

}  // namespace

bool decodeEvents(const json& body, std::vector<ui::InputEvent>& out) {
  out.clear();
  if (body.is_array()) {
    if (body.size() > kMaxEventsPerPost) return false;
    for (const auto& element : body) {
      ui::InputEvent event;
      if (!decodeOne(element, event)) return false;
      out.push_back(std::move(event));
    }
    return true;
  }
  ui::InputEvent event;
  if (!decodeOne(body, event)) return false;
  out.push_back(std::move(event));
  return true;
}

}  // namespace pgwk::web
