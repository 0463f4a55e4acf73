#include "platform/ui/ui.h"

#include <algorithm>

#include "platform/ui/controls.h"
#include "platform/ui/text_metrics.h"

namespace pgwk::ui {

namespace {

// Restores the modal stack when a nested loop ends, however it ends.
class ModalGuard {
 public:
  explicit ModalGuard(std::vector<ModalFrame>& stack, WidgetId dialog) : stack_(stack), dialog_(dialog) {
    stack_.push_back({dialog, false, 0});
  }
  ~ModalGuard() {
    auto it = std::find_if(stack_.begin(), stack_.end(), [&](const ModalFrame& f) { return f.dialog == dialog_; });
    if (it != stack_.end()) stack_.erase(it);
  }
  ModalGuard(const ModalGuard&) = delete;
  ModalGuard& operator=(const ModalGuard&) = delete;

 private:
  std::vector<ModalFrame>& stack_;
  WidgetId dialog_;
};

ModalFrame* frameOf(std::vector<ModalFrame>& stack, WidgetId dialog) {
  for (auto& frame : stack) {
    if (frame.dialog == dialog) return &frame;
  }
  return nullptr;
}

}  // namespace

Ui::Ui() = default;

Ui::~Ui() {
  // Widgets may refer to each other while going; drop them without messages.
  widgets_.clear();
}

void Ui::adopt(std::unique_ptr<Widget> widget, const Rect& rect, std::u16string text) {
  WidgetId id = widget->id();
  WidgetId parent = widget->parent();
  Widget& ref = *widget;
  widgets_[id] = std::move(widget);
  children_[parent].push_back(id);
  ref.setRect(rect);
  // The text a widget is created with is no change to report (an edit would
  // otherwise tell its parent before the parent knows it exists).
  ref.Widget::setText(std::move(text));
  markChanged(id);
}

Widget* Ui::find(WidgetId id) const {
  auto it = widgets_.find(id);
  return it == widgets_.end() ? nullptr : it->second.get();
}

std::vector<WidgetId> Ui::children(WidgetId parent) const {
  auto it = children_.find(parent);
  return it == children_.end() ? std::vector<WidgetId>{} : it->second;
}

WidgetId Ui::childByControlId(WidgetId parent, int controlId) const {
  for (WidgetId child : children(parent)) {
    if (const Widget* w = find(child); w && w->controlId() == controlId) return child;
  }
  return kNoWidget;
}

WidgetId Ui::topLevelOf(WidgetId id) const {
  const Widget* w = find(id);
  while (w && w->parent() != kNoWidget) {
    const Widget* up = find(w->parent());
    if (!up) break;
    w = up;
  }
  return w ? w->id() : kNoWidget;
}

bool Ui::isAncestor(WidgetId ancestor, WidgetId id) const {
  for (const Widget* w = find(id); w; w = find(w->parent())) {
    if (w->id() == ancestor) return true;
  }
  return false;
}

bool Ui::isVisible(WidgetId id) const {
  const Widget* w = find(id);
  if (!w) return false;
  for (; w; w = find(w->parent())) {
    if (!w->visible()) return false;
  }
  return true;
}

bool Ui::isEnabled(WidgetId id) const {
  const Widget* w = find(id);
  if (!w) return false;
  for (; w; w = find(w->parent())) {
    if (!w->enabled()) return false;
  }
  return true;
}

Rect Ui::screenRect(WidgetId id) const {
  const Widget* w = find(id);
  if (!w) return {};
  Rect r = w->rect();
  for (const Widget* up = find(w->parent()); up; up = find(up->parent())) {
    r.left += up->rect().left;
    r.right += up->rect().left;
    r.top += up->rect().top;
    r.bottom += up->rect().top;
  }
  return r;
}

void Ui::collectSubtree(WidgetId id, std::vector<WidgetId>& out) const {
  out.push_back(id);
  for (WidgetId child : children(id)) collectSubtree(child, out);
}

void Ui::destroy(WidgetId id) {
  if (!find(id)) return;
  std::vector<WidgetId> doomed;
  collectSubtree(id, doomed);
  // Parents hear first, as on the platform; a handler may look at its children.
  for (WidgetId w : doomed) {
    if (find(w)) {
      Message message;
      message.kind = MessageKind::Destroy;
      message.window = w;
      send(std::move(message));
    }
  }
  for (WidgetId w : doomed) {
    auto it = widgets_.find(w);
    if (it == widgets_.end()) continue;  // a handler destroyed it already
    WidgetId parent = it->second->parent();
    auto& siblings = children_[parent];
    siblings.erase(std::remove(siblings.begin(), siblings.end(), w), siblings.end());
    children_.erase(w);
    widgets_.erase(it);
    messageBoxes_.erase(w);
    dirty_.erase(w);
    gone_.push_back(w);
    if (focus_ == w) focus_ = kNoWidget;
    if (mainWindow_ == w) mainWindow_ = kNoWidget;
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.window == w; }),
                  timers_.end());
    if (ModalFrame* frame = frameOf(modal_, w)) frame->ended = true;  // runModal returns its abort value
    if (popup_ && popup_->owner == w) popup_->done = true;
  }
  markGlobalsChanged();
}

