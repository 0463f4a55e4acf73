#include "platform/ui/controls.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "platform/ui/describe.h"
#include "platform/ui/ui.h"
#include "platform/ui/utf.h"

namespace pgwk::ui {

// ---- Dialog

void Dialog::setDefaultButton(int controlId) {
  defaultButton_ = controlId;
  changed();
}

void Dialog::setTopmost(bool topmost) {
  topmost_ = topmost;
  changed();
}

int Dialog::captionHeight() const {
  return parent() == kNoWidget ? lineHeight(font()) + 6 * ui().scale() : 0;
}

void Dialog::describeKind(nlohmann::json& out) const {
  out["defaultButton"] = defaultButton_;
  out["caption"] = captionHeight();
  out["topmost"] = topmost_;
  if (const MessageBoxInfo* info = ui().messageBoxInfo(id())) {
    static constexpr const char* kIcons[] = {"none", "error", "warning", "information", "question"};
    out["messageBox"] = {{"icon", kIcons[static_cast<int>(info->style.icon)]}};
  }
}

void Dialog::applyInput(const InputEvent& event) {
  if (event.kind != InputKind::Key) {
    Widget::applyInput(event);
    return;
  }
  Message message;
  message.kind = event.flag ? MessageKind::KeyDown : MessageKind::KeyUp;
  message.code = event.code;
  if (offerToHandler(message) || !event.flag || !ui().exists(id())) return;
  // Enter presses the default button, Escape cancels, as dialogs do.
  int button = event.code == key::Enter ? defaultButton_ : event.code == key::Escape ? button_id::Cancel : 0;
  if (button == 0) return;
  WidgetId child = ui().childByControlId(id(), button);
  if (Button* b = ui().get<Button>(child); b && ui().isEnabled(child)) {
    b->click();
  } else if (button == button_id::Cancel) {
    Message command;
    command.kind = MessageKind::Command;
    command.window = id();
    command.code = button_id::Cancel;
    ui().send(std::move(command));
  }
}

// ---- PropertySheet

int PropertySheet::tabHeight() const { return lineHeight(font()) + 8 * ui().scale(); }

WidgetId PropertySheet::addPage(std::u16string title, int controlId) {
  int top = tabHeight();
  Rect area = Rect::fromSize(0, top, rect().width(), std::max(0, rect().height() - captionHeight() - top));
  Dialog& page = ui().create<Dialog>(id(), controlId, area);
  page.setVisible(false);
  pages_.push_back(page.id());
  titles_.push_back(std::move(title));
  changed();
  return page.id();
}

void PropertySheet::setActivePage(int index) {
  if (index < 0 || index >= static_cast<int>(pages_.size())) return;
  active_ = index;
  for (int i = 0; i < static_cast<int>(pages_.size()); ++i) {
    if (Widget* page = ui().find(pages_[i])) page->setVisible(i == index);
  }
  changed();
  Message message;
  message.kind = MessageKind::Notify;
  message.window = pages_[index];
  message.code = notify::PageActivate;
  message.index = index;
  message.source = id();
  ui().send(std::move(message));
}

void PropertySheet::applyInput(const InputEvent& event) {
  if (event.kind == InputKind::Select) {
    setActivePage(event.index);
    return;
  }
  Dialog::applyInput(event);
}

void PropertySheet::describeKind(nlohmann::json& out) const {
  Dialog::describeKind(out);
  nlohmann::json tabs = nlohmann::json::array();
  for (const auto& title : titles_) tabs.push_back(toUtf8(title));
  out["tabs"] = std::move(tabs);
  out["pages"] = pages_;
  out["active"] = active_;
  out["tabHeight"] = tabHeight();
}

// ---- Label

void Label::setAlign(Align align) {
  align_ = align;
  changed();
}

void Label::setColor(std::string cssColor) {
  color_ = std::move(cssColor);
  changed();
}

void Label::applyInput(const InputEvent& event) {
  Widget::applyInput(event);
  if (event.kind == InputKind::Tap && notify_ && ui().exists(id())) commandToParent(notify::Clicked);
}

void Label::describeKind(nlohmann::json& out) const {
  static constexpr const char* kAlign[] = {"left", "center", "right"};
  out["align"] = kAlign[static_cast<int>(align_)];
  if (!color_.empty()) out["color"] = color_;
  out["notify"] = notify_;
}

// ---- Edit

void Edit::setText(std::u16string text) {
  if (limit_ > 0 && static_cast<int>(text.size()) > limit_) text.resize(limit_);
  if (text == this->text()) return;
  Widget::setText(std::move(text));
  commandToParent(notify::EditChange);
}

void Edit::setReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  changed();
}

void Edit::applyInput(const InputEvent& event) {
  if (event.kind == InputKind::Text) {
    if (!readOnly_) setText(event.text);
    else changed();  // the page shows the old text again
    return;
  }
  Widget::applyInput(event);
  if (event.kind == InputKind::Tap && ui().exists(id())) takeFocus();
}

void Edit::describeKind(nlohmann::json& out) const {
  out["limit"] = limit_;
  out["readOnly"] = readOnly_;
}

