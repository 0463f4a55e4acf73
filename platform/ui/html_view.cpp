#include "platform/ui/html_view.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "platform/ui/ui.h"
#include "platform/ui/utf.h"

namespace pgwk::ui {

namespace {

constexpr std::size_t kKeptCommands = 32;

std::string_view withoutFileScheme(std::string_view path) {
  constexpr std::string_view kScheme = "file://";
  if (path.size() >= kScheme.size() && std::equal(kScheme.begin(), kScheme.end(), path.begin(), [](char a, char b) {
        return a == (b >= 'A' && b <= 'Z' ? b - 'A' + 'a' : b);
      })) {
    path.remove_prefix(kScheme.size());
  }
  return path;
}

}  // namespace

void HtmlView::load(std::string_view localPath) {
  path_ = std::string(withoutFileScheme(localPath));
  ++loadSeq_;
  loading_ = true;
  title_.clear();
  hasSelection_ = false;
  selectedText_.clear();
  changed();
}

void HtmlView::setZoom(int level) {
  zoom_ = std::clamp(level, 0, 4);
  changed();
}

void HtmlView::setClearType(bool on) {
  clearType_ = on;
  changed();
}

void HtmlView::setFitToWidth(bool on) {
  fitToWidth_ = on;
  changed();
}

void HtmlView::setScripting(bool on) {
  scripting_ = on;
  changed();
}

void HtmlView::setDragScroll(bool on) {
  dragScroll_ = on;
  changed();
}

void HtmlView::setClaimedKeys(std::set<int> keys) {
  claimedKeys_ = std::move(keys);
  changed();
}

void HtmlView::addCommand(std::string op, std::string text, int axis, int value) {
  commands_.push_back({ui().nextSequence(), std::move(op), std::move(text), axis, value});
  if (commands_.size() > kKeptCommands) commands_.erase(commands_.begin());
  changed();
}

void HtmlView::scrollToAnchor(std::string_view name) { addCommand("anchor", std::string(name)); }

void HtmlView::selectAll() { addCommand("selectAll"); }

bool HtmlView::copy() {
  if (!hasSelection_) return false;
  ui().setClipboardText(selectedText_);
  addCommand("copy");
  return true;
}

void HtmlView::clear() {
  path_.clear();
  ++loadSeq_;
  loading_ = false;
  title_.clear();
  hasSelection_ = false;
  selectedText_.clear();
  vertical_.reset();
  horizontal_.reset();
  changed();
}

std::optional<ScrollInfo> HtmlView::scrollInfo(Axis axis) const {
  return axis == Axis::Vertical ? vertical_ : horizontal_;
}

void HtmlView::setScrollPosition(Axis axis, int position) {
  auto& info = axis == Axis::Vertical ? vertical_ : horizontal_;
  if (info) info->pos = std::clamp(position, info->min, std::max(info->min, info->max - info->page));
  addCommand("scroll", {}, axis == Axis::Vertical ? 1 : 0, std::max(0, position));
}

void HtmlView::scrollPages(Axis axis, int pages) {
  const auto& info = axis == Axis::Vertical ? vertical_ : horizontal_;
  int page = info ? info->page : rect().height();
  int pos = info ? info->pos : 0;
  setScrollPosition(axis, pos + pages * std::max(1, page - 16));
}

std::int64_t HtmlView::control(int code, std::int64_t param, std::string_view text) {
  switch (code) {
    case html_message::Zoom: setZoom(static_cast<int>(param)); return 0;
    case html_message::ClearType: setClearType(param != 0); return 0;
    case html_message::FitToWindow: setFitToWidth(param != 0); return 0;
    case html_message::Scripting: setScripting(param != 0); return 0;
    case html_message::Navigate: load(text); return 0;
    case html_message::AnchorWide:
    case html_message::AnchorNarrow: scrollToAnchor(text); return 0;
    case html_message::SelectAll: selectAll(); return 0;
    case html_message::IsSelection: return hasSelection_ ? 1 : 0;
    case html_message::Clear: clear(); return 0;
    default: return 0;
  }
}

void HtmlView::readScroll(const int (&raw)[4], std::optional<ScrollInfo>& into) {
  ScrollInfo info{raw[0], std::max(raw[0], raw[1]), std::max(0, raw[2]), raw[3]};
  info.pos = std::clamp(info.pos, info.min, std::max(info.min, info.max));
  into = info;
}

void HtmlView::applyInput(const InputEvent& event) {
  if (event.kind == InputKind::Key) {
    Message message;
    message.kind = event.flag ? MessageKind::KeyDown : MessageKind::KeyUp;
    message.code = event.code;
    offerToHandler(message);
    return;
  }
  if (event.kind != InputKind::Html) {
    Widget::applyInput(event);
    return;
  }
  // Reports that belong to an earlier load (the page was replaced since) are dropped.
  bool current = event.index < 0 || static_cast<std::uint64_t>(event.index) == loadSeq_;
  Message message;
  message.x = event.x;
  message.y = event.y;
  message.data = event.data;
  message.text = event.text;
  switch (event.code) {
    case notify::HtmlLinkTapped:
    case notify::HtmlBeforeNavigate:
      if (current) notifyParent(event.code, message);
      return;
    case notify::HtmlTitle:
      if (!current) return;
      title_ = event.text;
      changed();
      notifyParent(event.code, message);
      return;
    case notify::HtmlContextMenu:
      if (!current) return;
      message.flag = event.flag;
      message.param = event.flag ? kHtmlItemImage : 0;
      notifyParent(event.code, message);
      return;
    case notify::HtmlDocumentComplete:
      if (!current) return;
      loading_ = false;
      readScroll(event.scrollV, vertical_);
      readScroll(event.scrollH, horizontal_);
      changed();
      notifyParent(event.code, message);
      return;
    case notify::HtmlScrollChanged:
      if (!current) return;
      readScroll(event.scrollV, vertical_);
      readScroll(event.scrollH, horizontal_);
      notifyParent(event.code, message);
      return;
    case notify::HtmlSelectionChanged:
      if (!current) return;
      hasSelection_ = event.flag;
      selectedText_ = event.flag ? event.text : std::u16string();
      message.flag = event.flag;
      notifyParent(event.code, message);
      return;
    default:
      return;
  }
}

void HtmlView::describeKind(nlohmann::json& out) const {
  out["path"] = path_;
  out["loadSeq"] = loadSeq_;
  out["zoom"] = zoom_;
  out["clearType"] = clearType_;
  out["fitToWidth"] = fitToWidth_;
  out["scripting"] = scripting_;
  out["dragScroll"] = dragScroll_;
  out["claimedKeys"] = claimedKeys_;
  nlohmann::json commands = nlohmann::json::array();
  for (const auto& c : commands_) {
    commands.push_back({{"seq", c.sequence}, {"op", c.op}, {"text", c.text}, {"axis", c.axis}, {"value", c.value}});
  }
  out["commands"] = std::move(commands);
}

}  // namespace pgwk::ui
