// The bookmark store's view of an open Book: files by name, the size stamp of the main
// file from its own record, and bookmark values that name a merged file.

#include <gtest/gtest.h>

#include <filesystem>

#include "book_support.h"
#include "content/book_loading.h"
#include "persistence/bookmark_store.h"
#include "persistence/open_book_adapter.h"

namespace pgwk {
namespace {

TEST(OpenBookAdapter, AnswersForABookOfSeveralFiles) {
  PGWK_REQUIRE_FIXTURES();
  test::Shelf shelf;
  shelf.placeStandardBooks();
  Book book;
  book.openChmFile(shelf.text("shelf.chm"));
  finishOpening(book);
  ChmArchive* main = book.archives().at(0);
  ChmArchive* volume = book.archives().at(1);
  OpenBookAdapter adapter(book);

  EXPECT_EQ(adapter.mainArchive(), main);
  EXPECT_FALSE(adapter.isCollection());
  EXPECT_EQ(adapter.mainFileSizeStamp(), std::filesystem::file_size(shelf.path("shelf.chm")));
  EXPECT_EQ(adapter.archiveFileName(volume), u"volume.chm");
  EXPECT_EQ(adapter.archiveFileName(nullptr), u"");
  EXPECT_EQ(adapter.archiveNamed(u"Volume.CHM"), volume);
  EXPECT_EQ(adapter.archiveNamed(u"atlas.chm"), nullptr);
  EXPECT_EQ(adapter.entryCount(volume), volume->entryCount());
  EXPECT_EQ(adapter.entryCount(nullptr), 0u);

  // A bookmark in the merged file comes back to that file.
  Bookmark mark;
  mark.text = u"chapter";
  mark.view.pageIndex = static_cast<int>(volume->entryCount()) - 1;
  mark.file = volume;
  std::u16string value = formatBookmark(mark, adapter);
  EXPECT_TRUE(value.starts_with(u"volume.chm[")) << std::string(value.begin(), value.end());
  std::unique_ptr<Bookmark> parsed = parseBookmark(value, adapter);
  ASSERT_NE(parsed, nullptr);
  EXPECT_EQ(parsed->file, volume);
  EXPECT_EQ(parsed->view.pageIndex, mark.view.pageIndex);
}

TEST(OpenBookAdapter, ACollectionIsSaid) {
  PGWK_REQUIRE_FIXTURES();
  test::Shelf shelf;
  shelf.placeStandardBooks();
  shelf.write("set.col", "<Folders><Folder><TitleString value=\"=atlas\"/></Folder></Folders>");
  Book book;
  book.openCollection(shelf.text("set.col"));
  finishOpening(book);
  OpenBookAdapter adapter(book);
  EXPECT_TRUE(adapter.isCollection());
  EXPECT_EQ(adapter.mainArchive(), book.archives().at(1));
  EXPECT_EQ(adapter.archiveFileName(book.archives().at(0)), u"set.col");
  EXPECT_EQ(adapter.mainFileSizeStamp(), std::filesystem::file_size(shelf.path("atlas.chm")));
}

}  // namespace
}  // namespace pgwk
