#include <gtest/gtest.h>

#include "persistence/bookmark_store.h"
#include "persistence/recent_entry.h"
#include "persistence/store_keys.h"
#include "persistence_fixture.h"
#include "platform/store/utf16_text.h"

namespace pgwk {
namespace {

using test::FakeBook;
using test::StoreTest;

// A collection-like book: a main file and a merged one.
FakeBook twoFiles() { return FakeBook({{u"main.chm", 100}, {u"Merged.chm", 50}}); }

Bookmark sampleBookmark(const FakeBook& book) {
  Bookmark b;
  b.text = u"Intro [draft] ]x[";
  b.created = {2024, 3, 5, 14, 9, 30, 59, 123};
  b.view = {42, 120, -1, true, false, true, false, 3, true};
  b.file = book.archive(1);
  return b;
}

TEST(BookmarkFormat, WritesNameNumbersAndTextWithCurlyBrackets) {
  FakeBook book = twoFiles();
  Bookmark b = sampleBookmark(book);
  // date: month 3, weekday 5, year 2024; time: day 14, 9:30:59 (milliseconds are not kept)
  std::int32_t date = 3 | (5 << 8) | (2024 << 16);
  std::int32_t time = 14 | (9 << 8) | (30 << 16) | (59 << 24);
  std::u16string expected = fromUtf8("Merged.chm[42,120,-1,1,0,1,0,3,1," + std::to_string(date) + "," +
                                     std::to_string(time) + ",]Intro {draft} }x{");
  EXPECT_EQ(formatBookmark(b, book), expected);

  auto back = parseBookmark(expected, book);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->text, u"Intro {draft} }x{");
  EXPECT_EQ(back->view, b.view);
  EXPECT_EQ(back->file, book.archive(1));
  DateTime expectedTime = b.created;
  expectedTime.millisecond = 0;
  EXPECT_EQ(back->created, expectedTime);
}

TEST(BookmarkFormat, ParsesWhatTheStoreMayHold) {
  FakeBook book = twoFiles();
  struct Case {
    const char16_t* value;
    bool valid;
    int pageIndex;  // when valid
    std::size_t file;
  } cases[] = {
      {u"[5,0,0,0,0,0,0,0,0,0,0,]t", true, 5, 0},          // no name: the main file
      {u"MERGED.CHM[9,0,0,0,0,0,0,0,0,0,0,]t", true, 9, 1},  // names match without regard to case
      {u"other.chm[1,0,0,0,0,0,0,0,0,0,0,]t", false, 0, 0},  // a file the book does not have
      {u"[-1,0,0,0,0,0,0,0,0,0,0,]t", false, 0, 0},          // page index below 0
      {u"[100,0,0,0,0,0,0,0,0,0,0,]t", false, 0, 0},         // page index past the directory
      {u"[99,0,0,]t", true, 99, 0},                          // missing numbers are 0
      {u"[ +7x,]t", true, 7, 0},                             // blanks, sign, then digits up to the rest
      {u"[abc,]t", true, 0, 0},                              // no digits: 0
      {u"[3]t", true, 0, 0},                                 // a number without its comma is not taken
      {u"[4,0,0,0,0,0,0,0,0,0,0,77,88,]t", true, 4, 0},     // numbers past the eleventh are ignored
      {u"[99999999999,]t", false, 0, 0},                     // wraps, never overflows
      {u"no brackets", false, 0, 0},
      {u"main.chm[1,2,", false, 0, 0},                       // no "]"
      {u"a]b[1,]", false, 0, 0},                             // the "]" comes before the "["
      {u"[", false, 0, 0},
      {u"", false, 0, 0},
  };
  for (const Case& c : cases) {
    auto b = parseBookmark(c.value, book);
    EXPECT_EQ(b != nullptr, c.valid) << toUtf8(c.value);
    if (b && c.valid) {
      EXPECT_EQ(b->view.pageIndex, c.pageIndex) << toUtf8(c.value);
      EXPECT_EQ(b->file, book.archive(c.file)) << toUtf8(c.value);
      EXPECT_EQ(b->text, u"t");
    }
  }
}

TEST(BookmarkFormat, AFileNameWithBracketsStillParses) {
  FakeBook book({{u"book[2].chm", 10}});
  Bookmark b;
  b.text = u"x";
  b.view.pageIndex = 3;
  b.file = book.archive(0);
  auto back = parseBookmark(formatBookmark(b, book), book);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->file, book.archive(0));
  EXPECT_EQ(back->view.pageIndex, 3);
}

