#pragma once
// Plain value types shared by the whole UI model: ids, geometry, widget kinds,
// key codes and the notification codes that controls send to their parents.

#include <cstdint>
#include <string>

namespace pgwk::ui {

using WidgetId = std::uint32_t;   // 0 is "no widget"
using MenuId = std::uint32_t;     // 0 is "no menu"
using TreeItemId = std::uint32_t; // 0 is "no item" (also the root when inserting)

inline constexpr WidgetId kNoWidget = 0;
inline constexpr MenuId kNoMenu = 0;
inline constexpr TreeItemId kNoItem = 0;
inline constexpr TreeItemId kTreeRoot = 0;

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  int width = 0;
  int height = 0;
  bool operator==(const Size&) const = default;
};

// Left/top inclusive, right/bottom exclusive, as the shell's layout code expects.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  static Rect fromSize(int x, int y, int width, int height) { return {x, y, x + width, y + height}; }
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  bool operator==(const Rect&) const = default;
};

enum class WidgetKind {
  Window,
  Dialog,
  PropertySheet,
  Label,
  Edit,
  Button,
  CheckBox,
  RadioButton,
  GroupBox,
  ComboBox,
  ListView,
  TreeView,
  ProgressBar,
  UpDown,
  Picture,
  MenuBar,
  HtmlView,
};

const char* kindName(WidgetKind kind);

// Key codes as the reader's key dispatch knows them.
namespace key {
inline constexpr int Back = 8;
inline constexpr int Tab = 9;
inline constexpr int Enter = 13;
inline constexpr int Escape = 27;
inline constexpr int Space = 32;
inline constexpr int PageUp = 33;
inline constexpr int PageDown = 34;
inline constexpr int End = 35;
inline constexpr int Home = 36;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
inline constexpr int Delete = 46;
inline constexpr int F1 = 112;   // F1..F16 are 112..127
inline constexpr int F16 = 127;
}  // namespace key

// Standard dialog / message-box button ids; a dialog ends with one of these
// when one of its buttons with that control id is pressed.
namespace button_id {
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int Abort = 3;
inline constexpr int Retry = 4;
inline constexpr int Ignore = 5;
inline constexpr int Yes = 6;
inline constexpr int No = 7;
}  // namespace button_id

// Notification codes. Edits, buttons and combo boxes report through Command
// messages (code = control id, notifyCode below); lists, trees, up-downs,
// property sheets and the HTML view through Notify messages.
namespace notify {
// Command notifications
inline constexpr int Clicked = 0;          // button, check box, radio button
inline constexpr int EditChange = 0x300;   // edit text (or combo edit part) changed
inline constexpr int SetFocus = 0x100;     // edit gained the focus
inline constexpr int KillFocus = 0x200;    // edit lost the focus
inline constexpr int ComboSelChange = 1;   // combo box selection changed
inline constexpr int ComboEditChange = 5;  // combo box edit part changed
inline constexpr int ComboDropDown = 7;
// Notify messages
inline constexpr int ListItemChanged = -101;  // item = new selection (-1 none)
inline constexpr int ListColumnClick = -108;  // index = column
inline constexpr int ListItemActivate = -114; // item = activated item
inline constexpr int TreeSelChanged = -402;   // item = new selection
inline constexpr int TreeItemExpanding = -405; // item, flag = expanding; nonzero result refuses
inline constexpr int TreeItemExpanded = -406;
inline constexpr int UpDownDeltaPos = -722;   // index = position, delta; nonzero result refuses
inline constexpr int PageActivate = -200;     // property sheet page became visible
// HTML view notifications, numbered as the reader's view host knows them.
inline constexpr int HtmlLinkTapped = 1125;
inline constexpr int HtmlTitle = 1128;
inline constexpr int HtmlContextMenu = 1131;  // point, flag = item type (2 = image), data = address
inline constexpr int HtmlBeforeNavigate = 1133;
inline constexpr int HtmlDocumentComplete = 1134;
inline constexpr int HtmlScrollChanged = 1150;
inline constexpr int HtmlSelectionChanged = 1151;
}  // namespace notify

inline constexpr int kHtmlItemImage = 2;  // context-menu item type "image"

// The code of the setting-change message that says the display was reset
// (size or orientation changed).
inline constexpr int kDisplayResetCode = 0x3002;

enum class CursorShape { Normal, Busy };

enum class MessageBoxIcon { None, Error, Warning, Information, Question };
enum class MessageBoxButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };

struct MessageBoxStyle {
  MessageBoxIcon icon = MessageBoxIcon::None;
  MessageBoxButtons buttons = MessageBoxButtons::Ok;
  bool topmost = false;
};

}  // namespace pgwk::ui