// ---- Button family

void Button::click() {
  if (kind() == WidgetKind::GroupBox) return;
  if (kind() == WidgetKind::CheckBox) {
    setChecked(!checked());
  } else if (kind() == WidgetKind::RadioButton) {
    for (WidgetId sibling : ui().children(parent())) {
      auto* radio = ui().get<Button>(sibling);
      if (radio && radio->kind() == WidgetKind::RadioButton && radio->group() == group_) {
        radio->setChecked(sibling == id());
      }
    }
  }
  commandToParent(notify::Clicked);
}

void Button::applyInput(const InputEvent& event) {
  if (kind() == WidgetKind::GroupBox) return;
  Message message;
  message.x = event.x;
  message.y = event.y;
  if (event.kind == InputKind::Tap) {
    message.kind = MessageKind::StylusDown;
    if (offerToHandler(message) || !ui().exists(id())) return;
    takeFocus();
    if (ui().exists(id())) click();
    return;
  }
  if (event.kind == InputKind::Key) {
    message.kind = event.flag ? MessageKind::KeyDown : MessageKind::KeyUp;
    message.code = event.code;
    if (offerToHandler(message) || !ui().exists(id())) return;
    if (event.flag && event.code == key::Space) click();
    else if (event.flag && event.code == key::Enter) {
      // Enter belongs to the dialog (its default button), not to the focused button.
      if (Widget* dialog = ui().find(parent())) dialog->applyInput(event);
    }
    return;
  }
  Widget::applyInput(event);
}

void Button::describeKind(nlohmann::json& out) const { out["group"] = group_; }

// ---- ComboBox

void ComboBox::setEditable(bool editable) {
  editable_ = editable;
  changed();
}

int ComboBox::add(std::u16string text, std::int64_t data) { return insert(count(), std::move(text), data); }

int ComboBox::insert(int position, std::u16string text, std::int64_t data) {
  if (position < 0 || position > count()) position = count();
  entries_.insert(entries_.begin() + position, Entry{std::move(text), data});
  if (selection_ >= position) ++selection_;
  changed();
  return position;
}

bool ComboBox::remove(int index) {
  if (index < 0 || index >= count()) return false;
  entries_.erase(entries_.begin() + index);
  if (selection_ == index) selection_ = -1;
  else if (selection_ > index) --selection_;
  changed();
  return true;
}

void ComboBox::clear() {
  entries_.clear();
  selection_ = -1;
  changed();
}

const std::u16string& ComboBox::entryText(int index) const {
  static const std::u16string kNone;
  return index >= 0 && index < count() ? entries_[index].text : kNone;
}

std::int64_t ComboBox::entryData(int index) const { return index >= 0 && index < count() ? entries_[index].data : 0; }

void ComboBox::setEntryData(int index, std::int64_t data) {
  if (index >= 0 && index < count()) entries_[index].data = data;
}

int ComboBox::findExact(std::u16string_view text) const {
  for (int i = 0; i < count(); ++i) {
    if (entries_[i].text == text) return i;
  }
  return -1;
}

void ComboBox::setSelection(int index) {
  if (index < -1 || index >= count()) index = -1;
  selection_ = index;
  if (editable_ && index >= 0) Widget::setText(entries_[index].text);
  changed();
}

void ComboBox::setDropHeight(int pixels) {
  dropHeight_ = pixels;
  changed();
}

void ComboBox::setText(std::u16string text) {
  // Only the edit part has a text of its own; a drop-down list shows its selection.
  if (!editable_) return;
  Widget::setText(std::move(text));
}

void ComboBox::applyInput(const InputEvent& event) {
  switch (event.kind) {
    case InputKind::Select:
      setSelection(event.index);
      commandToParent(notify::ComboSelChange);
      return;
    case InputKind::Text:
      if (!editable_) return;
      if (event.text == text()) return;
      Widget::setText(event.text);
      commandToParent(notify::ComboEditChange);
      return;
    default:
      break;
  }
  Widget::applyInput(event);
  if (event.kind == InputKind::Tap && ui().exists(id())) {
    takeFocus();
    if (ui().exists(id())) commandToParent(notify::ComboDropDown);
  }
}

void ComboBox::describeKind(nlohmann::json& out) const {
  nlohmann::json list = nlohmann::json::array();
  for (const auto& entry : entries_) list.push_back(toUtf8(entry.text));
  out["entries"] = std::move(list);
  out["selection"] = selection_;
  out["editable"] = editable_;
  out["dropHeight"] = dropHeight_;
}

// ---- ProgressBar

void ProgressBar::setRange(int low, int high) {
  low_ = low;
  high_ = std::max(low, high);
  position_ = std::clamp(position_, low_, high_);
  changed();
}

void ProgressBar::setPosition(int position) {
  position = std::clamp(position, low_, high_);
  if (position == position_) return;
  position_ = position;
  changed();
}

void ProgressBar::describeKind(nlohmann::json& out) const {
  out["low"] = low_;
  out["high"] = high_;
  out["pos"] = position_;
}

// ---- UpDown