TEST(AutoSaveParamsFormat, RoundTripsTheDisplayGroupAndTheStamp) {
  Settings s;
  s.DysplayClearType = false;
  s.DysplayTextSize = 4;
  s.DysplayDisableCSS = true;
  s.DefaultCodePage = 1251;
  s.EnableScript = false;
  s.ShowScriptErrors = true;
  s.ShowMergedFileErrors = false;
  // Text size comes third, the stamp last; a stamp above 2^31 is stored negative.
  std::u16string value = formatAutoSaveParams(s, 3000000000u);
  EXPECT_EQ(value, u"[0,1,4,1,1,1251,0,1,0,-1294967296,]");
  AutoSaveParams back = parseAutoSaveParams(value, Settings{});
  EXPECT_EQ(back.settings, s);
  EXPECT_EQ(back.fileSize, 3000000000u);

  Settings applied;
  applied.ResentFilesNmb = 3;  // not a display field: kept from the applied settings
  AutoSaveParams partial = parseAutoSaveParams(u"[0,0,1,", applied);
  EXPECT_FALSE(partial.fileSize);
  EXPECT_FALSE(partial.settings.DysplayClearType);
  EXPECT_EQ(partial.settings.DysplayTextSize, 1);
  EXPECT_EQ(partial.settings.ResentFilesNmb, 3);
  EXPECT_EQ(parseAutoSaveParams(u"", applied).settings, applied);
}

TEST(RecentEntryBookmarks, AddRemoveGetAndTheAutomaticOnes) {
  RecentEntry e(u"/a/b.chm", u"B");
  ViewState v;
  for (int i = 0; i < 41; ++i) {
    v.pageIndex = i;
    e.addBookmark(fromUtf8("mark " + std::to_string(i)), v, nullptr);
  }
  // The 41st dropped the oldest.
  EXPECT_EQ(e.bookmarkCount(), 40);
  EXPECT_TRUE(e.bookmarksFull());
  EXPECT_EQ(e.bookmark(0)->view.pageIndex, 1);
  EXPECT_EQ(e.bookmark(39)->view.pageIndex, 40);
  EXPECT_EQ(e.bookmark(40), nullptr);
  EXPECT_EQ(e.bookmark(-1), nullptr);
  EXPECT_FALSE(e.removeBookmark(40));
  EXPECT_TRUE(e.removeBookmark(0));
  EXPECT_EQ(e.bookmarkCount(), 39);
  EXPECT_NE(e.bookmark(0)->created.year, 0);

  RecentEntry auto1(u"/a/b.chm", u"B");
  auto1.addBookmark(u"Automatic", v, nullptr);
  auto1.addBookmark(u"Automatic", v, nullptr);
  auto1.addBookmark(u"my page", v, nullptr);
  auto1.addBookmark(u"My Automatic note", v, nullptr);  // contains the text: removed too
  auto1.addBookmark(u"automatic", v, nullptr);          // other case: kept
  auto1.deleteAutomaticBookmarks(u"Automatic");
  ASSERT_EQ(auto1.bookmarkCount(), 2);
  EXPECT_EQ(auto1.bookmark(0)->text, u"my page");
  EXPECT_EQ(auto1.bookmark(1)->text, u"automatic");
  auto1.deleteAutomaticBookmarks(u"");  // a missing language text removes nothing
  EXPECT_EQ(auto1.bookmarkCount(), 2);
}

TEST(RecentEntryBookmarks, TextIsCutTo249Characters) {
  RecentEntry e(u"/a/b.chm", u"B");
  e.addBookmark(std::u16string(300, u'x'), ViewState{}, nullptr);
  EXPECT_EQ(e.bookmark(0)->text.size(), 249u);
  // A cut never leaves half a surrogate pair behind.
  e.addBookmark(std::u16string(248, u'x') + u"\U0001F600", ViewState{}, nullptr);
  EXPECT_EQ(e.bookmark(1)->text, std::u16string(248, u'x'));
}

class BookmarkStoreTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    seed();
  }
  std::u16string keyOf(std::u16string_view name) { return std::u16string(kBookmarksRootKey) + u"\\" + std::u16string(name); }
  FakeBook book = twoFiles();
};

