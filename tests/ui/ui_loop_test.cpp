// The event loop on the headless backend: modal dialogs, message boxes, quit,
// timers, display changes and user actions aimed at widgets that are gone.
#include <gtest/gtest.h>

#include <thread>

#include "platform/ui/controls.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"

namespace pgwk::ui {
namespace {

struct LoopTest : ::testing::Test {
  Ui ui;
  HeadlessBackend headless{ui};
  Window& main = ui.create<Window>(kNoWidget, 0, Rect::fromSize(0, 0, 240, 294), u"Pagewick");
  void SetUp() override { ui.setMainWindow(main.id()); }

  Dialog& makeDialog(std::u16string title) {
    auto& dialog = ui.create<Dialog>(kNoWidget, 0, Rect::fromSize(10, 10, 200, 150), std::move(title));
    dialog.setVisible(false);
    ui.create<Button>(dialog.id(), button_id::Ok, Rect::fromSize(10, 100, 60, 20), u"OK");
    ui.create<Button>(dialog.id(), button_id::Cancel, Rect::fromSize(80, 100, 60, 20), u"Cancel");
    return dialog;
  }
};

TEST_F(LoopTest, ModalDialogsNestAndReturnTheirValues) {
  Dialog& outer = makeDialog(u"Options");
  Dialog& inner = makeDialog(u"Press a key");
  auto& set = ui.create<Button>(outer.id(), 1073, Rect::fromSize(10, 10, 60, 20), u"Set");
  int innerResult = 0;
  std::vector<WidgetId> answered;
  // Set opens the capture dialog from inside the options dialog.
  outer.setHandler([&](const Message& m) -> std::int64_t {
    if (m.kind == MessageKind::Command && m.code == 1073) {
      innerResult = ui.runModal(inner.id());
      return 1;
    }
    return 0;
  });
  inner.setHandler([&](const Message& m) -> std::int64_t {
    if (m.kind == MessageKind::KeyUp) {
      ui.endDialog(inner.id(), m.code);
      return 1;
    }
    return 0;
  });
  headless.onDialog([&](WidgetId dialog) {
    answered.push_back(dialog);
    if (dialog == outer.id() && answered.size() == 1) headless.tap(set.id());
    else if (dialog == inner.id()) headless.keyUp(inner.id(), 194);
    else headless.tap(ui.childByControlId(outer.id(), button_id::Ok));
  });
  int outerResult = ui.runModal(outer.id());
  EXPECT_EQ(outerResult, button_id::Ok);
  EXPECT_EQ(innerResult, 194);
  EXPECT_EQ(answered, (std::vector<WidgetId>{outer.id(), inner.id(), outer.id()}));
  EXPECT_TRUE(ui.modalStack().empty());
  EXPECT_FALSE(outer.visible());
}

TEST_F(LoopTest, InputBehindAModalDialogIsIgnored) {
  Dialog& dialog = makeDialog(u"About");
  auto& behind = ui.create<Button>(main.id(), 5, Rect::fromSize(0, 0, 50, 20), u"Behind");
  int clicks = 0;
  main.setHandler([&](const Message& m) -> std::int64_t {
    clicks += m.kind == MessageKind::Command && m.code == 5;
    return 0;
  });
  headless.onDialog([&](WidgetId d) {
    headless.tap(behind.id());
    headless.pressKey(d, key::Escape);
  });
  EXPECT_EQ(ui.runModal(dialog.id()), button_id::Cancel);
  EXPECT_EQ(clicks, 0);
  headless.tap(behind.id());
  EXPECT_EQ(clicks, 1);
}

TEST_F(LoopTest, ADialogHandlerThatTakesEnterKeepsTheDefaultButtonAway) {
  Dialog& dialog = makeDialog(u"Press a key");
  std::vector<int> keys;
  dialog.setHandler([&](const Message& m) -> std::int64_t {
    if (m.kind != MessageKind::KeyDown) return 0;
    keys.push_back(m.code);
    if (m.code == key::Enter) return 1;
    ui.endDialog(dialog.id(), m.code);
    return 1;
  });
  headless.onDialog([&](WidgetId d) {
    headless.keyDown(d, key::Enter);
    headless.keyDown(d, key::F1);
  });
  EXPECT_EQ(ui.runModal(dialog.id()), key::F1);
  EXPECT_EQ(keys, (std::vector<int>{key::Enter, key::F1}));
}

TEST_F(LoopTest, MessageBoxesAnswerWithTheButtonPressed) {
  struct Case {
    MessageBoxButtons buttons;
    int answer;
  } cases[] = {
      {MessageBoxButtons::Ok, button_id::Ok},
      {MessageBoxButtons::YesNo, button_id::No},
      {MessageBoxButtons::YesNoCancel, button_id::Cancel},
      {MessageBoxButtons::OkCancel, button_id::Ok},
  };
  for (const auto& c : cases) {
    MessageBoxInfo seen;
    headless.onMessageBox([&](const MessageBoxInfo& info) {
      seen = info;
      return c.answer;
    });
    MessageBoxStyle style{MessageBoxIcon::Error, c.buttons, true};
    EXPECT_EQ(ui.messageBox(main.id(), u"Can't create temporary folder", u"Startup error", style), c.answer);
    EXPECT_EQ(seen.text, u"Can't create temporary folder");
    EXPECT_EQ(seen.caption, u"Startup error");
    EXPECT_EQ(seen.style.icon, MessageBoxIcon::Error);
    EXPECT_EQ(seen.owner, main.id());
    EXPECT_FALSE(ui.exists(seen.dialog));  // the box is gone afterwards
  }
  // Pressing a real button of the box works the same way.
  headless.onMessageBox({});
  headless.onDialog([&](WidgetId box) { headless.tap(ui.childByControlId(box, button_id::Yes)); });
  EXPECT_EQ(ui.messageBox(main.id(), u"Again?", u"Help", {MessageBoxIcon::Question, MessageBoxButtons::YesNo}),
            button_id::Yes);
}

TEST_F(LoopTest, AModalDialogWithoutAnAnswerFailsInsteadOfHanging) {
  Dialog& dialog = makeDialog(u"Topics Found");
  EXPECT_THROW(ui.runModal(dialog.id()), HeadlessStall);
  EXPECT_TRUE(ui.modalStack().empty());
  headless.onDialog([](WidgetId) {});  // answers, but never ends it
  EXPECT_THROW(ui.runModal(dialog.id()), HeadlessStall);
  EXPECT_THROW(ui.messageBox(main.id(), u"x", u"y", {}), HeadlessStall);
}

TEST_F(LoopTest, QuitOrDestructionEndsNestedLoops) {
  Dialog& dialog = makeDialog(u"Options");
  const WidgetId dialogId = dialog.id();
  headless.onDialog([&](WidgetId) { ui.postQuit(7); });
  EXPECT_EQ(ui.runModal(dialog.id(), -5), -5);
  Message message;
  ASSERT_TRUE(ui.peekMessage(message));  // the quit stays for the outer loop
  EXPECT_EQ(message.kind, MessageKind::Quit);
  EXPECT_EQ(message.code, 7);
  // The page went away while the dialog was open: the window is hidden, the
  // program closes, its windows go, and the modal loop returns.
  main.setHandler([&](const Message& m) -> std::int64_t {
    if (m.kind == MessageKind::WindowHidden) ui.destroy(dialogId);
    return 0;
  });
  headless.onDialog([&](WidgetId) {
    Message hidden;
    hidden.kind = MessageKind::WindowHidden;
    hidden.window = main.id();
    ui.post(hidden);
  });
  EXPECT_EQ(ui.runModal(dialogId, -1), -1);
  EXPECT_FALSE(ui.exists(dialogId));
}

TEST_F(LoopTest, UserActionsForWidgetsThatAreGoneAreIgnored) {
  auto& button = ui.create<Button>(main.id(), 9, Rect::fromSize(0, 0, 50, 20), u"Go");
  WidgetId id = button.id();
  InputEvent tap;
  tap.kind = InputKind::Tap;
  tap.widget = id;
  ui.postInput(tap);  // queued while the widget still exists
  ui.destroy(id);
  headless.pump();
  headless.tap(id);
  headless.tap(123456);
  EXPECT_EQ(ui.ignoredInputs(), 3u);
}

TEST_F(LoopTest, DisplayChangeReachesEveryTopLevelWindow) {
  auto& other = ui.create<Window>(kNoWidget, 0, Rect::fromSize(0, 0, 10, 10));
  int changes = 0;
  auto count = [&](const Message& m) -> std::int64_t {
    if (m.kind == MessageKind::SettingChange && m.code == kDisplayResetCode) ++changes;
    return 0;
  };
  main.setHandler(count);
  other.setHandler(count);
  EXPECT_EQ(ui.scale(), 1);
  headless.setViewport({320, 240});
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(ui.scale(), 1);
  headless.setViewport({320, 240});  // the same size again is no change
  EXPECT_EQ(changes, 2);
  const std::pair<Size, int> scales[] = {{{480, 640}, 2}, {{240, 400}, 1}, {{1280, 800}, 2}, {{241, 320}, 2}};
  for (const auto& [size, scale] : scales) {
    headless.setViewport(size);
    EXPECT_EQ(ui.scale(), scale) << size.width << "x" << size.height;
  }
}

TEST_F(LoopTest, TimersPostsFromOtherThreadsAndQuit) {
  int ticks = 0;
  int user = 0;
  main.setHandler([&](const Message& m) -> std::int64_t {
    if (m.kind == MessageKind::Timer && m.code == 3 && ++ticks == 2) ui.killTimer(main.id(), 3);
    if (m.kind == MessageKind::User && m.code == 77 && ++user == 1) ui.postQuit(4);
    return 0;
  });
  ui.setTimer(main.id(), 3, 5);
  ui.setTimer(main.id(), 4, 1);
  ui.killTimer(main.id(), 4);
  Message message;
  while (ticks < 2) {
    if (ui.peekMessage(message)) ui.dispatch(message);
    else std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  std::thread poster([&] {
    Message m;
    m.kind = MessageKind::User;
    m.window = main.id();
    m.code = 77;
    ui.post(m);
  });
  poster.join();
  while (ui.getMessage(message)) ui.dispatch(message);
  EXPECT_EQ(ui.quitCode(), 4);
  EXPECT_EQ(ticks, 2);
}

TEST_F(LoopTest, CloseDestroysUnlessTheHandlerTakesIt) {
  bool refuse = true;
  bool destroyed = false;
  main.setHandler([&](const Message& m) -> std::int64_t {
    if (m.kind == MessageKind::Close) return refuse ? 1 : 0;
    if (m.kind == MessageKind::Destroy) destroyed = true;
    return 0;
  });
  auto& child = ui.create<Label>(main.id(), 1, Rect::fromSize(0, 0, 1, 1));
  WidgetId childId = child.id();
  Message close;
  close.kind = MessageKind::Close;
  close.window = main.id();
  ui.send(close);
  EXPECT_TRUE(ui.exists(main.id()));
  refuse = false;
  ui.send(close);
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(ui.exists(childId));
  EXPECT_EQ(ui.mainWindow(), kNoWidget);
}

TEST_F(LoopTest, PropertySheetShowsOnePageAtATime) {
  auto& sheet = ui.create<PropertySheet>(kNoWidget, 0, Rect::fromSize(0, 0, 240, 294), u"Pagewick");
  sheet.setVisible(false);
  std::vector<int> activated;
  std::vector<WidgetId> pages;
  for (const char16_t* title : {u"Display", u"Bookmarks", u"Search", u"Recent", u"Buttons", u"General"}) {
    WidgetId page = sheet.addPage(title);
    ui.find(page)->setHandler([&, page](const Message& m) -> std::int64_t {
      if (m.kind == MessageKind::Notify && m.code == notify::PageActivate) activated.push_back(m.index);
      return 0;
    });
    pages.push_back(page);
  }
  ui.create<Button>(sheet.id(), button_id::Ok, Rect::fromSize(180, 270, 50, 20), u"OK");
  sheet.setActivePage(5);
  headless.onDialog([&](WidgetId) {
    if (activated.size() == 1) headless.select(sheet.id(), 1);
    else headless.tap(ui.childByControlId(sheet.id(), button_id::Ok));
  });
  EXPECT_EQ(ui.runModal(sheet.id()), button_id::Ok);
  EXPECT_EQ(activated, (std::vector<int>{5, 1}));
  EXPECT_TRUE(ui.find(pages[1])->visible());
  EXPECT_FALSE(ui.find(pages[5])->visible());
}

TEST_F(LoopTest, PopupMenuPostsTheChoiceToItsOwner) {
  Menu& context = ui.createMenu();
  context.append(800, u"Select All");
  context.append(801, u"Copy");
  std::vector<int> commands;
  main.setHandler([&](const Message& m) -> std::int64_t {
    if (m.kind == MessageKind::Command) commands.push_back(m.code);
    return 0;
  });
  Point where;
  headless.onPopupMenu([&](const Menu&, Point p) {
    where = p;
    return 801;
  });
  EXPECT_EQ(ui.trackPopupMenu(context.id(), {30, 40}, main.id()), 801);
  headless.onPopupMenu([&](const Menu&, Point) { return 0; });
  EXPECT_EQ(ui.trackPopupMenu(context.id(), {30, 40}, main.id()), 0);
  headless.pump();
  EXPECT_EQ(commands, (std::vector<int>{801}));
  EXPECT_EQ(where, (Point{30, 40}));
}

}  // namespace
}  // namespace pgwk::ui