// ---- menus

Menu& Ui::createMenu() {
  MenuId id = ++lastMenuId_;
  auto menu = std::make_unique<Menu>(*this, id);
  Menu& ref = *menu;
  menus_[id] = std::move(menu);
  return ref;
}

Menu* Ui::menu(MenuId id) const {
  auto it = menus_.find(id);
  return it == menus_.end() ? nullptr : it->second.get();
}

void Ui::destroyMenu(MenuId id) {
  auto it = menus_.find(id);
  if (it == menus_.end()) return;
  std::vector<MenuId> subs;
  for (const auto& item : it->second->items()) {
    if (item.submenu && item.submenu != id) subs.push_back(item.submenu);
  }
  menus_.erase(it);
  for (MenuId sub : subs) destroyMenu(sub);
}

int Ui::trackPopupMenu(MenuId menuId, Point screenPoint, WidgetId owner, bool fromMenuBar) {
  if (!menu(menuId) || popup_) return 0;
  popup_ = std::make_unique<PopupState>();
  popup_->menu = menuId;
  popup_->point = screenPoint;
  popup_->owner = owner;
  popup_->fromMenuBar = fromMenuBar;
  markGlobalsChanged();
  // The menu closes however the loop ends (a failing test step throws through it).
  struct PopupReset {
    std::unique_ptr<PopupState>& popup;
    ~PopupReset() { popup.reset(); }
  } reset{popup_};
  Message message;
  bool quit = false;
  while (!popup_->done) {
    if (!getMessage(message)) {
      quit = true;
      break;
    }
    dispatch(message);
  }
  int chosen = popup_->done ? popup_->chosen : 0;
  markGlobalsChanged();
  if (quit) {
    postQuit(quitCode_);
    return 0;
  }
  if (chosen != 0 && exists(owner)) {
    Message command;
    command.kind = MessageKind::Command;
    command.window = owner;
    command.code = chosen;
    post(std::move(command));
  }
  return chosen;
}

void Ui::finishPopup(int chosen) {
  if (!popup_ || popup_->done) return;
  // Only an enabled command item of the menu (or its submenus) can be chosen.
  const Menu* m = menu(popup_->menu);
  if (chosen != 0 && (!m || !m->contains(chosen) || !m->isEnabled(chosen))) return;
  popup_->done = true;
  popup_->chosen = chosen;
}

// ---- screen and globals

void Ui::setMainWindow(WidgetId id) {
  mainWindow_ = id;
  markGlobalsChanged();
}

int Ui::scale() const { return std::min(screen_.width, screen_.height) == 240 ? 1 : 2; }

void Ui::setScreenSize(Size size) {
  if (size.width <= 0 || size.height <= 0 || size == screen_) return;
  screen_ = size;
  markGlobalsChanged();
  for (WidgetId top : children(kNoWidget)) {
    Message message;
    message.kind = MessageKind::SettingChange;
    message.window = top;
    message.code = kDisplayResetCode;
    message.x = size.width;
    message.y = size.height;
    post(std::move(message));
  }
}

