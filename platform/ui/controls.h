#pragma once
// The simple widget kinds: windows and dialogs, labels, edits, buttons, combo
// boxes, progress bars, up-downs, pictures and the bottom menu bar. Lists, trees
// and the HTML view have files of their own.

#include <string>
#include <vector>

#include "platform/ui/image_list.h"
#include "platform/ui/widget.h"

namespace pgwk::ui {

// A top-level window; its text is the title.
class Window : public Widget {
 public:
  Window(Ui& ui, WidgetId id, WidgetId parent, int controlId)
      : Widget(ui, id, WidgetKind::Window, parent, controlId) {}
};

// A dialog: modal (Ui::runModal) or modeless (just shown). Its OK (1) and
// Cancel (2) buttons, Enter and Escape end a modal dialog unless its handler
// takes the command.
class Dialog : public Widget {
 public:
  Dialog(Ui& ui, WidgetId id, WidgetId parent, int controlId, WidgetKind kind = WidgetKind::Dialog)
      : Widget(ui, id, kind, parent, controlId) {}
  int defaultButton() const { return defaultButton_; }
  void setDefaultButton(int controlId);
  bool topmost() const { return topmost_; }
  void setTopmost(bool topmost);
  // A top-level dialog draws its title in a bar this high at the top of its
  // rectangle; its controls are placed relative to the area below (child
  // dialogs, such as property-sheet pages, have none).
  int captionHeight() const;
  void applyInput(const InputEvent& event) override;

 protected:
  void describeKind(nlohmann::json& out) const override;

 private:
  int defaultButton_ = 1;
  bool topmost_ = false;
};

// A tabbed modal dialog whose pages are child dialogs, one visible at a time.
class PropertySheet : public Dialog {
 public:
  PropertySheet(Ui& ui, WidgetId id, WidgetId parent, int controlId)
      : Dialog(ui, id, parent, controlId, WidgetKind::PropertySheet) {}
  // Creates the page as a hidden child dialog filling the client area below the tabs.
  WidgetId addPage(std::u16string title, int controlId = 0);
  const std::vector<WidgetId>& pages() const { return pages_; }
  int activePage() const { return active_; }
  // Shows that page, hides the others and sends the page a PageActivate notification.
  void setActivePage(int index);
  int tabHeight() const;
  void applyInput(const InputEvent& event) override;

 protected:
  void describeKind(nlohmann::json& out) const override;

 private:
  std::vector<WidgetId> pages_;
  std::vector<std::u16string> titles_;
  int active_ = -1;
};

// Static text. With notify on, a tap sends a Clicked command to the parent.
class Label : public Widget {
 public:
  Label(Ui& ui, WidgetId id, WidgetId parent, int controlId)
      : Widget(ui, id, WidgetKind::Label, parent, controlId) {}
  void setNotify(bool notify) { notify_ = notify; }
  enum class Align { Left, Center, Right };
  void setAlign(Align align);
  void setColor(std::string cssColor);
  void applyInput(const InputEvent& event) override;

 protected:
  void describeKind(nlohmann::json& out) const override;

 private:
  bool notify_ = false;
  Align align_ = Align::Left;
  std::string color_;
};

// A single-line edit. Setting the text (by the program or by typing) sends an
// EditChange command; gaining and losing the focus send SetFocus / KillFocus.
class Edit : public Widget {
 public:
  Edit(Ui& ui, WidgetId id, WidgetId parent, int controlId)
      : Widget(ui, id, WidgetKind::Edit, parent, controlId) {}
  void setText(std::u16string text) override;
  void setLimit(int characters) { limit_ = characters; }
  int limit() const { return limit_; }
  void setReadOnly(bool readOnly);
  bool readOnly() const { return readOnly_; }
  void applyInput(const InputEvent& event) override;

 protected:
  void describeKind(nlohmann::json& out) const override;

 private:
  int limit_ = 0;  // 0: no limit
  bool readOnly_ = false;
};

// Push button, and the base of check boxes, radio buttons and group boxes.
class Button : public Widget {
 public:
  Button(Ui& ui, WidgetId id, WidgetId parent, int controlId, WidgetKind kind = WidgetKind::Button)
      : Widget(ui, id, kind, parent, controlId) {}
  // Radio buttons with the same group number under one parent exclude each other.
  void setGroup(int group) { group_ = group; }
  int group() const { return group_; }
  // Does what a tap does: toggles a check box, selects a radio button, then sends Clicked.
  void click();
  void applyInput(const InputEvent& event) override;

 protected:
  void describeKind(nlohmann::json& out) const override;

