// The HTML view's model: what the program tells it and what it reports back.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/ui/controls.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/html_view.h"
#include "platform/ui/ui.h"

namespace pgwk::ui {
namespace {

struct HtmlViewTest : ::testing::Test {
  Ui ui;
  HeadlessBackend headless{ui};
  Window& main = ui.create<Window>(kNoWidget, 0, Rect::fromSize(0, 0, 240, 294));
  HtmlView& view = ui.create<HtmlView>(main.id(), 0, Rect::fromSize(0, 0, 240, 268));
  std::vector<Message> notes;
  void SetUp() override {
    main.setHandler([this](const Message& m) -> std::int64_t {
      if (m.kind == MessageKind::Notify) notes.push_back(m);
      return 0;
    });
  }
  nlohmann::json state() { return nlohmann::json::parse(headless.describe(view.id())); }
};

TEST_F(HtmlViewTest, NumberedMessagesSetTheViewState) {
  struct Case {
    int code;
    std::int64_t param;
    const char* text;
    const char* field;
    nlohmann::json expected;
  } cases[] = {
      {html_message::Zoom, 4 - 0, "", "zoom", 4},
      {html_message::Zoom, 9, "", "zoom", 4},  // clamped to the levels there are
      {html_message::ClearType, 0, "", "clearType", false},
      {html_message::FitToWindow, 0, "", "fitToWidth", false},
      {html_message::Scripting, 0, "", "scripting", false},
      {html_message::Navigate, 0, "file:///tmp/tempchmv/0/index.htm", "path", "/tmp/tempchmv/0/index.htm"},
      {html_message::Navigate, 0, "/tmp/tempchmv/0/a.htm#part", "path", "/tmp/tempchmv/0/a.htm#part"},
  };
  for (const auto& c : cases) {
    view.control(c.code, c.param, c.text);
    EXPECT_EQ(state()[c.field], c.expected) << c.code;
  }
  EXPECT_TRUE(view.loading());
  view.control(html_message::AnchorWide, 0, "chmv_search");
  view.control(html_message::SelectAll, 0);
  auto commands = state()["commands"];
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[0]["op"], "anchor");
  EXPECT_EQ(commands[0]["text"], "chmv_search");
  EXPECT_EQ(commands[1]["op"], "selectAll");
  EXPECT_LT(commands[0]["seq"].get<int>(), commands[1]["seq"].get<int>());
  EXPECT_EQ(view.control(html_message::IsSelection, 0), 0);
}

TEST_F(HtmlViewTest, ReportsBecomeNotificationsOfTheCurrentLoadOnly) {
  view.load("/tmp/tempchmv/0/a.htm");
  int firstLoad = static_cast<int>(view.loadSequence());
  view.load("/tmp/tempchmv/0/b.htm");
  // A title from the page that was replaced is dropped.
  InputEvent stale;
  stale.code = notify::HtmlTitle;
  stale.text = u"Old page";
  stale.index = firstLoad;
  headless.html(view.id(), stale);
  EXPECT_TRUE(notes.empty());
  InputEvent title;
  title.code = notify::HtmlTitle;
  title.text = u"Second page";
  headless.html(view.id(), title);
  headless.linkTap(view.id(), "file:///tmp/tempchmv/0/c.htm#x");
  headless.documentComplete(view.id(), {0, 900, 268, 0}, {0, 240, 240, 0});
  InputEvent menu;
  menu.code = notify::HtmlContextMenu;
  menu.x = 30;
  menu.y = 50;
  menu.flag = true;
  menu.data = "file:///tmp/tempchmv/0/pic.gif";
  headless.html(view.id(), menu);
  ASSERT_EQ(notes.size(), 4u);
  EXPECT_EQ(notes[0].code, notify::HtmlTitle);
  EXPECT_EQ(notes[0].text, u"Second page");
  EXPECT_EQ(view.title(), u"Second page");
  EXPECT_EQ(notes[1].code, notify::HtmlLinkTapped);
  EXPECT_EQ(notes[1].data, "file:///tmp/tempchmv/0/c.htm#x");
  EXPECT_EQ(notes[2].code, notify::HtmlDocumentComplete);
  EXPECT_FALSE(view.loading());
  EXPECT_EQ(notes[3].param, kHtmlItemImage);
  EXPECT_EQ(notes[3].data, "file:///tmp/tempchmv/0/pic.gif");
  EXPECT_EQ((Point{notes[3].x, notes[3].y}), (Point{30, 50}));
  ASSERT_TRUE(view.scrollInfo(Axis::Vertical));
  EXPECT_EQ(*view.scrollInfo(Axis::Vertical), (ScrollInfo{0, 900, 268, 0}));
}

TEST_F(HtmlViewTest, ScrollSelectionAndCopy) {
  EXPECT_FALSE(view.scrollInfo(Axis::Vertical));  // nothing loaded yet
  view.load("/tmp/t/0/a.htm");
  headless.documentComplete(view.id(), {0, 1000, 200, 0});
  view.setScrollPosition(Axis::Vertical, 5000);
  EXPECT_EQ(view.scrollInfo(Axis::Vertical)->pos, 800);  // the last page
  InputEvent scrolled;
  scrolled.code = notify::HtmlScrollChanged;
  int v[4] = {0, 1000, 200, 420};
  std::copy(v, v + 4, scrolled.scrollV);
  headless.html(view.id(), scrolled);
  EXPECT_EQ(view.scrollInfo(Axis::Vertical)->pos, 420);
  EXPECT_FALSE(view.copy());
  InputEvent selection;
  selection.code = notify::HtmlSelectionChanged;
  selection.flag = true;
  selection.text = u"LZX window";
  headless.html(view.id(), selection);
  EXPECT_EQ(view.control(html_message::IsSelection, 0), 1);
  EXPECT_TRUE(view.copy());
  EXPECT_EQ(ui.clipboardText(), u"LZX window");
  view.clear();
  EXPECT_FALSE(view.hasSelection());
  EXPECT_FALSE(view.scrollInfo(Axis::Vertical));
}

TEST_F(HtmlViewTest, KeysInThePageReachTheViewHandlerFirst) {
  std::vector<std::pair<MessageKind, int>> keys;
  view.setHandler([&](const Message& m) -> std::int64_t {
    if (m.kind == MessageKind::KeyDown || m.kind == MessageKind::KeyUp) keys.emplace_back(m.kind, m.code);
    return 0;
  });
  view.setClaimedKeys({key::Up, key::Down, key::F1 + 1});
  headless.keyDown(view.id(), key::Down);
  headless.keyUp(view.id(), key::F1 + 1);
  EXPECT_EQ(keys, (std::vector<std::pair<MessageKind, int>>{{MessageKind::KeyDown, 40}, {MessageKind::KeyUp, 113}}));
  EXPECT_EQ(state()["claimedKeys"], nlohmann::json::parse("[38,40,113]"));
}

}  // namespace
}  // namespace pgwk::ui
