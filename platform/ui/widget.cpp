#include "platform/ui/widget.h"

#include <nlohmann/json.hpp>

#include "platform/ui/ui.h"
#include "platform/ui/utf.h"

namespace pgwk::ui {

const char* kindName(WidgetKind kind) {
  switch (kind) {
    case WidgetKind::Window: return "window";
    case WidgetKind::Dialog: return "dialog";
    case WidgetKind::PropertySheet: return "sheet";
    case WidgetKind::Label: return "label";
    case WidgetKind::Edit: return "edit";
    case WidgetKind::Button: return "button";
    case WidgetKind::CheckBox: return "check";
    case WidgetKind::RadioButton: return "radio";
    case WidgetKind::GroupBox: return "group";
    case WidgetKind::ComboBox: return "combo";
    case WidgetKind::ListView: return "list";
    case WidgetKind::TreeView: return "tree";
    case WidgetKind::ProgressBar: return "progress";
    case WidgetKind::UpDown: return "updown";
    case WidgetKind::Picture: return "picture";
    case WidgetKind::MenuBar: return "menubar";
    case WidgetKind::HtmlView: return "html";
  }
  return "unknown";
}

const char* messageKindName(MessageKind kind) {
  switch (kind) {
    case MessageKind::Command: return "command";
    case MessageKind::Notify: return "notify";
    case MessageKind::KeyDown: return "keydown";
    case MessageKind::KeyUp: return "keyup";
    case MessageKind::Char: return "char";
    case MessageKind::StylusDown: return "stylusdown";
    case MessageKind::StylusUp: return "stylusup";
    case MessageKind::StylusMove: return "stylusmove";
    case MessageKind::DoubleTap: return "doubletap";
    case MessageKind::FocusIn: return "focusin";
    case MessageKind::FocusOut: return "focusout";
    case MessageKind::Activate: return "activate";
    case MessageKind::Timer: return "timer";
    case MessageKind::SettingChange: return "settingchange";
    case MessageKind::WindowHidden: return "hidden";
    case MessageKind::Close: return "close";
    case MessageKind::Destroy: return "destroy";
    case MessageKind::Quit: return "quit";
    case MessageKind::Input: return "input";
    case MessageKind::User: return "user";
  }
  return "unknown";
}

Widget::Widget(Ui& ui, WidgetId id, WidgetKind kind, WidgetId parent, int controlId)
    : ui_(ui), id_(id), kind_(kind), parent_(parent), controlId_(controlId), font_(systemFont(ui.scale())) {}

void Widget::changed() { ui_.markChanged(id_); }

void Widget::setText(std::u16string text) {
  if (text == text_) return;
  text_ = std::move(text);
  changed();
}

void Widget::setRect(const Rect& rect) {
  if (rect == rect_) return;
  rect_ = rect;
  changed();
}

void Widget::setVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  changed();
}

void Widget::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  changed();
}

void Widget::setChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  changed();
}

void Widget::setFont(const Font& font) {
  if (font == font_) return;
  font_ = font;
  changed();
}

void Widget::describe(nlohmann::json& out) const {
  out["id"] = id_;
  out["kind"] = kindName(kind_);
  out["parent"] = parent_;
  out["ctrl"] = controlId_;
  out["text"] = toUtf8(text_);
  out["rect"] = {rect_.left, rect_.top, rect_.width(), rect_.height()};
  out["visible"] = visible_;
  out["enabled"] = enabled_;
  out["checked"] = checked_;
  out["font"] = {{"h", font_.height}, {"bold", font_.bold}, {"underline", font_.underline}};
  describeKind(out);
}

void Widget::describeKind(nlohmann::json&) const {}

void Widget::describeBulk(nlohmann::json&) const {}

void Widget::describeAll(nlohmann::json& out) const {
  describe(out);
  describeBulk(out);
}

void Widget::bulkChanged() {
  ++bulkRevision_;
  changed();
}

bool Widget::offerToHandler(Message message) {
  if (!handler_) return false;
  message.window = id_;
  message.source = id_;
  message.controlId = controlId_;
  return ui_.send(std::move(message)) != 0;
}

std::int64_t Widget::notifyParent(int code, Message message) const {
  message.kind = MessageKind::Notify;
  message.window = parent_;
  message.code = code;
  message.source = id_;
  message.controlId = controlId_;
  return ui_.send(std::move(message));
}

std::int64_t Widget::commandToParent(int notifyCode) const {
  Message message;
  message.kind = MessageKind::Command;
  message.window = parent_;
  message.code = controlId_;
  message.notifyCode = notifyCode;
  message.source = id_;
  message.controlId = controlId_;
  return ui_.send(std::move(message));
}

void Widget::takeFocus() {
  if (ui_.focus() != id_) ui_.setFocus(id_);
}

void Widget::applyInput(const InputEvent& event) {
  Message message;
  message.x = event.x;
  message.y = event.y;
  switch (event.kind) {
    case InputKind::Tap:
      message.kind = MessageKind::StylusDown;
      offerToHandler(message);
      break;
    case InputKind::StylusUp:
      message.kind = MessageKind::StylusUp;
      offerToHandler(message);
      break;
    case InputKind::StylusMove:
      message.kind = MessageKind::StylusMove;
      message.flag = event.flag;
      offerToHandler(message);
      break;
    case InputKind::DoubleTap:
      message.kind = MessageKind::DoubleTap;
      offerToHandler(message);
      break;
    case InputKind::Key:
      message.kind = event.flag ? MessageKind::KeyDown : MessageKind::KeyUp;
      message.code = event.code;
      offerToHandler(message);
      break;
    case InputKind::Focus:
      takeFocus();
      break;
    default:
      break;
  }
}

}  // namespace pgwk::ui
