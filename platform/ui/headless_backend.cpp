#include "platform/ui/headless_backend.h"

#include <nlohmann/json.hpp>

#include "platform/ui/html_view.h"
#include "platform/ui/list_view.h"

namespace pgwk::ui {

namespace {

// A dialog that is answered this often without ending waits for something the
// test never gives.
constexpr int kMaxAnswersPerDialog = 50;

class Flag {
 public:
  explicit Flag(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
  ~Flag() { flag_ = old_; }
  Flag(const Flag&) = delete;
  Flag& operator=(const Flag&) = delete;

 private:
  bool& flag_;
  bool old_;
};

}  // namespace

HeadlessBackend::HeadlessBackend(Ui& ui, Size screen) : ui_(ui) {
  ui_.setBackend(this);
  ui_.setScreenSize(screen);
  ui_.setShown(true);
  pump();  // the display-change messages of the first size
}

HeadlessBackend::~HeadlessBackend() {
  if (ui_.backend() == this) ui_.setBackend(nullptr);
}

int HeadlessBackend::pump() {
  int count = 0;
  Message message;
  while (ui_.peekMessage(message)) {
    if (message.kind == MessageKind::Quit) {
      ui_.postQuit(message.code);  // leave it for the test's own loop to see
      break;
    }
    ui_.dispatch(message);
    ++count;
  }
  ui_.repaint();
  return count;
}

void HeadlessBackend::publish(Ui&, const ChangeSet&) { ++publishes_; }

bool HeadlessBackend::beforeWait(Ui& ui) {
  Flag answering(answering_);
  if (const PopupState* popup = ui.popup(); popup && !popup->done) {
    if (!popupAnswer_) throw HeadlessStall("a pop-up menu waits and the test gave no answer");
    const Menu* menu = ui.menu(popup->menu);
    int chosen = menu ? popupAnswer_(*menu, popup->point) : 0;
    InputEvent event;
    event.kind = InputKind::MenuChoice;
    event.code = chosen;
    ui.postInput(std::move(event));
    if (chosen != 0 && menu && (!menu->contains(chosen) || !menu->isEnabled(chosen))) {
      throw HeadlessStall("the test chose a command that the pop-up menu cannot choose");
    }
    return true;
  }
  WidgetId dialog = ui.activeModal();
  if (dialog == kNoWidget) {
    throw HeadlessStall("the loop waits for input and no test step is left to give it");
  }
  if (dialog != lastAnswered_) {
    lastAnswered_ = dialog;
    answersForDialog_ = 0;
  }
  if (++answersForDialog_ > kMaxAnswersPerDialog) {
    throw HeadlessStall("a modal dialog stays open although the test answered it");
  }
  const MessageBoxInfo* info = ui.messageBoxInfo(dialog);
  if (info && messageBoxAnswer_) {
    int button = messageBoxAnswer_(*info);
    ui.endDialog(dialog, button);
  } else if (dialogAnswer_) {
    // Message boxes too, when the test would rather press their buttons.
    dialogAnswer_(dialog);
  } else {
    throw HeadlessStall(info ? "a message box waits and the test gave no answer"
                             : "a modal dialog waits and the test gave no answer");
  }
  // Wakes the loop when the answer posted nothing (it ended the dialog directly).
  if (ui.queue().size() == 0) ui.post(Message{});
  return true;
}

void HeadlessBackend::inject(InputEvent event) {
  ui_.postInput(std::move(event));
  if (!answering_) pump();
}

void HeadlessBackend::tap(WidgetId widget, Point point) {
  InputEvent event;
  event.kind = InputKind::Tap;
  event.widget = widget;
  event.x = point.x;
  event.y = point.y;
  inject(std::move(event));
}

void HeadlessBackend::doubleTap(WidgetId widget, Point point) {
  InputEvent event;
  event.kind = InputKind::DoubleTap;
  event.widget = widget;
  event.x = point.x;
  event.y = point.y;
  inject(std::move(event));
}

void HeadlessBackend::keyDown(WidgetId widget, int code) {
  InputEvent event;
  event.kind = InputKind::Key;
  event.widget = widget;
  event.code = code;
  event.flag = true;
  inject(std::move(event));
}

void HeadlessBackend::keyUp(WidgetId widget, int code) {
  InputEvent event;
  event.kind = InputKind::Key;
  event.widget = widget;
  event.code = code;
  event.flag = false;
  inject(std::move(event));
}

void HeadlessBackend::pressKey(WidgetId widget, int code) {
  keyDown(widget, code);
  keyUp(widget, code);
}

void HeadlessBackend::type(WidgetId widget, std::u16string fullText) {
  InputEvent event;
  event.kind = InputKind::Text;
  event.widget = widget;
  event.text = std::move(fullText);
  inject(std::move(event));
}

void HeadlessBackend::select(WidgetId widget, int index) {
  InputEvent event;
  event.kind = InputKind::Select;
  event.widget = widget;
  event.index = index;
  inject(std::move(event));
}

void HeadlessBackend::selectTreeItem(WidgetId tree, TreeItemId item) {
  InputEvent event;
  event.kind = InputKind::Select;
  event.widget = tree;
  event.item = item;
  inject(std::move(event));
}

void HeadlessBackend::tapListItem(WidgetId list, int item) {
  InputEvent event;
  event.kind = InputKind::Tap;
  event.widget = list;
  event.index = item;
  if (const auto* view = ui_.get<ListView>(list)) {
    Rect r = view->itemRect(item);
    event.x = r.left + 2;
    event.y = r.top + 2;
  }
  inject(std::move(event));
}

void HeadlessBackend::activateListItem(WidgetId list, int item) {
  InputEvent event;
  event.kind = InputKind::Activate;
  event.widget = list;
  event.index = item;
  inject(std::move(event));
}

void HeadlessBackend::columnClick(WidgetId list, int column) {
  InputEvent event;
  event.kind = InputKind::ColumnClick;
  event.widget = list;
  event.index = column;
  inject(std::move(event));
}

void HeadlessBackend::expand(WidgetId tree, TreeItemId item, bool expanded) {
  InputEvent event;
  event.kind = InputKind::Expand;
  event.widget = tree;
  event.item = item;
  event.flag = expanded;
  inject(std::move(event));
}

void HeadlessBackend::tapTreeItem(WidgetId tree, TreeItemId item, TreeView::Part part) {
  const auto* view = ui_.get<TreeView>(tree);
  if (!view) return;
  Rect label = view->itemRect(item);
  int indent = view->indent();
  int iconWidth = view->images().empty() ? 0 : view->images().width;
  int buttonLeft = view->depthOf(item) * indent;
  Point point{label.left + 1, label.top + 1};
  if (part == TreeView::Part::Button) point.x = buttonLeft + indent / 2;
  else if (part == TreeView::Part::Icon) point.x = buttonLeft + indent + iconWidth / 2;
  tap(tree, point);
}

void HeadlessBackend::tapMenuBarButton(WidgetId menuBar, int command) {
  InputEvent event;
  event.kind = InputKind::Tap;
  event.widget = menuBar;
  event.code = command;
  inject(std::move(event));
}

void HeadlessBackend::spin(WidgetId upDown, int delta) {
  InputEvent event;
  event.kind = InputKind::Spin;
  event.widget = upDown;
  event.index = delta;
  inject(std::move(event));
}

void HeadlessBackend::setViewport(Size size) {
  InputEvent event;
  event.kind = InputKind::Viewport;
  event.x = size.width;
  event.y = size.height;
  inject(std::move(event));
}

void HeadlessBackend::html(WidgetId view, InputEvent report) {
  report.kind = InputKind::Html;
  report.widget = view;
  if (report.index < 0) {
    if (const auto* html = ui_.get<HtmlView>(view)) report.index = static_cast<int>(html->loadSequence());
  }
  inject(std::move(report));
}

void HeadlessBackend::linkTap(WidgetId view, std::string target) {
  InputEvent report;
  report.code = notify::HtmlLinkTapped;
  report.data = std::move(target);
  html(view, std::move(report));
}

void HeadlessBackend::documentComplete(WidgetId view, ScrollInfo vertical, ScrollInfo horizontal) {
  InputEvent report;
  report.code = notify::HtmlDocumentComplete;
  int v[4] = {vertical.min, vertical.max, vertical.page, vertical.pos};
  int h[4] = {horizontal.min, horizontal.max, horizontal.page, horizontal.pos};
  std::copy(v, v + 4, report.scrollV);
  std::copy(h, h + 4, report.scrollH);
  html(view, std::move(report));
}

std::string HeadlessBackend::describe(WidgetId widget) const {
  const Widget* w = ui_.find(widget);
  if (!w) return "null";
  nlohmann::json out;
  w->describeAll(out);
  return out.dump();
}

}  // namespace pgwk::ui