 private:
  int group_ = 0;
};

class CheckBox : public Button {
 public:
  CheckBox(Ui& ui, WidgetId id, WidgetId parent, int controlId)
      : Button(ui, id, parent, controlId, WidgetKind::CheckBox) {}
};

class RadioButton : public Button {
 public:
  RadioButton(Ui& ui, WidgetId id, WidgetId parent, int controlId)
      : Button(ui, id, parent, controlId, WidgetKind::RadioButton) {}
};

class GroupBox : public Button {
 public:
  GroupBox(Ui& ui, WidgetId id, WidgetId parent, int controlId)
      : Button(ui, id, parent, controlId, WidgetKind::GroupBox) {}
};

// Drop-down list, or drop-down combo with an edit part (the widget's text).
class ComboBox : public Widget {
 public:
  ComboBox(Ui& ui, WidgetId id, WidgetId parent, int controlId)
      : Widget(ui, id, WidgetKind::ComboBox, parent, controlId) {}
  void setEditable(bool editable);
  bool editable() const { return editable_; }
  int count() const { return static_cast<int>(entries_.size()); }
  int add(std::u16string text, std::int64_t data = 0);
  int insert(int position, std::u16string text, std::int64_t data = 0);
  bool remove(int index);
  void clear();
  const std::u16string& entryText(int index) const;
  std::int64_t entryData(int index) const;
  void setEntryData(int index, std::int64_t data);
  int findExact(std::u16string_view text) const;  // -1 when absent
  int selection() const { return selection_; }
  // Selects without a notification (as the program's own selection does);
  // an editable box takes the entry's text into its edit part.
  void setSelection(int index);
  // Height of the opened drop-down list, in pixels.
  void setDropHeight(int pixels);
  void setText(std::u16string text) override;
  void applyInput(const InputEvent& event) override;

 protected:
  void describeKind(nlohmann::json& out) const override;

 private:
  struct Entry {
    std::u16string text;
    std::int64_t data;
  };
  std::vector<Entry> entries_;
  int selection_ = -1;
  bool editable_ = false;
  int dropHeight_ = 0;
};

class ProgressBar : public Widget {
 public:
  ProgressBar(Ui& ui, WidgetId id, WidgetId parent, int controlId)
      : Widget(ui, id, WidgetKind::ProgressBar, parent, controlId) {}
  void setRange(int low, int high);
  void setPosition(int position);
  int position() const { return position_; }
  int low() const { return low_; }
  int high() const { return high_; }

 protected:
  void describeKind(nlohmann::json& out) const override;

 private:
  int low_ = 0;
  int high_ = 100;
  int position_ = 0;
};

// Up and down arrows over a range. A tap asks the parent first (UpDownDeltaPos
// with the position and the step); a nonzero answer refuses the change.
class UpDown : public Widget {
 public:
  UpDown(Ui& ui, WidgetId id, WidgetId parent, int controlId)
      : Widget(ui, id, WidgetKind::UpDown, parent, controlId) {}
  void setRange(int low, int high);
  void setPosition(int position);
  int position() const { return position_; }
  int low() const { return low_; }
  int high() const { return high_; }
  // The step of one tap: +1 up, -1 down.
  void step(int delta);
  void applyInput(const InputEvent& event) override;

 protected:
  void describeKind(nlohmann::json& out) const override;

 private:
  int low_ = 0;
  int high_ = 100;
  int position_ = 0;
};

// A picture from an image list; with notify on, a tap sends Clicked.
class Picture : public Widget {
 public:
  Picture(Ui& ui, WidgetId id, WidgetId parent, int controlId)
      : Widget(ui, id, WidgetKind::Picture, parent, controlId) {}
  void setImage(ImageList list, int index);
  void setNotify(bool notify) { notify_ = notify; }
  void applyInput(const InputEvent& event) override;

 protected:
  void describeKind(nlohmann::json& out) const override;

 private:
  ImageList list_;
  int index_ = -1;
  bool notify_ = false;
};

// The bottom menu bar of a window: text buttons (File with its drop-down menu,
// Close) and image buttons, each with a command, shown/hidden and enabled on its
// own, with one list of tool tips in button order.
class MenuBar : public Widget {
 public:
  MenuBar(Ui& ui, WidgetId id, WidgetId parent, int controlId)
      : Widget(ui, id, WidgetKind::MenuBar, parent, controlId) {}

  struct ButtonState {
    int command = 0;
    std::u16string text;  // text buttons; image buttons leave it empty
    int image = -1;
    MenuId dropDown = kNoMenu;
    bool visible = true;
    bool enabled = true;
  };

  // Bar height for a scale: 26 pixels at scale 1.
  static int heightFor(int scale) { return 26 * scale; }
  void setImageList(ImageList images);
  const ImageList& imageList() const { return images_; }
  void addTextButton(int command, std::u16string text, MenuId dropDown = kNoMenu);
  void addImageButton(int command, int image);
  int buttonCount() const { return static_cast<int>(buttons_.size()); }
  const ButtonState* button(int command) const;
  const std::vector<ButtonState>& buttons() const { return buttons_; }
  bool showButton(int command, bool visible);
  bool enableButton(int command, bool enabled);
  bool setButtonImage(int command, int image);
  bool setButtonText(int command, std::u16string text);
  MenuId dropDownMenu(int command) const;
  void hideAllButtons();
  void setToolTips(std::vector<std::u16string> tips);
  const std::vector<std::u16string>& toolTips() const { return tips_; }
  void applyInput(const InputEvent& event) override;

 protected:
  void describeKind(nlohmann::json& out) const override;

 private:
  ButtonState* findButton(int command);
  ImageList images_;
  std::vector<ButtonState> buttons_;
  std::vector<std::u16string> tips_;
};

}  // namespace pgwk::ui
