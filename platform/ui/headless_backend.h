#pragma once
// The backend for tests: no screen, the model is read directly. It injects
// anything a user could do, answers modal dialogs, message boxes and pop-up
// menus with the test's callbacks, and fails loudly (HeadlessStall) instead of
// waiting for a user who will never come.
//
// Injecting methods post the action and run the queue until it is empty, so the
// test sees the program's reaction at once. Called from inside an answer
// callback they only post; the running modal loop picks the action up.

#include <functional>
#include <stdexcept>
#include <string>

#include "platform/ui/html_view.h"
#include "platform/ui/tree_view.h"
#include "platform/ui/ui.h"

namespace pgwk::ui {

class HeadlessStall : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class HeadlessBackend : public Backend {
 public:
  explicit HeadlessBackend(Ui& ui, Size screen = {240, 320});
  ~HeadlessBackend() override;
  HeadlessBackend(const HeadlessBackend&) = delete;
  HeadlessBackend& operator=(const HeadlessBackend&) = delete;

  // ---- answering
  // Called when a message box waits for the user; returns the button id.
  void onMessageBox(std::function<int(const MessageBoxInfo&)> answer) { messageBoxAnswer_ = std::move(answer); }
  // Called when another modal dialog waits; it may inject input or end the dialog.
  void onDialog(std::function<void(WidgetId dialog)> answer) { dialogAnswer_ = std::move(answer); }
  // Called when a pop-up menu waits; returns the chosen command (0 dismisses).
  void onPopupMenu(std::function<int(const Menu& menu, Point point)> answer) { popupAnswer_ = std::move(answer); }

  // ---- running
  // Dispatches every waiting message; returns how many.
  int pump();

  // ---- injecting what a user does
  void tap(WidgetId widget, Point point = {});
  void doubleTap(WidgetId widget, Point point = {});
  void keyDown(WidgetId widget, int code);
  void keyUp(WidgetId widget, int code);
  void pressKey(WidgetId widget, int code);  // down, then up
  void type(WidgetId widget, std::u16string fullText);  // edit or combo edit part
  void select(WidgetId widget, int index);  // list item, combo entry, sheet page
  void selectTreeItem(WidgetId tree, TreeItemId item);
  void tapListItem(WidgetId list, int item);
  void activateListItem(WidgetId list, int item);
  void columnClick(WidgetId list, int column);
  void expand(WidgetId tree, TreeItemId item, bool expanded);
  // Taps the named part (Button, Icon, Label) of a visible tree item.
  void tapTreeItem(WidgetId tree, TreeItemId item, TreeView::Part part = TreeView::Part::Label);
  void tapMenuBarButton(WidgetId menuBar, int command);
  void spin(WidgetId upDown, int delta);
  void setViewport(Size size);
  // A report of the page view, as the browser would send it.
  void html(WidgetId view, InputEvent report);
  void linkTap(WidgetId view, std::string target);
  void documentComplete(WidgetId view, ScrollInfo vertical = {0, 0, 0, 0}, ScrollInfo horizontal = {0, 0, 0, 0});

  // ---- reading
  // The published state of a widget as the front ends see it (JSON text).
  std::string describe(WidgetId widget) const;
  int publishCount() const { return publishes_; }

  void publish(Ui& ui, const ChangeSet& changes) override;
  bool beforeWait(Ui& ui) override;

 private:
  void inject(InputEvent event);
  Ui& ui_;
  std::function<int(const MessageBoxInfo&)> messageBoxAnswer_;
  std::function<void(WidgetId)> dialogAnswer_;
  std::function<int(const Menu&, Point)> popupAnswer_;
  bool answering_ = false;
  WidgetId lastAnswered_ = kNoWidget;
  int answersForDialog_ = 0;
  int publishes_ = 0;
};

}  // namespace pgwk::ui