TEST_F(BookmarkStoreTest, BookmarksRoundTripThroughTheStore) {
  BookmarkStore bookmarks(store());
  RecentEntry e(u"/books/main.chm", u"Main");
  e.appendBookmark(std::make_unique<Bookmark>(sampleBookmark(book)));
  e.addBookmark(u"second", ViewState{7, -1, -1, true, true, true, false, 2, true}, book.archive(0));
  ASSERT_TRUE(bookmarks.saveBookmarks(e, book));
  EXPECT_EQ(valueNames(keyOf(u"main.chm")), (std::vector<std::u16string>{u"1", u"2"}));
  reopen();
  BookmarkStore again(store());
  RecentEntry loaded(u"/elsewhere/MAIN.CHM", u"Main");
  again.loadBookmarks(loaded, book);
  ASSERT_EQ(loaded.bookmarkCount(), 2);
  EXPECT_EQ(loaded.bookmark(0)->text, u"Intro {draft} }x{");
  EXPECT_EQ(loaded.bookmark(0)->file, book.archive(1));
  EXPECT_EQ(loaded.bookmark(1)->view.pageIndex, 7);
}

TEST_F(BookmarkStoreTest, LoadingStopsAtTheFirstMissingValueAndSkipsInvalidOnes) {
  setText(keyOf(u"main.chm"), u"1", u"[1,0,0,0,0,0,0,0,0,0,0,]one");
  setText(keyOf(u"main.chm"), u"2", u"[-1,0,0,0,0,0,0,0,0,0,0,]bad index");
  setText(keyOf(u"main.chm"), u"3", u"[3,0,0,0,0,0,0,0,0,0,0,]three");
  setText(keyOf(u"main.chm"), u"5", u"[5,0,0,0,0,0,0,0,0,0,0,]after a gap");
  RecentEntry e(u"/b/main.chm", u"");
  e.addBookmark(u"in memory", ViewState{}, nullptr);
  BookmarkStore(store()).loadBookmarks(e, book);
  ASSERT_EQ(e.bookmarkCount(), 2);
  EXPECT_EQ(e.bookmark(0)->text, u"one");
  EXPECT_EQ(e.bookmark(1)->text, u"three");
  // The next save writes only the valid ones.
  ASSERT_TRUE(BookmarkStore(store()).saveBookmarks(e, book));
  EXPECT_EQ(valueNames(keyOf(u"main.chm")), (std::vector<std::u16string>{u"1", u"2"}));
}

TEST_F(BookmarkStoreTest, TheLongestBookmarkReadsBack) {
  FakeBook longName({{std::u16string(250, u'n') + u".chm", 10}});
  RecentEntry e(u"/b/x.chm", u"");
  Bookmark b;
  b.text = std::u16string(249, u'\u00e9');
  b.view = {9, -2147483647 - 1, -2147483647 - 1, true, true, true, true, -2147483647 - 1, true};
  b.created = {65535, 255, 255, 255, 255, 255, 255, 999};
  b.file = longName.archive(0);
  e.appendBookmark(std::make_unique<Bookmark>(b));
  ASSERT_TRUE(BookmarkStore(store()).saveBookmarks(e, longName));
  RecentEntry loaded(u"/b/x.chm", u"");
  BookmarkStore(store()).loadBookmarks(loaded, longName);
  ASSERT_EQ(loaded.bookmarkCount(), 1);
  EXPECT_EQ(loaded.bookmark(0)->view, b.view);
  EXPECT_EQ(loaded.bookmark(0)->text, b.text);
}

TEST_F(BookmarkStoreTest, FortyOneBookmarksSaveAsFortyFromTheNewList) {
  RecentEntry e(u"/b/main.chm", u"");
  for (int i = 0; i < 41; ++i) e.addBookmark(fromUtf8(std::to_string(i)), ViewState{i, 0, 0}, nullptr);
  ASSERT_TRUE(BookmarkStore(store()).saveBookmarks(e, book));
  EXPECT_EQ(valueNames(keyOf(u"main.chm")).size(), 40u);
  EXPECT_EQ(text(keyOf(u"main.chm"), u"1")->substr(0, 3), u"[1,");
  EXPECT_EQ(text(keyOf(u"main.chm"), u"40")->substr(0, 4), u"[40,");
}

TEST_F(BookmarkStoreTest, TheKeyIsFoundAfreshByFileName) {
  BookmarkStore bookmarks(store());
  ASSERT_TRUE(store().createKey(StoreRoot::CurrentUser, keyOf(u"Books/Guide.CHM")));
  struct Case {
    const char16_t* path;
    const char16_t* key;
  } cases[] = {
      {u"/x/guide.chm", u"Books/Guide.CHM"},  // the part after a key's last "/" counts
      {u"\\dev\\GUIDE.chm", u"Books/Guide.CHM"},
      {u"/x/new.chm", u"new.chm"},
      {u"plain.chm", u"plain.chm"},
  };
  for (const Case& c : cases) EXPECT_EQ(bookmarks.bookKeyName(RecentEntry(c.path, u"")), c.key) << toUtf8(c.path);
}

