#pragma once
// One message of the UI queue: what the shell's window handlers receive.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/ui/ui_types.h"

namespace pgwk::ui {

enum class MessageKind {
  Command,        // code = command or control id, notifyCode, source = control or none
  Notify,         // code = notification code (notify::), source = control
  KeyDown,        // code = key code
  KeyUp,          // code = key code
  Char,           // text = typed text
  StylusDown,     // point in the widget's own coordinates
  StylusUp,
  StylusMove,
  DoubleTap,
  FocusIn,
  FocusOut,
  Activate,       // flag = becoming active
  Timer,          // code = timer id
  SettingChange,  // code = kDisplayResetCode when the display changed
  WindowHidden,   // the window was hidden (no browser page showed it any more)
  Close,          // close request; unhandled, it destroys the window
  Destroy,        // the widget is being destroyed
  Quit,           // ends getMessage; code = exit code
  Input,          // a user action waiting to be applied to the model (internal)
  User,           // anything the program posts to itself; code is its own
};

const char* messageKindName(MessageKind kind);

// What a user did in a front end, before the model has applied it.
enum class InputKind {
  Tap,          // point (x, y) in widget coordinates; item/part for lists, trees, menu bars
  DoubleTap,
  StylusMove,
  StylusUp,
  Key,          // code, flag = down (true) or up
  Text,         // text = new full text of an edit or combo edit part
  Select,       // index/item = new selection (list, tree, combo, tab)
  ColumnClick,  // index = column
  Expand,       // item, flag = expand (true) or collapse
  Activate,     // item/index = list item or tree item activated
  Scroll,       // index = new first visible row (list, tree)
  MenuChoice,   // code = chosen command, 0 = dismissed
  Spin,         // index = delta (+1 / -1)
  Focus,        // widget gained the focus
  Html,         // code = html notification, fields as the view reported them
  Viewport,     // x, y = new screen size
  PageShown,    // flag = a page is (true) or is no longer (false) showing the UI
  WindowFocus,  // flag = the browser window gained (true) or lost the focus
};

struct InputEvent {
  InputKind kind = InputKind::Tap;
  WidgetId widget = kNoWidget;
  int code = 0;
  int index = -1;
  std::uint32_t item = 0;
  int x = 0;
  int y = 0;
  bool flag = false;
  std::u16string text;
  std::string data;
  std::string part;  // where a tap landed: "button", "icon", "label", "header", ...
  // Scroll information reported by an HTML view: range, page, position per axis.
  int scrollV[4] = {0, 0, 0, 0};  // min, max, page, pos
  int scrollH[4] = {0, 0, 0, 0};
};

struct Message {
  MessageKind kind = MessageKind::User;
  WidgetId window = kNoWidget;  // the widget whose handler receives it
  int code = 0;
  int notifyCode = 0;
  WidgetId source = kNoWidget;  // the control that caused it
  int controlId = 0;            // the source's control id
  int index = -1;               // list item, column, combo entry, position
  std::uint32_t item = 0;       // tree item
  int delta = 0;
  int x = 0;
  int y = 0;
  bool flag = false;
  std::int64_t param = 0;
  std::u16string text;
  std::string data;  // narrow text: link targets, image addresses (UTF-8 bytes)
  std::shared_ptr<const InputEvent> input;
};

// A window's or control's message handler. Returns 0 for "not handled / allow",
// anything else for "handled / refuse" (the value also goes back to a sender).
using MessageHandler = std::function<std::int64_t(const Message&)>;

}  // namespace pgwk::ui
