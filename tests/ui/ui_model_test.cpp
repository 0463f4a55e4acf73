// The widget model on the headless backend: what each kind keeps and reports.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/ui/controls.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/list_view.h"
#include "platform/ui/text_metrics.h"
#include "platform/ui/tree_view.h"
#include "platform/ui/ui.h"
#include "platform/ui/utf.h"

namespace pgwk::ui {
namespace {

// A main window whose handler records what reaches it.
struct Fixture : ::testing::Test {
  Ui ui;
  HeadlessBackend headless{ui};
  Window& main = ui.create<Window>(kNoWidget, 0, Rect::fromSize(0, 0, 240, 294), u"Pagewick");
  std::vector<Message> seen;

  void SetUp() override {
    ui.setMainWindow(main.id());
    main.setHandler([this](const Message& m) {
      seen.push_back(m);
      return std::int64_t{0};
    });
  }
  std::vector<Message> of(MessageKind kind, int code) const {
    std::vector<Message> out;
    for (const auto& m : seen) {
      if (m.kind == kind && m.code == code) out.push_back(m);
    }
    return out;
  }
};

using ModelTest = Fixture;

TEST_F(ModelTest, ListSortKeepsSelectionAndOrdersByData) {
  auto& list = ui.create<ListView>(main.id(), 10, Rect::fromSize(0, 0, 200, 200));
  list.insertColumn(0, u"Title", 100);
  list.insertColumn(1, u"Place", 40);
  const std::u16string titles[] = {u"beta", u"Alpha", u"gamma", u"delta"};
  const int places[] = {3, 1, 4, 2};
  for (int i = 0; i < 4; ++i) {
    // Inserted at the top, as search hits are.
    int item = list.insertItem(0, titles[i], i);
    list.setItemText(item, 1, fromUtf8(std::to_string(places[i])));
  }
  list.select(list.findData(2));  // gamma
  auto byPlace = [&](std::int64_t a, std::int64_t b) { return places[a] - places[b]; };
  list.sort(byPlace);
  std::vector<std::u16string> order;
  for (int i = 0; i < list.count(); ++i) order.push_back(list.itemText(i));
  EXPECT_EQ(order, (std::vector<std::u16string>{u"Alpha", u"delta", u"beta", u"gamma"}));
  EXPECT_EQ(list.itemText(list.selection()), u"gamma");
  list.sort([&](std::int64_t a, std::int64_t b) { return -byPlace(a, b); });
  EXPECT_EQ(list.itemText(0), u"gamma");
  EXPECT_EQ(list.selection(), 0);
  EXPECT_EQ(list.itemText(0, 1), u"4");
}

TEST_F(ModelTest, ListSelectionColumnsAndNotifications) {
  auto& list = ui.create<ListView>(main.id(), 10, Rect::fromSize(0, 0, 200, 100));
  list.insertColumn(0, u"Name", 127);
  for (int i = 0; i < 20; ++i) list.insertItem(list.count(), u"item " + fromUtf8(std::to_string(i)), i * 10);
  // Selecting by program reports too (the panes suppress their own echo).
  list.select(3);
  ASSERT_EQ(of(MessageKind::Notify, notify::ListItemChanged).size(), 1u);
  EXPECT_EQ(of(MessageKind::Notify, notify::ListItemChanged)[0].index, 3);
  headless.tapListItem(list.id(), 5);
  EXPECT_EQ(list.selection(), 5);
  headless.activateListItem(list.id(), 6);
  ASSERT_EQ(of(MessageKind::Notify, notify::ListItemActivate).size(), 1u);
  EXPECT_EQ(of(MessageKind::Notify, notify::ListItemActivate)[0].index, 6);
  headless.columnClick(list.id(), 0);
  ASSERT_EQ(of(MessageKind::Notify, notify::ListColumnClick).size(), 1u);
  headless.columnClick(list.id(), 7);  // no such column: nothing
  EXPECT_EQ(of(MessageKind::Notify, notify::ListColumnClick).size(), 1u);
  // Keys move the selection; Enter activates.
  headless.keyDown(list.id(), key::Down);
  EXPECT_EQ(list.selection(), 7);
  headless.keyDown(list.id(), key::Enter);
  EXPECT_EQ(of(MessageKind::Notify, notify::ListItemActivate).back().index, 7);
  // Ensure visible and scrolling are by rows.
  list.ensureVisible(19);
  EXPECT_EQ(list.topIndex() + list.visibleRows() - 1, 19);
  list.setTopIndex(0);
  list.scrollBy(list.itemRect(4).top - list.headerHeight());
  EXPECT_EQ(list.topIndex(), 4);
  EXPECT_EQ(list.hitTest({5, list.headerHeight() + 1}), 4);
  // Columns come and go; header images are remembered per column.
  list.insertColumn(1, u"File", 100);
  list.setItemText(0, 1, u"a.chm");
  list.setColumnImage(1, 1);
  EXPECT_EQ(list.columnImage(1), 1);
  EXPECT_TRUE(list.deleteColumn(1));
  EXPECT_EQ(list.columnCount(), 1);
  EXPECT_EQ(list.itemText(0, 1), u"");
  list.deleteItem(7);
  EXPECT_EQ(list.selection(), -1);
}

// A tree whose parent flips images on expanding, as the contents pane does.
TEST_F(ModelTest, TreeExpandingChangesImagesThroughTheParent) {
  auto& tree = ui.create<TreeView>(main.id(), 20, Rect::fromSize(0, 0, 240, 200));
  tree.setImages(ImageList::contents(1));
  main.setHandler([&](const Message& m) -> std::int64_t {
    seen.push_back(m);
    if (m.kind == MessageKind::Notify && m.code == notify::TreeItemExpanding) {
      int delta = m.flag ? 1 : -1;
      tree.setItemImages(m.item, tree.itemImage(m.item) + delta, tree.itemSelectedImage(m.item) + delta);
    }
    return 0;
  });
  TreeItemId book = tree.insertItem(kTreeRoot, u"Book", 0, 0);
  TreeItemId chapter = tree.insertItem(book, u"Chapter", 4, 4);
  TreeItemId page = tree.insertItem(chapter, u"Page", 10, 10);
  TreeItemId leaf = tree.insertItem(kTreeRoot, u"Loose page", 8, 8);

  headless.tapTreeItem(tree.id(), book, TreeView::Part::Button);
  EXPECT_TRUE(tree.isExpanded(book));
  EXPECT_EQ(tree.itemImage(book), 1);
  headless.expand(tree.id(), chapter, true);
  EXPECT_EQ(tree.itemImage(chapter), 5);
  headless.expand(tree.id(), chapter, false);
  EXPECT_EQ(tree.itemImage(chapter), 4);
  // A page never expands, so its image never moves.
  headless.expand(tree.id(), leaf, true);
  EXPECT_EQ(tree.itemImage(leaf), 8);
  // Selecting a hidden item opens its ancestors (images follow) and reports the selection.
  tree.select(page);
  EXPECT_TRUE(tree.isExpanded(chapter));
  EXPECT_EQ(tree.itemImage(chapter), 5);
  ASSERT_FALSE(of(MessageKind::Notify, notify::TreeSelChanged).empty());
  EXPECT_EQ(of(MessageKind::Notify, notify::TreeSelChanged).back().item, page);
  // Collapsing above the selection moves it to the collapsed item.
  headless.expand(tree.id(), book, false);
  EXPECT_EQ(tree.selection(), book);
  EXPECT_EQ(tree.itemImage(book), 0);
}

TEST_F(ModelTest, TreeHitTestFindsTheParts) {
  auto& tree = ui.create<TreeView>(main.id(), 20, Rect::fromSize(0, 0, 240, 200));
  tree.setImages(ImageList::contents(1));
  TreeItemId book = tree.insertItem(kTreeRoot, u"Book", 0, 0);
  TreeItemId page = tree.insertItem(book, u"Page", 10, 10);
  tree.expand(book, true);
  int row = tree.rowHeight();
  struct Case {
    Point point;
    TreeItemId item;
    TreeView::Part part;
  } cases[] = {
      {{2, 2}, book, TreeView::Part::Button},
      {{tree.indent() + 3, 2}, book, TreeView::Part::Icon},
      {{tree.itemRect(book).left + 2, 2}, book, TreeView::Part::Label},
      {{230, 2}, book, TreeView::Part::Right},
      {{2, row + 2}, page, TreeView::Part::Indent},
      {{tree.itemRect(page).left + 1, row + 1}, page, TreeView::Part::Label},
      {{2, 3 * row}, kNoItem, TreeView::Part::Nowhere},
  };
  for (const auto& c : cases) {
    auto hit = tree.hitTest(c.point);
    EXPECT_EQ(hit.item, c.item) << c.point.x << "," << c.point.y;
    EXPECT_EQ(hit.part, c.part) << c.point.x << "," << c.point.y;
  }
  // An intercepted tap (the contents pane opens on a single tap) keeps the default away.
  tree.setHandler([](const Message& m) { return m.kind == MessageKind::StylusDown ? 1 : 0; });
  headless.tapTreeItem(tree.id(), page);
  EXPECT_EQ(tree.selection(), kNoItem);
  tree.setHandler({});
  headless.tapTreeItem(tree.id(), page);
  EXPECT_EQ(tree.selection(), page);
}

TEST_F(ModelTest, MenuInsertAndRemoveByPositionAndCommand) {
  Menu& file = ui.createMenu();
  Menu& recent = ui.createMenu();
  Menu& help = ui.createMenu();
  file.append(1031, u"Open");
  file.appendSubmenu(recent.id(), u"Recent Files");
  file.appendSeparator();
  file.appendSubmenu(help.id(), u"Help");
  file.append(1036, u"Options...");
  file.append(1000, u"Exit");
  recent.append(1050, u"0. Empty");
  recent.enable(1050, false);
  help.append(1032, u"Help Topics");
  help.append(1033, u"About");

  // The view items go in at position 2 one after another, so they end up reversed.
  MenuItem separator;
  separator.separator = true;
  file.insertAt(2, separator);
  const std::pair<int, const char16_t*> views[] = {
      {1005, u"bookmarks"}, {1003, u"search"}, {1002, u"index"}, {1001, u"contents"}, {1004, u"page"}};
  for (auto it = std::rbegin(views); it != std::rend(views); ++it) {
    MenuItem item;
    item.command = it->first;
    item.text = it->second;
    file.insertAt(2, item);
  }
  std::vector<std::u16string> texts;
  for (const auto& item : file.items()) texts.push_back(item.separator ? u"-" : item.text);
  EXPECT_EQ(texts, (std::vector<std::u16string>{u"Open", u"Recent Files", u"bookmarks", u"search", u"index",
                                                u"contents", u"page", u"-", u"-", u"Help", u"Options...",
                                                u"Exit"}));
  EXPECT_EQ(file.submenuAt(1), recent.id());
  EXPECT_EQ(file.submenuAt(9), help.id());
  EXPECT_TRUE(file.checkRadio(1001, 1005, 1003));
  EXPECT_TRUE(file.isChecked(1003));
  EXPECT_TRUE(file.checkRadio(1001, 1005, 1004));
  EXPECT_FALSE(file.isChecked(1003));
  // Commands are found in submenus too.
  EXPECT_FALSE(file.isEnabled(1050));
  EXPECT_TRUE(file.setText(1033, u"About Pagewick"));
  EXPECT_EQ(help.itemAt(1)->text, u"About Pagewick");
  for (int command : {1001, 1002, 1003, 1005, 1004}) EXPECT_TRUE(file.removeCommand(command));
  EXPECT_TRUE(file.removeAt(2));
  EXPECT_EQ(file.count(), 6);
  EXPECT_EQ(file.itemAt(2)->separator, true);
  EXPECT_FALSE(file.removeCommand(4242));
  EXPECT_FALSE(file.removeAt(6));
  EXPECT_TRUE(file.removeCommand(1032));  // from the Help submenu
  EXPECT_EQ(help.count(), 1);
  MenuId helpId = help.id();
  ui.destroyMenu(file.id());
  EXPECT_EQ(ui.menu(helpId), nullptr);
}

TEST_F(ModelTest, ButtonsCheckBoxesAndRadioGroups) {
  auto& check = ui.create<CheckBox>(main.id(), 1027, Rect::fromSize(0, 0, 100, 20), u"ClearType");
  auto& names = ui.create<RadioButton>(main.id(), 1022, Rect::fromSize(0, 20, 100, 20), u"Names");
  auto& titles = ui.create<RadioButton>(main.id(), 1023, Rect::fromSize(0, 40, 100, 20), u"Titles");
  auto& other = ui.create<RadioButton>(main.id(), 1024, Rect::fromSize(0, 60, 100, 20), u"Other group");
  other.setGroup(1);
  other.setChecked(true);
  ui.create<GroupBox>(main.id(), 1076, Rect::fromSize(0, 0, 120, 90), u"Recent");
  headless.tap(check.id());
  EXPECT_TRUE(check.checked());
  headless.tap(names.id());
  headless.tap(titles.id());
  EXPECT_FALSE(names.checked());
  EXPECT_TRUE(titles.checked());
  EXPECT_TRUE(other.checked());
  auto clicks = [&](int id) { return of(MessageKind::Command, id).size(); };
  EXPECT_EQ(clicks(1027), 1u);
  EXPECT_EQ(clicks(1023), 1u);
  // A disabled or hidden control takes no taps.
  check.setEnabled(false);
  headless.tap(check.id());
  names.setVisible(false);
  headless.tap(names.id());
  EXPECT_EQ(clicks(1027), 1u);
  EXPECT_EQ(clicks(1022), 1u);
  EXPECT_EQ(ui.ignoredInputs(), 2u);
}

TEST_F(ModelTest, EditReportsChangesAndFocus) {
  auto& edit = ui.create<Edit>(main.id(), 1079, Rect::fromSize(0, 0, 100, 20));
  auto& other = ui.create<Edit>(main.id(), 1080, Rect::fromSize(0, 30, 100, 20));
  headless.type(edit.id(), u"lzx");
  EXPECT_EQ(edit.text(), u"lzx");
  ASSERT_EQ(of(MessageKind::Command, 1079).size(), 1u);
  EXPECT_EQ(of(MessageKind::Command, 1079)[0].notifyCode, notify::EditChange);
  // The program setting the text reports it as well; the same text does not.
  edit.setText(u"lzx");
  edit.setText(u"");
  EXPECT_EQ(of(MessageKind::Command, 1079).size(), 2u);
  headless.tap(edit.id());
  headless.tap(other.id());
  auto codes = [&](int id) {
    std::vector<int> out;
    for (const auto& m : of(MessageKind::Command, id)) out.push_back(m.notifyCode);
    return out;
  };
  EXPECT_EQ(codes(1079), (std::vector<int>{notify::EditChange, notify::EditChange, notify::SetFocus,
                                           notify::KillFocus}));
  EXPECT_EQ(codes(1080), (std::vector<int>{notify::SetFocus}));
  edit.setLimit(3);
  edit.setText(u"abcdef");
  EXPECT_EQ(edit.text(), u"abc");
}

TEST_F(ModelTest, ComboBoxEntriesSelectionAndEditPart) {
  auto& box = ui.create<ComboBox>(main.id(), 1064, Rect::fromSize(0, 0, 100, 20));
  box.add(u"Automatic", 0);
  box.add(u"Western", 1252);
  box.insert(0, u"Korean", 949);
  EXPECT_EQ(box.findExact(u"Western"), 2);
  EXPECT_EQ(box.entryData(0), 949);
  headless.select(box.id(), 2);
  EXPECT_EQ(box.selection(), 2);
  ASSERT_EQ(of(MessageKind::Command, 1064).size(), 1u);
  EXPECT_EQ(of(MessageKind::Command, 1064)[0].notifyCode, notify::ComboSelChange);
  // A drop-down list has no text to type into.
  headless.type(box.id(), u"typed");
  EXPECT_EQ(box.text(), u"");
  auto& search = ui.create<ComboBox>(main.id(), 1010, Rect::fromSize(0, 30, 100, 100));
  search.setEditable(true);
  headless.type(search.id(), u"compression");
  EXPECT_EQ(search.text(), u"compression");
  EXPECT_EQ(of(MessageKind::Command, 1010).back().notifyCode, notify::ComboEditChange);
  search.insert(0, u"compression");
  EXPECT_EQ(search.findExact(search.text()), 0);
  box.remove(0);
  EXPECT_EQ(box.selection(), 1);
}

TEST_F(ModelTest, UpDownAsksBeforeMoving) {
  auto& spin = ui.create<UpDown>(main.id(), 1017, Rect::fromSize(0, 0, 20, 20));
  spin.setRange(1, 50);
  spin.setPosition(1);
  main.setHandler([&](const Message& m) -> std::int64_t {
    if (m.kind == MessageKind::Notify && m.code == notify::UpDownDeltaPos) {
      int next = m.index + m.delta;
      return next < 1 || next > 50 ? 1 : 0;
    }
    return 0;
  });
  headless.spin(spin.id(), -1);
  EXPECT_EQ(spin.position(), 1);
  headless.spin(spin.id(), +1);
  headless.spin(spin.id(), +1);
  EXPECT_EQ(spin.position(), 3);
  auto& progress = ui.create<ProgressBar>(main.id(), 1001, Rect::fromSize(0, 30, 100, 10));
  progress.setPosition(150);
  EXPECT_EQ(progress.position(), 100);
}

TEST_F(ModelTest, MenuBarButtonsAndDropDown) {
  Menu& file = ui.createMenu();
  file.append(1031, u"Open");
  file.append(1000, u"Exit");
  file.enable(1000, false);
  auto& bar = ui.create<MenuBar>(main.id(), 0, Rect::fromSize(0, 268, 240, 26));
  bar.setImageList(ImageList::menuBar(16));
  bar.addTextButton(401, u"File", file.id());
  bar.addTextButton(999, u"Close");
  bar.addImageButton(303, 0);
  bar.setToolTips({u"", u"Close", u"Back"});
  bar.enableButton(303, false);
  bar.showButton(999, false);
  headless.tapMenuBarButton(bar.id(), 303);  // disabled
  headless.tapMenuBarButton(bar.id(), 999);  // hidden
  EXPECT_TRUE(of(MessageKind::Command, 303).empty());
  EXPECT_TRUE(of(MessageKind::Command, 999).empty());
  bar.enableButton(303, true);
  headless.tapMenuBarButton(bar.id(), 303);
  EXPECT_EQ(of(MessageKind::Command, 303).size(), 1u);
  int offered = 0;
  headless.onPopupMenu([&](const Menu& menu, Point) {
    ++offered;
    EXPECT_EQ(menu.id(), file.id());
    return 1031;
  });
  headless.tapMenuBarButton(bar.id(), 401);
  EXPECT_EQ(offered, 1);
  EXPECT_EQ(of(MessageKind::Command, 1031).size(), 1u);
  // A greyed item cannot be chosen.
  headless.onPopupMenu([](const Menu&, Point) { return 1000; });
  EXPECT_THROW(headless.tapMenuBarButton(bar.id(), 401), HeadlessStall);
  EXPECT_EQ(ui.popup(), nullptr);
  bar.setButtonImage(304, 2);  // no such button
  EXPECT_TRUE(bar.setButtonImage(303, 2));
  EXPECT_EQ(bar.button(303)->image, 2);
}

TEST_F(ModelTest, DescribeCarriesWhatTheFrontEndDraws) {
  auto& label = ui.create<Label>(main.id(), 1007, Rect::fromSize(4, 5, 100, 14), u"Caf\u00e9");
  auto state = nlohmann::json::parse(headless.describe(label.id()));
  EXPECT_EQ(state["kind"], "label");
  EXPECT_EQ(state["text"], "Caf\xc3\xa9");
  EXPECT_EQ(state["rect"], nlohmann::json::parse("[4,5,100,14]"));
  EXPECT_EQ(state["parent"], main.id());
  EXPECT_EQ(headless.describe(9999), "null");
}

TEST(TextMetrics, FixedApproximation) {
  Font font = systemFont(1);
  EXPECT_EQ(font.height, 11);  // 8 points at 96 dpi
  EXPECT_EQ(systemFont(2).height, 21);
  EXPECT_EQ(lineHeight(font), 13);
  EXPECT_EQ(textExtent(font, u"").width, 0);
  // "Display": D 5/8, i 3/8, s p l a y 4/8 each but l is narrow -> 5+3+4+4+3+4+4 = 27 eighths.
  EXPECT_EQ(textExtent(font, u"Display").width, (27 * 2 * 11 + 15) / 16);
  EXPECT_GT(textExtent(makeFont(1, 8, true, false), u"Display").width, textExtent(font, u"Display").width);
  EXPECT_EQ(makeFont(1, 7, false, true).height, 9);
}

TEST(Utf, RoundTripsAndReplacesMalformedInput) {
  std::u16string wide = u"a\u00e9\u20ac\U0001F600";
  EXPECT_EQ(fromUtf8(toUtf8(wide)), wide);
  EXPECT_EQ(fromUtf8("\xff" "a"), u"\ufffd" u"a");
  EXPECT_EQ(fromUtf8("\xe2\x82"), u"\ufffd\ufffd");    // cut short
  EXPECT_EQ(fromUtf8("\xc0\xaf"), u"\ufffd\ufffd");    // overlong
  EXPECT_EQ(toUtf8(std::u16string(1, char16_t(0xD800))), "\xef\xbf\xbd");
}

}  // namespace
}  // namespace pgwk::ui