void Ui::setFocus(WidgetId id) {
  if (id != kNoWidget && !find(id)) return;
  if (id == focus_) return;
  WidgetId old = focus_;
  focus_ = id;
  markGlobalsChanged();
  if (Widget* w = find(old)) {
    Message message;
    message.kind = MessageKind::FocusOut;
    message.window = old;
    send(message);
    if (w->kind() == WidgetKind::Edit && exists(old)) {
      Message command;
      command.kind = MessageKind::Command;
      command.window = w->parent();
      command.code = w->controlId();
      command.notifyCode = notify::KillFocus;
      command.source = old;
      command.controlId = w->controlId();
      send(command);
    }
  }
  if (Widget* w = find(id); w && focus_ == id) {
    Message message;
    message.kind = MessageKind::FocusIn;
    message.window = id;
    send(message);
    if (w->kind() == WidgetKind::Edit && exists(id)) {
      Message command;
      command.kind = MessageKind::Command;
      command.window = w->parent();
      command.code = w->controlId();
      command.notifyCode = notify::SetFocus;
      command.source = id;
      command.controlId = w->controlId();
      send(command);
    }
  }
}

void Ui::setFullScreen(bool on) {
  if (on == fullScreen_) return;
  fullScreen_ = on;
  markGlobalsChanged();
}

void Ui::setCursor(CursorShape shape) {
  if (shape == cursor_) return;
  cursor_ = shape;
  markGlobalsChanged();
}

void Ui::setClipboardText(std::u16string text) {
  clipboard_ = std::move(text);
  ++clipboardVersion_;
  markGlobalsChanged();
}

void Ui::setContentRoot(std::string folder) {
  contentRoot_ = std::move(folder);
  markGlobalsChanged();
}

void Ui::openExternal(std::string target) {
  constexpr std::size_t kKept = 16;  // a page that connects late only needs the recent ones
  externalOpens_.emplace_back(nextSequence(), std::move(target));
  if (externalOpens_.size() > kKept) externalOpens_.erase(externalOpens_.begin());
  markGlobalsChanged();
}

void Ui::setShown(bool shown) {
  if (shown == shown_) return;
  shown_ = shown;
  markGlobalsChanged();
}

// ---- the loop

bool Ui::post(Message message) { return queue_.post(std::move(message)); }

bool Ui::postInput(InputEvent event) {
  Message message;
  message.kind = MessageKind::Input;
  message.window = event.widget;
  message.input = std::make_shared<const InputEvent>(std::move(event));
  return post(std::move(message));
}

std::int64_t Ui::send(Message message) {
  Widget* w = find(message.window);
  if (!w) return 0;
  // A copy: the handler may replace itself or destroy its widget while it runs.
  MessageHandler handler = w->handler();
  std::int64_t result = handler ? handler(message) : 0;
  if (result == 0) {
    if (Widget* still = find(message.window)) defaultHandling(*still, message);
  }
  return result;
}

void Ui::defaultHandling(Widget& widget, const Message& message) {
  switch (message.kind) {
    case MessageKind::Close:
      destroy(widget.id());
      break;
    case MessageKind::Command: {
      // Dialog buttons: OK and Cancel end a modal dialog; a message box ends
      // with whichever of its buttons was pressed.
      bool isDialog = widget.kind() == WidgetKind::Dialog || widget.kind() == WidgetKind::PropertySheet;
      if (!isDialog || message.notifyCode != notify::Clicked || !frameOf(modal_, widget.id())) break;
      if (messageBoxes_.count(widget.id()) || message.code == button_id::Ok || message.code == button_id::Cancel) {
        endDialog(widget.id(), message.code);
      }
      break;
    }
    default:
      break;
  }
}

bool Ui::getMessage(Message& out) {
  for (;;) {
    if (queue_.tryPop(out) || dueTimer(out)) break;
    // Going idle: let the front end see the model as it is now.
    repaint();
    if (backend_ && backend_->beforeWait(*this)) continue;
    if (queue_.waitPop(out, nextTimerDue())) break;
  }
  if (out.kind == MessageKind::Quit) {
    quitCode_ = out.code;
    return false;
  }
  return true;
}

bool Ui::peekMessage(Message& out) {
  if (!queue_.tryPop(out) && !dueTimer(out)) return false;
  if (out.kind == MessageKind::Quit) quitCode_ = out.code;
  return true;
}

void Ui::dispatch(const Message& message) {
  if (message.kind == MessageKind::Input) {
    if (message.input) applyInput(*message.input);
    return;
  }
  if (message.kind == MessageKind::Quit) return;
  send(message);
}

void Ui::postQuit(int exitCode) {
  Message message;
  message.kind = MessageKind::Quit;
  message.code = exitCode;
  post(std::move(message));
}