void UpDown::setRange(int low, int high) {
  low_ = std::min(low, high);
  high_ = std::max(low, high);
  position_ = std::clamp(position_, low_, high_);
  changed();
}

void UpDown::setPosition(int position) {
  position_ = std::clamp(position, low_, high_);
  changed();
}

void UpDown::step(int delta) {
  Message message;
  message.index = position_;
  message.delta = delta;
  if (notifyParent(notify::UpDownDeltaPos, message) != 0) return;  // refused
  if (ui().exists(id())) setPosition(position_ + delta);
}

void UpDown::applyInput(const InputEvent& event) {
  if (event.kind == InputKind::Spin) {
    step(event.index > 0 ? 1 : -1);
    return;
  }
  if (event.kind == InputKind::Tap && (event.part == "up" || event.part == "down")) {
    Widget::applyInput(event);
    if (ui().exists(id())) step(event.part == "up" ? 1 : -1);
    return;
  }
  Widget::applyInput(event);
}

void UpDown::describeKind(nlohmann::json& out) const {
  out["low"] = low_;
  out["high"] = high_;
  out["pos"] = position_;
}

// ---- Picture

void Picture::setImage(ImageList list, int index) {
  list_ = std::move(list);
  index_ = index;
  changed();
}

void Picture::applyInput(const InputEvent& event) {
  Widget::applyInput(event);
  if (event.kind == InputKind::Tap && notify_ && ui().exists(id())) commandToParent(notify::Clicked);
}

void Picture::describeKind(nlohmann::json& out) const {
  out["images"] = describeImageList(list_);
  out["image"] = index_;
}

// ---- MenuBar

void MenuBar::setImageList(ImageList images) {
  images_ = std::move(images);
  changed();
}

void MenuBar::addTextButton(int command, std::u16string text, MenuId dropDown) {
  ButtonState state;
  state.command = command;
  state.text = std::move(text);
  state.dropDown = dropDown;
  buttons_.push_back(std::move(state));
  changed();
}

void MenuBar::addImageButton(int command, int image) {
  ButtonState state;
  state.command = command;
  state.image = image;
  buttons_.push_back(std::move(state));
  changed();
}

MenuBar::ButtonState* MenuBar::findButton(int command) {
  for (auto& b : buttons_) {
    if (b.command == command) return &b;
  }
  return nullptr;
}

const MenuBar::ButtonState* MenuBar::button(int command) const {
  return const_cast<MenuBar*>(this)->findButton(command);
}

bool MenuBar::showButton(int command, bool visible) {
  ButtonState* b = findButton(command);
  if (!b) return false;
  b->visible = visible;
  changed();
  return true;
}

bool MenuBar::enableButton(int command, bool enabled) {
  ButtonState* b = findButton(command);
  if (!b) return false;
  b->enabled = enabled;
  changed();
  return true;
}

bool MenuBar::setButtonImage(int command, int image) {
  ButtonState* b = findButton(command);
  if (!b) return false;
  b->image = image;
  changed();
  return true;
}

bool MenuBar::setButtonText(int command, std::u16string text) {
  ButtonState* b = findButton(command);
  if (!b) return false;
  b->text = std::move(text);
  changed();
  return true;
}

MenuId MenuBar::dropDownMenu(int command) const {
  const ButtonState* b = button(command);
  return b ? b->dropDown : kNoMenu;
}

void MenuBar::hideAllButtons() {
  for (auto& b : buttons_) b.visible = false;
  changed();
}

void MenuBar::setToolTips(std::vector<std::u16string> tips) {
  tips_ = std::move(tips);
  changed();
}

void MenuBar::applyInput(const InputEvent& event) {
  if (event.kind != InputKind::Tap) {
    Widget::applyInput(event);
    return;
  }
  // A tap names the button by its command (code) or by its position (index).
  const ButtonState* b = event.code != 0 ? button(event.code)
                         : event.index >= 0 && event.index < buttonCount() ? &buttons_[event.index]
                                                                           : nullptr;
  if (!b || !b->visible || !b->enabled) return;
  int command = b->command;
  MenuId dropDown = b->dropDown;
  WidgetId owner = parent();
  if (dropDown != kNoMenu) {
    Rect bar = ui().screenRect(id());
    ui().trackPopupMenu(dropDown, {bar.left + event.x, bar.top}, owner, true);
    return;
  }
  Message message;
  message.kind = MessageKind::Command;
  message.window = owner;
  message.code = command;
  ui().post(std::move(message));
}

void MenuBar::describeKind(nlohmann::json& out) const {
  out["images"] = describeImageList(images_);
  nlohmann::json list = nlohmann::json::array();
  for (const auto& b : buttons_) {
    list.push_back({{"cmd", b.command},
                    {"text", toUtf8(b.text)},
                    {"image", b.image},
                    {"dropDown", b.dropDown != kNoMenu},
                    {"visible", b.visible},
                    {"enabled", b.enabled}});
  }
  out["buttons"] = std::move(list);
  nlohmann::json tips = nlohmann::json::array();
  for (const auto& t : tips_) tips.push_back(toUtf8(t));
  out["tips"] = std::move(tips);
}

}  // namespace pgwk::ui
