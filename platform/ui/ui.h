#pragma once
// The UI model and its event loop: the window system the shell is written
// against. It owns every widget and menu, the one message queue, the modal
// dialog stack, the focus, the cursor, the clipboard and the screen. Everything
// here runs on the UI thread, except Ui::post, which any thread may call.
//
// A backend (headless for tests, web for the browser) shows the model and turns
// what the user does into InputEvents posted to the queue.

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/ui/event_queue.h"
#include "platform/ui/menu.h"
#include "platform/ui/message.h"
#include "platform/ui/ui_types.h"
#include "platform/ui/widget.h"

namespace pgwk::ui {

class Ui;

// What a backend learns when the model has changed.
struct ChangeSet {
  std::vector<WidgetId> changed;  // new or changed widgets
  std::vector<WidgetId> gone;     // destroyed widgets
  bool globals = false;           // screen, focus, cursor, modal stack, popup, clipboard...
};

class Backend {
 public:
  virtual ~Backend() = default;
  // The model changed; called on the UI thread before it waits and on repaint.
  virtual void publish(Ui& ui, const ChangeSet& changes) = 0;
  // The loop is about to wait for a message. A backend may act here (the headless
  // one answers modal dialogs and pop-up menus); true means "look again".
  virtual bool beforeWait(Ui& ui) { return false; }
};

// A modal dialog (or message box) that is running.
struct ModalFrame {
  WidgetId dialog = kNoWidget;
  bool ended = false;
  int value = 0;
};

// The pop-up menu being tracked, if any.
struct PopupState {
  MenuId menu = kNoMenu;
  Point point;  // screen coordinates of its anchor
  WidgetId owner = kNoWidget;
  bool fromMenuBar = false;
  bool done = false;
  int chosen = 0;
};

struct MessageBoxInfo {
  WidgetId dialog = kNoWidget;
  WidgetId owner = kNoWidget;
  std::u16string text;
  std::u16string caption;
  MessageBoxStyle style;
};

class Ui {
 public:
  Ui();
  ~Ui();
  Ui(const Ui&) = delete;
  Ui& operator=(const Ui&) = delete;

  // ---- widgets
  // Creates a widget of type W (Window, Dialog, Label, Edit, Button, CheckBox,
  // RadioButton, GroupBox, ComboBox, ListView, TreeView, ProgressBar, UpDown,
  // Picture, MenuBar, HtmlView, PropertySheet) under `parent` (kNoWidget for a
  // top-level window or dialog).
  template <class W>
  W& create(WidgetId parent, int controlId, const Rect& rect, std::u16string text = {}) {
    auto widget = std::make_unique<W>(*this, allocateId(), parent, controlId);
    W& ref = *widget;
    adopt(std::move(widget), rect, std::move(text));
    return ref;
  }
  Widget* find(WidgetId id) const;
  template <class W>
  W* get(WidgetId id) const {
    return dynamic_cast<W*>(find(id));
  }
  bool exists(WidgetId id) const { return find(id) != nullptr; }
  // Destroys the widget and everything below it; each gets a Destroy message first.
  void destroy(WidgetId id);
  std::vector<WidgetId> children(WidgetId parent) const;
  WidgetId childByControlId(WidgetId parent, int controlId) const;
  WidgetId topLevelOf(WidgetId id) const;
  bool isAncestor(WidgetId ancestor, WidgetId id) const;
  // Visible and enabled including every ancestor.
  bool isVisible(WidgetId id) const;
  bool isEnabled(WidgetId id) const;
  Rect screenRect(WidgetId id) const;
  std::size_t widgetCount() const { return widgets_.size(); }

  // ---- menus
  Menu& createMenu();
  Menu* menu(MenuId id) const;
  // Destroys the menu and its submenus.
  void destroyMenu(MenuId id);
  // Shows the menu at a screen point and waits (nested loop) until the user picks
  // an item or dismisses it. The choice is returned and, unless 0, also posted to
  // the owner as a Command message.
  int trackPopupMenu(MenuId menu, Point screenPoint, WidgetId owner, bool fromMenuBar = false);
  const PopupState* popup() const { return popup_.get(); }