WidgetId Ui::activeModal() const { return modal_.empty() ? kNoWidget : modal_.back().dialog; }

int Ui::runModal(WidgetId dialog, int abortValue) {
  Widget* w = find(dialog);
  if (!w || frameOf(modal_, dialog)) return abortValue;
  ModalGuard guard(modal_, dialog);
  w->setVisible(true);
  WidgetId previousFocus = focus_;
  if (!isAncestor(dialog, focus_)) {
    // The dialog's first enabled control takes the focus, as a dialog opens.
    WidgetId first = kNoWidget;
    for (WidgetId child : children(dialog)) {
      const Widget* c = find(child);
      if (c && c->visible() && c->enabled() && c->kind() != WidgetKind::Label && c->kind() != WidgetKind::GroupBox) {
        first = child;
        break;
      }
    }
    setFocus(first != kNoWidget ? first : dialog);
  }
  markGlobalsChanged();
  Message message;
  bool quit = false;
  for (;;) {
    ModalFrame* frame = frameOf(modal_, dialog);
    if (!frame || frame->ended) break;
    if (!getMessage(message)) {
      quit = true;
      break;
    }
    dispatch(message);
  }
  ModalFrame* frame = frameOf(modal_, dialog);
  bool endedNormally = frame && frame->ended && exists(dialog);
  int value = endedNormally ? frame->value : abortValue;
  if (Widget* still = find(dialog)) still->setVisible(false);
  markGlobalsChanged();
  if (quit) postQuit(quitCode_);  // the outer loop must see it too
  if (exists(previousFocus)) setFocus(previousFocus);
  return value;
}

void Ui::endDialog(WidgetId dialog, int value) {
  if (ModalFrame* frame = frameOf(modal_, dialog)) {
    frame->ended = true;
    frame->value = value;
  } else if (Widget* w = find(dialog)) {
    w->setVisible(false);  // a modeless dialog just goes away
  }
}

int Ui::messageBox(WidgetId owner, std::u16string text, std::u16string caption, MessageBoxStyle style) {
  struct ButtonSpec {
    int id;
    const char16_t* text;
  };
  std::vector<ButtonSpec> buttons;
  switch (style.buttons) {
    case MessageBoxButtons::Ok: buttons = {{button_id::Ok, u"OK"}}; break;
    case MessageBoxButtons::OkCancel: buttons = {{button_id::Ok, u"OK"}, {button_id::Cancel, u"Cancel"}}; break;
    case MessageBoxButtons::YesNo: buttons = {{button_id::Yes, u"Yes"}, {button_id::No, u"No"}}; break;
    case MessageBoxButtons::YesNoCancel:
      buttons = {{button_id::Yes, u"Yes"}, {button_id::No, u"No"}, {button_id::Cancel, u"Cancel"}};
      break;
    case MessageBoxButtons::RetryCancel:
      buttons = {{button_id::Retry, u"Retry"}, {button_id::Cancel, u"Cancel"}};
      break;
  }
  int abortValue = buttons.back().id;
  if (style.buttons == MessageBoxButtons::Ok) abortValue = button_id::Ok;

  // Layout: the text wrapped into at most the screen width less margins, the
  // buttons in a row below it, all under the box's caption.
  const int s = scale();
  const Font font = systemFont(s);
  const int margin = 8 * s;
  const int iconSpace = style.icon != MessageBoxIcon::None ? 28 * s : 0;
  const int buttonWidth = 60 * s;
  const int buttonHeight = lineHeight(font) + 8 * s;
  const int count = static_cast<int>(buttons.size());
  const int rowWidth = count * buttonWidth + (count - 1) * margin;
  int width = std::max(std::min(screen_.width - 16 * s, 220 * s), rowWidth + 2 * margin);
  int textWidth = width - 2 * margin - iconSpace;
  int lines = std::max(1, (textExtent(font, text).width + textWidth - 1) / std::max(1, textWidth));
  for (char16_t c : text) lines += c == u'\n' ? 1 : 0;
  int textHeight = std::max(lines * lineHeight(font), iconSpace);

  Dialog& box = create<Dialog>(kNoWidget, 0, Rect{}, caption);
  int height = box.captionHeight() + margin + textHeight + margin + buttonHeight + margin;
  box.setRect(Rect::fromSize((screen_.width - width) / 2, std::max(0, (screen_.height - height) / 3), width, height));
  box.setTopmost(style.topmost);
  box.setVisible(false);
  box.setDefaultButton(buttons.front().id);
  messageBoxes_[box.id()] = MessageBoxInfo{box.id(), owner, text, caption, style};
  create<Label>(box.id(), 0xFFFF, Rect::fromSize(margin + iconSpace, margin, textWidth, textHeight), std::move(text));
  int bx = (width - rowWidth) / 2;
  int by = margin + textHeight + margin;
  for (const auto& spec : buttons) {
    create<Button>(box.id(), spec.id, Rect::fromSize(bx, by, buttonWidth, buttonHeight), spec.text);
    bx += buttonWidth + margin;
  }
  WidgetId boxId = box.id();
  int result = runModal(boxId, abortValue);
  destroy(boxId);
  return result;
}