TEST_F(BookmarkStoreTest, AnEntryWithoutPathIsNeverStored) {
  BookmarkStore bookmarks(store());
  RecentEntry e(u"", u"");
  e.addBookmark(u"x", ViewState{}, nullptr);
  EXPECT_FALSE(bookmarks.saveBookmarks(e, book));
  bookmarks.loadBookmarks(e, book);
  EXPECT_EQ(e.bookmarkCount(), 1);  // untouched
  EXPECT_FALSE(bookmarks.saveParameters(e, Settings{}, book));
  EXPECT_TRUE(store().openKey(StoreRoot::CurrentUser, kBookmarksRootKey)->subkeys().empty());
}

TEST_F(BookmarkStoreTest, DeleteKeyRemovesTheBooksKeyOnly) {
  BookmarkStore bookmarks(store());
  RecentEntry a(u"/x/a.chm", u""), b(u"/x/b.chm", u"");
  a.addBookmark(u"x", ViewState{}, nullptr);
  b.addBookmark(u"y", ViewState{}, nullptr);
  ASSERT_TRUE(bookmarks.saveBookmarks(a, book) && bookmarks.saveBookmarks(b, book));
  ASSERT_TRUE(bookmarks.deleteKey(RecentEntry(u"/other/A.CHM", u"")));
  EXPECT_FALSE(store().openKey(StoreRoot::CurrentUser, keyOf(u"a.chm")));
  EXPECT_TRUE(store().openKey(StoreRoot::CurrentUser, keyOf(u"b.chm")));
}

// Display parameters come back for an unchanged book; a book replaced by a file of
// another size loses its bookmarks and keeps the current settings. A collection
// has no size to compare.
TEST_F(BookmarkStoreTest, StoredParametersAndTheBookChangeCheck) {
  struct Case {
    const char* what;
    bool collection;
    std::uint32_t stampNow;
    ParametersResult result;
    bool bookmarksKept;
  } cases[] = {
      {"same book", false, 1000, ParametersResult::Applied, true},
      {"replaced book", false, 1001, ParametersResult::BookChanged, false},
      {"collection", true, 5, ParametersResult::Applied, true},
  };
  for (const Case& c : cases) {
    FakeBook saved({{u"main.chm", 100}}, c.collection, 1000);
    RecentEntry e(u"/b/main.chm", u"");
    e.addBookmark(u"mark", ViewState{1, 0, 0}, nullptr);
    BookmarkStore bookmarks(store());
    ASSERT_TRUE(bookmarks.saveBookmarks(e, saved));
    Settings used;
    used.DysplayTextSize = 0;
    used.DysplayShowImages = false;
    ASSERT_TRUE(bookmarks.saveParameters(e, used, saved));

    FakeBook now({{u"main.chm", 100}}, c.collection, c.stampNow);
    test::RecordingApplier applier;
    Settings applied;
    EXPECT_EQ(bookmarks.loadParameters(e, applied, now, applier), c.result) << c.what;
    if (c.result == ParametersResult::Applied) {
      ASSERT_EQ(applier.applied.size(), 1u) << c.what;
      EXPECT_EQ(applier.applied[0].DysplayTextSize, 0) << c.what;
      EXPECT_FALSE(applier.applied[0].DysplayShowImages) << c.what;
    } else {
      EXPECT_TRUE(applier.applied.empty()) << c.what;
    }
    RecentEntry reloaded(u"/b/main.chm", u"");
    bookmarks.loadBookmarks(reloaded, now);
    EXPECT_EQ(reloaded.bookmarkCount(), c.bookmarksKept ? 1 : 0) << c.what;
    EXPECT_TRUE(text(keyOf(u"main.chm"), u"AutoSaveParams")) << c.what;
  }
}

TEST_F(BookmarkStoreTest, ABookNeverSeenHasNoParameters) {
  test::RecordingApplier applier;
  RecentEntry e(u"/b/unknown.chm", u"");
  EXPECT_EQ(BookmarkStore(store()).loadParameters(e, Settings{}, book, applier), ParametersResult::NotStored);
  setText(keyOf(u"unknown.chm"), u"1", u"[1,0,0,0,0,0,0,0,0,0,0,]x");  // a key without the value
  EXPECT_EQ(BookmarkStore(store()).loadParameters(e, Settings{}, book, applier), ParametersResult::NotStored);
  EXPECT_TRUE(applier.applied.empty());
}

}  // namespace
}  // namespace pgwk