  // ---- screen, main window, focus, cursor, clipboard
  void setMainWindow(WidgetId id);
  WidgetId mainWindow() const { return mainWindow_; }
  Size screenSize() const { return screen_; }
  // 1 when the screen's smaller side is exactly 240 pixels, else 2.
  int scale() const;
  // A new size posts a display-change SettingChange to every top-level window.
  void setScreenSize(Size size);
  // Width of a vertical (and height of a horizontal) scroll bar in the page view,
  // in pixels: the browser's classic scroll bar.
  static constexpr int scrollBarWidth() { return 15; }
  // Full screen: the front end asks the browser to show the page alone on the
  // screen (the browser may refuse without a user's gesture).
  void setFullScreen(bool on);
  bool fullScreen() const { return fullScreen_; }
  WidgetId focus() const { return focus_; }
  void setFocus(WidgetId id);
  CursorShape cursor() const { return cursor_; }
  void setCursor(CursorShape shape);
  const std::u16string& clipboardText() const { return clipboard_; }
  void setClipboardText(std::u16string text);
  std::uint64_t clipboardVersion() const { return clipboardVersion_; }
  // The folder whose files HTML views may show (the reader's temporary folder).
  void setContentRoot(std::string folder);
  const std::string& contentRoot() const { return contentRoot_; }
  // Opens a target outside the book in a new browser tab.
  void openExternal(std::string target);
  const std::vector<std::pair<std::uint64_t, std::string>>& externalOpens() const { return externalOpens_; }
  // True once a front end shows the main window (the headless backend is always shown).
  bool shown() const { return shown_; }
  void setShown(bool shown);

  // ---- the loop
  // Thread-safe. False when the queue refused the message (full).
  bool post(Message message);
  bool postInput(InputEvent event);
  // Runs the target's handler now, then its default handling; returns the answer.
  std::int64_t send(Message message);
  // Blocks for the next message; false when it is the quit message.
  bool getMessage(Message& out);
  // Takes a message only if one is waiting (or a timer is due).
  bool peekMessage(Message& out);
  void dispatch(const Message& message);
  void postQuit(int exitCode);
  // The exit code carried by the last quit message.
  int quitCode() const { return quitCode_; }

  // Runs a nested loop until the dialog ends (endDialog) and returns its value.
  // When the dialog is destroyed or the quit message arrives first, returns
  // `abortValue` (and the quit message stays queued for the outer loop).
  int runModal(WidgetId dialog, int abortValue = -1);
  void endDialog(WidgetId dialog, int value);
  const std::vector<ModalFrame>& modalStack() const { return modal_; }
  WidgetId activeModal() const;

  // A message box is a modal dialog; returns the id of the pressed button.
  int messageBox(WidgetId owner, std::u16string text, std::u16string caption, MessageBoxStyle style);
  const MessageBoxInfo* messageBoxInfo(WidgetId dialog) const;

  void setTimer(WidgetId window, int timerId, int milliseconds);
  void killTimer(WidgetId window, int timerId);

  // Publishes the model to the backend at once (a long operation repaints this way).
  void repaint();
  void setBackend(Backend* backend) { backend_ = backend; }
  Backend* backend() const { return backend_; }

  // Number of user actions dropped because their widget no longer exists or
  // could not take input (behind a modal dialog, hidden or disabled).
  std::uint64_t ignoredInputs() const { return ignoredInputs_; }

  // ---- used by widgets and backends
  void markChanged(WidgetId id);
  void markGlobalsChanged();
  ChangeSet takeChanges();
  std::uint64_t nextSequence() { return ++sequence_; }
  EventQueue& queue() { return queue_; }

 private:
  using Clock = std::chrono::steady_clock;
  struct Timer {
    WidgetId window;
    int id;
    Clock::duration interval;
    Clock::time_point due;
  };

  WidgetId allocateId() { return ++lastId_; }
  void adopt(std::unique_ptr<Widget> widget, const Rect& rect, std::u16string text);
  void applyInput(const InputEvent& event);
  bool acceptsInput(WidgetId id) const;
  void defaultHandling(Widget& widget, const Message& message);
  bool dueTimer(Message& out);
  Clock::time_point nextTimerDue() const;
  void collectSubtree(WidgetId id, std::vector<WidgetId>& out) const;
  void finishPopup(int chosen);

  std::map<WidgetId, std::unique_ptr<Widget>> widgets_;
  std::map<WidgetId, std::vector<WidgetId>> children_;
  std::map<MenuId, std::unique_ptr<Menu>> menus_;
  std::map<WidgetId, MessageBoxInfo> messageBoxes_;
  WidgetId lastId_ = 0;
  MenuId lastMenuId_ = 0;
  EventQueue queue_;
  std::vector<ModalFrame> modal_;
  std::unique_ptr<PopupState> popup_;
  std::vector<Timer> timers_;
  WidgetId mainWindow_ = kNoWidget;
  WidgetId focus_ = kNoWidget;
  Size screen_{240, 320};
  CursorShape cursor_ = CursorShape::Normal;
  std::u16string clipboard_;
  std::uint64_t clipboardVersion_ = 0;
  std::string contentRoot_;
  std::vector<std::pair<std::uint64_t, std::string>> externalOpens_;
  bool shown_ = false;
  bool fullScreen_ = false;
  int quitCode_ = 0;
  Backend* backend_ = nullptr;
  std::uint64_t sequence_ = 0;
  std::uint64_t ignoredInputs_ = 0;
  std::set<WidgetId> dirty_;
  std::vector<WidgetId> gone_;
  bool globalsDirty_ = true;
};

}  // namespace pgwk::ui
