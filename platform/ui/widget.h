#pragma once
// The base of every widget: what all kinds share (id, parent, control id, text,
// rectangle, visible/enabled/checked, font, user data, message handler) and the
// hooks through which a kind reports its own state and applies user actions.

#include <cstdint>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "platform/ui/message.h"
#include "platform/ui/text_metrics.h"
#include "platform/ui/ui_types.h"

namespace pgwk::ui {

class Ui;

class Widget {
 public:
  Widget(Ui& ui, WidgetId id, WidgetKind kind, WidgetId parent, int controlId);
  virtual ~Widget() = default;
  Widget(const Widget&) = delete;
  Widget& operator=(const Widget&) = delete;

  WidgetId id() const { return id_; }
  WidgetKind kind() const { return kind_; }
  WidgetId parent() const { return parent_; }
  int controlId() const { return controlId_; }

  const std::u16string& text() const { return text_; }
  virtual void setText(std::u16string text);

  // Relative to the parent's client area; top-level widgets are placed on the screen.
  const Rect& rect() const { return rect_; }
  void setRect(const Rect& rect);
  void move(int x, int y, int width, int height) { setRect(Rect::fromSize(x, y, width, height)); }

  // The widget's own flag; Ui::isVisible also looks at the ancestors.
  bool visible() const { return visible_; }
  void setVisible(bool visible);
  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);
  bool checked() const { return checked_; }
  virtual void setChecked(bool checked);

  const Font& font() const { return font_; }
  void setFont(const Font& font);

  // A value of the program's own, kept with the widget and never shown.
  std::int64_t userData() const { return userData_; }
  void setUserData(std::int64_t value) { userData_ = value; }

  // The widget's handler sees its messages first; for controls this is how the
  // program intercepts taps and keys before the control's own behaviour.
  void setHandler(MessageHandler handler) { handler_ = std::move(handler); }
  const MessageHandler& handler() const { return handler_; }

  // Published state of the widget, as the front ends draw it, without its bulk
  // part (the items of a list, the rows of a tree). The bulk part is published
  // on its own and only when it changed, so that moving the selection in a list
  // of thousands of entries does not send all of them again.
  void describe(nlohmann::json& out) const;
  virtual void describeBulk(nlohmann::json& out) const;
  std::uint64_t bulkRevision() const { return bulkRevision_; }
  // Both parts in one object.
  void describeAll(nlohmann::json& out) const;

  // Carries out a user action aimed at this widget (already checked to be visible,
  // enabled and not behind a modal dialog).
  virtual void applyInput(const InputEvent& event);

 protected:
  virtual void describeKind(nlohmann::json& out) const;
  void changed();
  // The bulk part changed (and with it the widget).
  void bulkChanged();
  Ui& ui() const { return ui_; }

  // Offers a raw input message to the widget's own handler; true when consumed.
  bool offerToHandler(Message message);
  // Sends a Notify message to the parent; returns the parent's answer.
  std::int64_t notifyParent(int code, Message message = {}) const;
  // Sends a Command message (code = control id) to the parent.
  std::int64_t commandToParent(int notifyCode) const;
  // Default reaction to a tap: take the focus.
  void takeFocus();

 private:
  Ui& ui_;
  WidgetId id_;
  WidgetKind kind_;
  WidgetId parent_;
  int controlId_;
  std::u16string text_;
  Rect rect_;
  bool visible_ = true;
  bool enabled_ = true;
  bool checked_ = false;
  Font font_;
  std::int64_t userData_ = 0;
  std::uint64_t bulkRevision_ = 0;
  MessageHandler handler_;
};

}  // namespace pgwk::ui
