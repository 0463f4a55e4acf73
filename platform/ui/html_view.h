#pragma once
// The HTML view control: shows one local file from below the content root (the
// reader's temporary folder) and reports what happens in it. Program -> view:
// load, zoom, ClearType, fit to width, scripting, anchors, selection, copy,
// clear, scroll positions. View -> program (Notify messages to the parent):
// link tapped, title, context menu, about to navigate, document complete,
// scroll changes and selection changes. Key presses in the page arrive as
// KeyDown/KeyUp messages to the view itself, for its handler to take first.
//
// A tapped link never navigates the view: the program decides what to load.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/widget.h"

namespace pgwk::ui {

struct ScrollInfo {
  int min = 0;
  int max = 0;   // the document's extent along the axis
  int page = 0;  // the visible part
  int pos = 0;
  bool operator==(const ScrollInfo&) const = default;
};

enum class Axis { Vertical, Horizontal };

// The control's message codes, as the reader's view host sends them.
namespace html_message {
inline constexpr int Zoom = 1140;
inline constexpr int ClearType = 1138;
inline constexpr int FitToWindow = 1131;
inline constexpr int Scripting = 1139;
inline constexpr int Navigate = 1144;
inline constexpr int AnchorWide = 1130;
inline constexpr int AnchorNarrow = 1129;
inline constexpr int SelectAll = 1135;
inline constexpr int IsSelection = 1136;
inline constexpr int Clear = 1137;
}  // namespace html_message

class HtmlView : public Widget {
 public:
  HtmlView(Ui& ui, WidgetId id, WidgetId parent, int controlId)
      : Widget(ui, id, WidgetKind::HtmlView, parent, controlId) {}

  // Loads a local file (absolute path, "file://" prefix allowed, "#anchor" kept).
  // The view starts loading; DocumentComplete follows once the page has loaded.
  void load(std::string_view localPath);
  const std::string& path() const { return path_; }
  std::uint64_t loadSequence() const { return loadSeq_; }
  bool loading() const { return loading_; }

  void setZoom(int level);  // 0 (smallest) .. 4 (largest), 2 is normal
  int zoom() const { return zoom_; }
  void setClearType(bool on);
  bool clearType() const { return clearType_; }
  void setFitToWidth(bool on);
  bool fitToWidth() const { return fitToWidth_; }
  // Off: the page's own scripts are blocked (the view's own script still runs).
  // Takes effect with the next load.
  void setScripting(bool on);
  bool scripting() const { return scripting_; }
  // Drag scrolling: the stylus scrolls the page instead of selecting text.
  void setDragScroll(bool on);
  bool dragScroll() const { return dragScroll_; }
  // Keys the program handles itself: the page does not act on them as well.
  void setClaimedKeys(std::set<int> keys);
  const std::set<int>& claimedKeys() const { return claimedKeys_; }

  void scrollToAnchor(std::string_view name);
  void selectAll();
  bool hasSelection() const { return hasSelection_; }
  const std::u16string& selectedText() const { return selectedText_; }
  // Puts the selected text on the clipboard; false when nothing is selected.
  bool copy();
  // Empties the view (before the program prepares its pages again).
  void clear();

  // The last scroll information the page reported; none before a page has loaded.
  std::optional<ScrollInfo> scrollInfo(Axis axis) const;
  // Sets the position at once in the model and scrolls the page to it.
  void setScrollPosition(Axis axis, int position);
  // Scrolls by pages (+1 down/right, -1 up/left).
  void scrollPages(Axis axis, int pages);

  const std::u16string& title() const { return title_; }

  // The numbered messages of the control, for code written against those numbers;
  // `text` carries the path or anchor name. Returns the control's answer.
  std::int64_t control(int code, std::int64_t param, std::string_view text = {});

  void applyInput(const InputEvent& event) override;

  // Commands for the front end that are actions, not state (select all, copy,
  // scroll to an anchor, set a scroll position), each with a sequence number.
  struct ViewCommand {
    std::uint64_t sequence;
    std::string op;
    std::string text;
    int axis;
    int value;
  };
  const std::vector<ViewCommand>& commands() const { return commands_; }

 protected:
  void describeKind(nlohmann::json& out) const override;

 private:
  void addCommand(std::string op, std::string text = {}, int axis = 0, int value = 0);
  static void readScroll(const int (&raw)[4], std::optional<ScrollInfo>& into);

  std::string path_;
  std::uint64_t loadSeq_ = 0;
  bool loading_ = false;
  int zoom_ = 2;
  bool clearType_ = true;
  bool fitToWidth_ = true;
  bool scripting_ = true;
  bool dragScroll_ = false;
  std::set<int> claimedKeys_;
  bool hasSelection_ = false;
  std::u16string selectedText_;
  std::u16string title_;
  std::optional<ScrollInfo> vertical_;
  std::optional<ScrollInfo> horizontal_;
  std::vector<ViewCommand> commands_;
};

}  // namespace pgwk::ui