const MessageBoxInfo* Ui::messageBoxInfo(WidgetId dialog) const {
  auto it = messageBoxes_.find(dialog);
  return it == messageBoxes_.end() ? nullptr : &it->second;
}

void Ui::setTimer(WidgetId window, int timerId, int milliseconds) {
  killTimer(window, timerId);
  auto interval = std::chrono::milliseconds(std::max(1, milliseconds));
  timers_.push_back({window, timerId, interval, Clock::now() + interval});
}

void Ui::killTimer(WidgetId window, int timerId) {
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                               [&](const Timer& t) { return t.window == window && t.id == timerId; }),
                timers_.end());
}

bool Ui::dueTimer(Message& out) {
  auto now = Clock::now();
  for (auto& timer : timers_) {
    if (timer.due <= now) {
      timer.due = now + timer.interval;
      out = Message{};
      out.kind = MessageKind::Timer;
      out.window = timer.window;
      out.code = timer.id;
      return true;
    }
  }
  return false;
}

Ui::Clock::time_point Ui::nextTimerDue() const {
  // Without timers, wake up now and then anyway: cheap, and it keeps a lost
  // wake-up from ever becoming a hang.
  auto next = Clock::now() + std::chrono::seconds(1);
  for (const auto& timer : timers_) next = std::min(next, timer.due);
  return next;
}

// ---- user input

bool Ui::acceptsInput(WidgetId id) const {
  if (!isVisible(id) || !isEnabled(id)) return false;
  WidgetId modal = activeModal();
  if (modal != kNoWidget && !isAncestor(modal, id)) return false;
  if (popup_) return false;  // the open menu takes everything
  return true;
}

void Ui::applyInput(const InputEvent& event) {
  switch (event.kind) {
    case InputKind::Viewport:
      setScreenSize({event.x, event.y});
      return;
    case InputKind::MenuChoice:
      finishPopup(event.code);
      return;
    case InputKind::WindowFocus:
      if (mainWindow_ != kNoWidget) {
        Message message;
        message.kind = MessageKind::Activate;
        message.window = mainWindow_;
        message.flag = event.flag;
        send(std::move(message));
      }
      return;
    case InputKind::PageShown:
      setShown(event.flag);
      return;
    default:
      break;
  }
  Widget* w = find(event.widget);
  bool htmlReport = event.kind == InputKind::Html && w && w->kind() == WidgetKind::HtmlView;
  // The view's own reports (scrolling, title, load state) are not user actions
  // on a control and must arrive even while a dialog is open.
  if (!w || (!htmlReport && !acceptsInput(event.widget))) {
    ++ignoredInputs_;
    return;
  }
  w->applyInput(event);
}

// ---- change tracking

void Ui::markChanged(WidgetId id) { dirty_.insert(id); }

void Ui::markGlobalsChanged() { globalsDirty_ = true; }

ChangeSet Ui::takeChanges() {
  ChangeSet changes;
  changes.changed.assign(dirty_.begin(), dirty_.end());
  changes.gone = std::move(gone_);
  changes.globals = globalsDirty_;
  dirty_.clear();
  gone_.clear();
  globalsDirty_ = false;
  return changes;
}

void Ui::repaint() {
  if (!backend_) {
    takeChanges();  // nobody to tell; keep the record from growing
    return;
  }
  if (dirty_.empty() && gone_.empty() && !globalsDirty_) return;
  backend_->publish(*this, takeChanges());
}

}  // namespace pgwk::ui
