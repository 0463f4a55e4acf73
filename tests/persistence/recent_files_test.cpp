#include <gtest/gtest.h>

#include <fstream>

#include "persistence/recent_files.h"
#include "persistence/settings.h"
#include "persistence/store_keys.h"
#include "persistence_fixture.h"
#include "platform/store/utf16_text.h"

namespace pgwk {
namespace {

using test::FakeBook;
using test::FakeMenu;
using test::StoreTest;

std::u16string bookPath(int i) { return fromUtf8("/books/b" + std::to_string(i) + ".chm"); }

class RecentFilesTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    seed();
  }
  FakeBook book{{{u"b.chm", 100}}};
};

TEST(RecentFilesNormalise, FindsTheBookPathInAPathText) {
  struct Case {
    const char16_t* text;
    const char16_t* path;
  } cases[] = {
      {u"file:\\x\\b.chm::/page.htm", u"\\x\\b.chm"},
      {u"file:/x/b.chm::/page.htm", u"/x/b.chm"},
      {u"\"/x/b.chm\"", u"/x/b.chm"},
      {u"\"file:/x/b.chm\"", u"/x/b.chm"},
      {u"/x/b.chm#top", u"/x/b.chm"},
      {u"/x/B.CHM#top::/p.htm", u"/x/B.CHM"},
      {u"/x/b.chm::/a.htm#frag", u"/x/b.chm"},
      {u"b.chm::/a.htm", u"b.chm"},  // "::" right after the name keeps the name
      {u"/x/b.chm", u"/x/b.chm"},
      // Linux names may hold colons and "#": only a scheme before any folder
      // separator is dropped, only a fragment after the book's name is cut.
      {u"/home/u/Notes: 2024/b.chm", u"/home/u/Notes: 2024/b.chm"},
      {u"/books/C#/guide.chm", u"/books/C#/guide.chm"},
      {u"/books/C#/guide.chm#intro", u"/books/C#/guide.chm"},
      {u"", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(RecentFiles::normalise(c.text), c.path) << toUtf8(c.text);
}

TEST_F(RecentFilesTest, LoadSkipsGapsAndBadValuesAndSaveCompacts) {
  setText(kRecentFilesKey, u"1", u"/a/one.chm::One");
  setText(kRecentFilesKey, u"3", u"/a/three.chm::Three::x");
  setText(kRecentFilesKey, u"4", u"/a/four.chm::");
  setText(kRecentFilesKey, u"5", u"no separator");
  setNumber(kRecentFilesKey, u"6", 6);
  RecentFiles recent(store());
  recent.load();
  ASSERT_EQ(recent.count(), 3);
  EXPECT_EQ(recent.entry(0)->path, u"/a/one.chm");
  EXPECT_EQ(recent.entry(1)->title, u"Three::x");  // cut at the first "::"
  EXPECT_EQ(recent.entry(2)->title, u"");
  ASSERT_TRUE(recent.save());
  EXPECT_EQ(valueNames(kRecentFilesKey), (std::vector<std::u16string>{u"1", u"2", u"3"}));
  EXPECT_EQ(text(kRecentFilesKey, u"2"), u"/a/three.chm::Three::x");
  // An empty title is saved as "No title" and comes back so.
  EXPECT_EQ(text(kRecentFilesKey, u"3"), u"/a/four.chm::No title");
  RecentFiles again(store());
  again.load();
  EXPECT_EQ(again.entry(2)->title, u"No title");
}

// Longer than the handheld's 520 characters: such an entry must not be skipped at
// load and so lost at the next save.
TEST_F(RecentFilesTest, ALongPathAndTitleSurviveARestart) {
  std::u16string path = u"/" + std::u16string(900, u'p') + u".chm";
  std::u16string title(600, u't');
  RecentFiles recent(store());
  recent.addToFront(path, title, book);
  ASSERT_TRUE(recent.save());
  reopen();
  RecentFiles again(store());
  again.load();
  ASSERT_EQ(again.count(), 1);
  EXPECT_EQ(again.front()->path, path);
  EXPECT_EQ(again.front()->title, title);
}

TEST_F(RecentFilesTest, WithoutItsKeyTheListStaysEmptyAndIsNotSaved) {
  ASSERT_TRUE(store().deleteKey(StoreRoot::CurrentUser, kRecentFilesKey));
  RecentFiles recent(store());
  recent.load();
  EXPECT_EQ(recent.count(), 0);
  recent.addToFront(u"/a/b.chm", u"B", book);
  EXPECT_FALSE(recent.save());
  EXPECT_FALSE(store().openKey(StoreRoot::CurrentUser, kRecentFilesKey));
}

TEST_F(RecentFilesTest, ABookOpenedAgainMovesToTheFrontWithItsNewTitle) {
  RecentFiles recent(store());
  for (int i = 5; i >= 0; --i) recent.addToFront(bookPath(i), u"t", book);
  recent.addToFront(u"\\My Documents\\A.CHM", u"old", book);
  for (int i = 0; i < 4; ++i) recent.addToFront(bookPath(10 + i), u"t", book);
  ASSERT_EQ(recent.find(u"\\my documents\\a.chm"), 4);
  RecentEntry* entry = recent.entry(4);
  recent.addToFront(u"file:\\My Documents\\A.CHM", u"New title", book);
  EXPECT_EQ(recent.count(), 11);
  EXPECT_EQ(recent.front(), entry);
  EXPECT_EQ(entry->title, u"New title");
  EXPECT_EQ(entry->path, u"\\My Documents\\A.CHM");
  EXPECT_EQ(recent.entry(1)->path, bookPath(13));
  EXPECT_EQ(recent.entry(4)->path, bookPath(10));
  EXPECT_EQ(recent.entry(5)->path, bookPath(0));
  EXPECT_EQ(recent.find(u"/nowhere.chm"), -1);
}

TEST_F(RecentFilesTest, TheLinkFormIsStoredAsTheBooksPath) {
  RecentFiles recent(store());
  recent.addToFront(u"file:\\x\\b.chm::/page.htm", u"B", book);
  ASSERT_TRUE(recent.save());
  EXPECT_EQ(text(kRecentFilesKey, u"1"), u"\\x\\b.chm::B");
}

// The 51st book drops the oldest; its bookmarks go with it unless a listed book
// has the same file name (books of one name share their bookmarks).
TEST_F(RecentFilesTest, AFiftyFirstBookDropsTheOldestAndItsBookmarks) {
  struct Case {
    const char* what;
    std::u16string sameNameElsewhere;  // added second, so it stays listed
    bool keyKept;
  } cases[] = {
      {"unique name", u"", false},
      {"same name in another folder", u"/other/B0.CHM", true},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(store().deleteKey(StoreRoot::CurrentUser, kBookmarksRootKey));
    ASSERT_TRUE(store().createKey(StoreRoot::CurrentUser, kBookmarksRootKey));
    RecentFiles recent(store());
    recent.addToFront(bookPath(0), u"t", book);
    recent.front()->addBookmark(u"mark", ViewState{}, book.mainArchive());
    ASSERT_TRUE(recent.bookmarkStore().saveBookmarks(*recent.front(), book));
    int added = 1;
    if (!c.sameNameElsewhere.empty()) {
      recent.addToFront(c.sameNameElsewhere, u"t", book);
      ++added;
    }
    for (int i = 1; added < RecentFiles::kMaxEntries; ++i, ++added) recent.addToFront(bookPath(i), u"t", book);
    ASSERT_EQ(recent.count(), 50);
    ASSERT_TRUE(store().openKey(StoreRoot::CurrentUser, std::u16string(kBookmarksRootKey) + u"\\b0.chm"));

    recent.addToFront(u"/books/new.chm", u"t", book);
    EXPECT_EQ(recent.count(), 50) << c.what;
    EXPECT_EQ(recent.find(bookPath(0)), -1) << c.what;
    EXPECT_EQ(recent.front()->path, u"/books/new.chm");
    EXPECT_EQ(store().openKey(StoreRoot::CurrentUser, std::u16string(kBookmarksRootKey) + u"\\b0.chm").has_value(),
              c.keyKept)
        << c.what;
  }
}

TEST_F(RecentFilesTest, AddToFrontLoadsTheBookmarksOfTheBook) {
  RecentFiles recent(store());
  recent.addToFront(u"/b/BOOK.CHM", u"t", book);
  ViewState view;
  view.pageIndex = 12;
  recent.front()->addBookmark(u"chapter", view, book.mainArchive());
  ASSERT_TRUE(recent.bookmarkStore().saveBookmarks(*recent.front(), book));
  recent.addToFront(u"/c/other.chm", u"t", book);
  // Another book of the same file name shows the same bookmarks.
  recent.addToFront(u"/a/book.chm", u"t", book);
  ASSERT_EQ(recent.front()->bookmarkCount(), 1);
  EXPECT_EQ(recent.front()->bookmark(0)->text, u"chapter");
  EXPECT_EQ(recent.front()->bookmark(0)->view.pageIndex, 12);
}

TEST_F(RecentFilesTest, PathIsQuotedOnRequestAndFailsOutsideTheList) {
  RecentFiles recent(store());
  recent.addToFront(u"/a/b.chm", u"t", book);
  EXPECT_EQ(recent.path(0, false), u"/a/b.chm");
  EXPECT_EQ(recent.path(0, true), u"\"/a/b.chm\"");
  EXPECT_EQ(recent.path(1, false), std::nullopt);
  EXPECT_EQ(recent.path(-1, true), std::nullopt);
}

TEST_F(RecentFilesTest, StoredParametersGoThroughTheFrontEntry) {
  RecentFiles recent(store());
  test::RecordingApplier applier;
  Settings applied;
  EXPECT_EQ(recent.loadStoredParameters(u"/a/b.chm", applied, book, applier), ParametersResult::NotStored);
  EXPECT_FALSE(recent.saveStoredParameters(applied, book));  // an empty list has no front entry
  recent.addToFront(u"/a/b.chm", u"t", book);
  applied.DysplayTextSize = 4;
  ASSERT_TRUE(recent.saveStoredParameters(applied, book));
  EXPECT_EQ(recent.loadStoredParameters(u"file:/A/B.chm::/x.htm", Settings{}, book, applier),
            ParametersResult::Applied);
  ASSERT_EQ(applier.applied.size(), 1u);
  EXPECT_EQ(applier.applied[0].DysplayTextSize, 4);
}

TEST_F(RecentFilesTest, ClearEmptiesTheListButNotTheStore) {
  RecentFiles recent(store());
  recent.addToFront(u"/a/b.chm", u"t", book);
  ASSERT_TRUE(recent.save());
  recent.clear();
  EXPECT_EQ(recent.count(), 0);
  EXPECT_EQ(recent.front(), nullptr);
  EXPECT_TRUE(text(kRecentFilesKey, u"1"));
}

class RecentMenuTest : public RecentFilesTest {
 protected:
  void SetUp() override {
    RecentFilesTest::SetUp();
    folder_ = std::make_unique<test::TempFolder>();
  }
  std::u16string existingBook(const std::string& name) {
    auto p = folder_->path() / name;
    std::ofstream(p) << "x";
    return fromUtf8(p.string());
  }
  std::u16string missingBook(const std::string& name) { return fromUtf8((folder_->path() / name).string()); }
  std::unique_ptr<test::TempFolder> folder_;
};

TEST_F(RecentMenuTest, MissingFilesAreLeftOutAndNumbersCloseUp) {
  RecentFiles recent(store());
  recent.addToFront(existingBook("d.chm"), u"D", book);
  recent.addToFront(existingBook("c.chm"), u"C title", book);
  recent.addToFront(missingBook("b.chm"), u"B", book);
  recent.addToFront(missingBook("a.chm"), u"A", book);
  Settings s;
  s.ResentFilesNmb = 3;
  FakeMenu menu;
  recent.rebuildMenu(menu, s);
  EXPECT_EQ(menu.items, (std::vector<FakeMenu::Item>{{1053, u"1  c.chm"}}));  // "0. Empty" is gone
  EXPECT_TRUE(menu.enabled);

  s.ShowExistentFiles = false;
  s.ResentFilesNmb = 10;
  recent.rebuildMenu(menu, s);
  ASSERT_EQ(menu.items.size(), 4u);
  EXPECT_EQ(menu.items[1], (FakeMenu::Item{1052, u"2  b.chm"}));
  EXPECT_EQ(menu.items[3], (FakeMenu::Item{1054, u"4  d.chm"}));

  s.ShowRecentFilesNamesWithPath = true;
  recent.rebuildMenu(menu, s);
  EXPECT_EQ(menu.items[0].text, u"1  " + missingBook("a.chm"));

  s.ShowRecentFilesNames = false;
  recent.rebuildMenu(menu, s);
  EXPECT_EQ(menu.items[2].text, u"3  C title");
}

TEST_F(RecentMenuTest, AnEmptyListGreysTheItem) {
  RecentFiles recent(store());
  FakeMenu menu;
  menu.enabled = true;
  recent.rebuildMenu(menu, Settings{});
  EXPECT_TRUE(menu.items.empty());
  EXPECT_FALSE(menu.enabled);
}

}  // namespace
}  // namespace pgwk
