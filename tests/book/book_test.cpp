// The Book: opening CHM files with their ".chi" companions, merged books and the
// references that reach them, collections, the keyword indexes of several files,
// and the current archive, which every failing operation must leave where it was.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "book_support.h"
#include "content/book_loading.h"
#include "document/book.h"
#include "foundation/reader_error.h"

namespace pgwk {
namespace {

namespace fs = std::filesystem;
using test::errorOf;

const std::string kCraftedContents =
    "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Crafted maps\">"
    "<param name=\"Local\" value=\"maps.htm\"></OBJECT></UL>";

std::vector<std::string> archivePaths(const Book& book) {
  std::vector<std::string> paths;
  for (int i = 0; i < book.archives().count(); ++i) paths.push_back(book.archives().at(i)->path());
  return paths;
}

// A ".chi" companion holds the system files of a book that has none of its own; the
// book's own win when it has them. Either way the companion is gone after opening.
TEST(BookOpening, SystemFilesComeFromTheBookOrItsCompanion) {
  PGWK_REQUIRE_FIXTURES();
  struct Case {
    const char* what;
    std::function<void(const test::Shelf&)> lay;
    std::string book;
    std::string title;
  };
  const std::vector<std::pair<std::string, std::string>> pages = {{"/atlas.hhc", kCraftedContents},
                                                                   {"/maps.htm", "<p>crafted</p>"}};
  const Case cases[] = {
      {"the companion holds #SYSTEM",
       [&](const test::Shelf& s) {
         s.write("book.chm", test::bookWithoutSystemFiles(pages));
         s.place("atlas", "book.chi");
       },
       "book.chm", "Atlas"},
      {"the companion's name differs in case",
       [&](const test::Shelf& s) {
         s.write("Book.CHM", test::bookWithoutSystemFiles(pages));
         s.place("atlas", "book.chi");
       },
       "Book.CHM", "Atlas"},
      {"the book has its own #SYSTEM",
       [&](const test::Shelf& s) {
         s.place("volume", "book.chm");
         s.place("atlas", "book.chi");
       },
       "book.chm", "Volume one"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::Shelf shelf;
    c.lay(shelf);
    Book book;
    ChmArchive& archive = book.openChmFile(shelf.text(c.book));
    EXPECT_EQ(archivePaths(book), std::vector<std::string>{shelf.text(c.book)});
    EXPECT_EQ(book.currentArchive(), &archive);
    finishOpening(book);
    EXPECT_EQ(book.mainArchive(), &archive);
    EXPECT_EQ(book.title(), c.title);
    EXPECT_GT(book.topicCount(), 0u);
    // The contents file is named by the system files and read from the book itself.
    std::string first(book.contents().nameOf(*book.contents().first()));
    EXPECT_EQ(first, c.title == "Atlas" ? "Crafted maps" : "Chapter 1");
  }
}

TEST(BookOpening, WithoutSystemFilesTheMessageNamesTheCompanion) {
  PGWK_REQUIRE_FIXTURES();
  test::Shelf shelf;
  shelf.placeStandardBooks();
  shelf.write("lonely.chm", test::bookWithoutSystemFiles({{"/page.htm", "page"}}));
  Book book;
  EXPECT_EQ(errorOf([&] { book.openChmFile(shelf.text("lonely.chm")); }),
            "Probably, this file can't be displayed without corresponding .CHI file:\n" + shelf.text("lonely.chi") +
                ".");
  EXPECT_TRUE(book.archives().empty());
  EXPECT_EQ(book.currentArchive(), nullptr);
}

// Every operation that fails leaves the current archive where it was and no half-open
// archive behind; here the current archive is the merged one, not the first.
TEST(BookOpening, FailuresLeaveTheCurrentArchiveWhereItWas) {
  PGWK_REQUIRE_FIXTURES();
  test::Shelf shelf;
  shelf.placeStandardBooks();
  shelf.write("nosystem.chm", test::bookWithoutSystemFiles({{"/page.htm", "page"}}));
  shelf.write("garbage.chm", std::string(200, 'x'));
  shelf.place("atlas", "damaged.chm");
  shelf.write("damaged.chi", std::string(100, '\0'));
  fs::create_directories(shelf.path("folder.chm"));

  Book book;
  book.openChmFile(shelf.text("shelf.chm"));
  finishOpening(book);
  ASSERT_EQ(book.archives().count(), 2);
  ChmArchive* volume = book.archives().at(1);
  FileBuffer file;
  struct Case {
    const char* what;
    std::function<void()> action;
    std::string message;
  };
  const Case cases[] = {
      {"a book that does not exist", [&] { book.switchArchive("../missing.chm::/a.htm"); },
       "Can't open file: " + shelf.text("missing.chm") + "."},
      {"a book without system files", [&] { book.switchArchive("../nosystem.chm::/page.htm"); },
       "Probably, this file can't be displayed without corresponding .CHI file:\n" + shelf.text("nosystem.chi") + "."},
      {"a file that is no container", [&] { book.switchArchive("../garbage.chm::/a.htm"); }, "(any)"},
      {"a damaged companion", [&] { book.switchArchive("../damaged.chm::/maps.htm"); }, "(any)"},
      {"a folder named like a book", [&] { book.switchArchive("../folder.chm::/a.htm"); }, "(any)"},
      {"reading from a book that does not exist", [&] { file = book.readFile("../missing.chm::/a.htm", true); },
       "Can't open file: " + shelf.text("missing.chm") + "."},
      {"a book file in neither archive", [&] { book.readBookFile("#nowhere", file); },
       "File '#nowhere' not found in CHM or CHI archives.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    book.setCurrentArchive(volume);
    std::string message = errorOf(c.action);
    if (c.message == "(any)") EXPECT_NE(message, "(no error)");
    else EXPECT_EQ(message, c.message);
    EXPECT_EQ(book.currentArchive(), volume);
    EXPECT_EQ(book.archives().count(), 2);
    for (int i = 0; i < book.archives().count(); ++i) EXPECT_TRUE(book.archives().at(i)->complete());
  }
  // The book is still fully usable.
  book.setCurrentArchive(book.mainArchive());
  EXPECT_NE(book.readFile("sub/volume.chm::/v1.htm").find("The first chapter."), std::string::npos);
  EXPECT_EQ(book.currentArchive(), volume);
}

TEST(BookOpening, AnErrorInTheContentsRestoresTheCurrentArchive) {
  PGWK_REQUIRE_FIXTURES();
  test::Shelf shelf;
  shelf.placeStandardBooks();
  // The merge moves the current archive to the merged book before the bad entry.
  shelf.write("broken.chm", test::bookWithSystemFiles(
                                "toc.hhc", "",
                                {{"/toc.hhc",
                                  "<UL><LI><OBJECT><param name=\"Merge\" value=\"sub/volume.chm::/volume.hhc\">"
                                  "</OBJECT><LI><OBJECT><param name=\"ImageNumber\" value=\"x\"></OBJECT></UL>"}}));
  Book book;
  ChmArchive& broken = book.openChmFile(shelf.text("broken.chm"));
  EXPECT_EQ(errorOf([&] { finishOpening(book); }),
            "Error while parse TOC file.\nIncorrect param=\"ImageNumber\" value:\nx.");
  EXPECT_EQ(book.currentArchive(), &broken);
  EXPECT_EQ(book.archives().count(), 2);
}

// A merged file that does not open leaves the languages of the book that merges it:
// its text must not be read in the default code page afterwards.
TEST(BookMerging, AMissingMergedFileKeepsTheLanguages) {
  PGWK_REQUIRE_FIXTURES();
  test::Shelf shelf;
  shelf.write("russian.chm",
              test::bookWithSystemFiles("toc.hhc", "",
                                        {{"/toc.hhc",
                                          "<UL><LI><OBJECT><param name=\"Merge\" value=\"gone.chm::/gone.hhc\">"
                                          "</OBJECT></UL>"}},
                                        0x419));
  Book book;
  book.openChmFile(shelf.text("russian.chm"));
  finishOpening(book);
  EXPECT_EQ(book.contents().nameOf(*book.contents().root().children.at(1)), "Missing files (1)");
  EXPECT_EQ(book.headerLanguage(), 0x419);
  EXPECT_EQ(book.contentLanguage(), 0x419);
  EXPECT_EQ(book.contentCodePage(), 1251);
}

TEST(BookMerging, ContentsMergeASecondBook) {
  PGWK_REQUIRE_FIXTURES();
  test::Shelf shelf;
  shelf.placeStandardBooks();
  test::RecordingReport boxes;
  Book book(&boxes);
  book.openChmFile(shelf.text("shelf.chm"));
  finishOpening(book);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(archivePaths(book), (std::vector<std::string>{shelf.text("shelf.chm"), shelf.text("sub/volume.chm")}));
  ChmArchive* main = book.archives().at(0);
  ChmArchive* volume = book.archives().at(1);
  EXPECT_EQ(book.mainArchive(), main);
  EXPECT_EQ(book.currentArchive(), main);
  EXPECT_FALSE(book.isCollection());

  const TocEntry& root = book.contents().root();
  EXPECT_EQ(test::childNames(book, root), (std::vector<std::string>{"Welcome", "Volume one", "gone.chm::/gone.hhc",
                                                                     "Last", "Missing files (1)"}));
  const TocEntry& merged = *root.children.at(1);
  EXPECT_EQ(merged.chmFile, nullptr);
  ASSERT_EQ(merged.children.count(), 1);
  EXPECT_EQ(merged.children.at(0)->chmFile, volume);
  EXPECT_EQ(book.contents().locationOf(*merged.children.at(0)->children.at(0)), "v2.htm#part");
  const TocEntry& missing = *root.children.at(4);
  EXPECT_EQ(missing.imageNumber, SitemapTree::kMissingFilesImage);
  ASSERT_EQ(missing.children.count(), 1);
  EXPECT_TRUE(book.contents().nameOf(*missing.children.at(0)).starts_with("gone.chm"));
  EXPECT_EQ(missing.children.at(0)->imageNumber, SitemapTree::kMissingFileImage);

  // Document order runs through the merged book; the missing files are not in it.
  EXPECT_EQ(test::documentOrder(book), (std::vector<std::string>{"Welcome", "Volume one", "Chapter 1", "Chapter 2",
                                                                 "gone.chm::/gone.hhc", "Last"}));
  EXPECT_EQ(book.contents().entryCount(), 8);
}

// References name their book relative to the current archive's folder, in any case,
// with either separator; a book already open is found, never opened twice.
TEST(BookMerging, ReferencesFindTheBooksAlreadyOpen) {
  PGWK_REQUIRE_FIXTURES();
  test::Shelf shelf;
  shelf.placeStandardBooks();
  Book book;
  book.openChmFile(shelf.text("shelf.chm"));
  finishOpening(book);
  ChmArchive* main = book.archives().at(0);
  ChmArchive* volume = book.archives().at(1);
  struct Case {
    ChmArchive* from;
    std::string reference;
    ChmArchive* expected;  // none: the reference has no CHM-link prefix
  };
  const Case cases[] = {
      {main, "sub/volume.chm::/v1.htm", volume},
      {main, "SUB/VOLUME.CHM::/v1.htm", volume},
      {main, "sub\\volume.chm::/v1.htm", volume},
      {main, " %73ub/volume.chm::/v1.htm", volume},
      {main, "./sub/../sub/volume.chm::/v1.htm", volume},
      {main, shelf.text("sub/./volume.chm") + "::/v1.htm", volume},
      {main, "sub/volume.chm", volume},
      {volume, "volume.chm::/v2.htm", volume},
      {volume, "../shelf.chm::/welcome.htm", main},
      {volume, "../SHELF.chm::", main},
      {volume, "welcome.htm", nullptr},
      {volume, "::/welcome.htm", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reference);
    book.setCurrentArchive(c.from);
    EXPECT_EQ(book.switchArchive(c.reference), c.expected != nullptr);
    EXPECT_EQ(book.currentArchive(), c.expected ? c.expected : c.from);
    EXPECT_EQ(book.archives().count(), 2);
  }
}

TEST(BookMerging, ARelativeReferenceOpensItsBookOnce) {
  PGWK_REQUIRE_FIXTURES();
  test::Shelf shelf;
  shelf.placeStandardBooks();
  Book book;
  ChmArchive& main = book.openChmFile(shelf.text("shelf.chm"));
  // The file on disk is sub/volume.chm: the case of the reference does not matter.
  EXPECT_TRUE(book.switchArchive("Sub/Volume.CHM::/v1.htm"));
  ASSERT_EQ(book.archives().count(), 2);
  ChmArchive* volume = book.archives().at(1);
  EXPECT_EQ(volume->path(), shelf.text("sub/volume.chm"));
  EXPECT_EQ(book.currentArchive(), volume);
  EXPECT_EQ(book.title(volume), "Volume one");
  book.setCurrentArchive(&main);
  EXPECT_TRUE(book.switchArchive("sub/volume.chm::/v2.htm"));
  EXPECT_EQ(book.archives().count(), 2);
  EXPECT_EQ(book.currentArchive(), volume);
}

const char* const kCollection = R"(<?xml version="1.0" encoding="UTF-8"?>
<HelpCollection>
<Folders>
<Folder><TitleString value="Reference"/><FolderOrder value="1"/>
  <Folder><TitleString value="=atlas"/></Folder>
  <Folder><TitleString value="=missing.chm"/></Folder>
</Folder>
<Folder><TitleString value="Volume"/>
  <Folder><TitleString value="=sub/volume"/></Folder>
</Folder>
</Folders>
</HelpCollection>
)";

TEST(BookCollection, ThreeBooksOfWhichOneIsMissing) {
  PGWK_REQUIRE_FIXTURES();
  test::Shelf shelf;
  shelf.placeStandardBooks();
  shelf.write("set.col", kCollection);
  test::RecordingReport boxes;
  Book book(&boxes);
  ChmArchive& collection = book.openCollection(shelf.text("set.col"));
  EXPECT_TRUE(collection.isCollection());
  EXPECT_TRUE(book.isCollection());
  finishOpening(book);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(archivePaths(book), (std::vector<std::string>{shelf.text("set.col"), shelf.text("atlas.chm"),
                                                          shelf.text("sub/volume.chm")}));
  EXPECT_EQ(book.mainArchive(), book.archives().at(1));
  EXPECT_EQ(book.currentArchive(), &collection);
  EXPECT_EQ(book.title(), "Atlas");

  const TocEntry& root = book.contents().root();
  EXPECT_EQ(test::childNames(book, root), (std::vector<std::string>{"Reference", "Volume", "Missing files (1)"}));
  EXPECT_EQ(test::childNames(book, *root.children.at(0)), std::vector<std::string>{"Maps"});
  EXPECT_EQ(root.children.at(0)->children.at(0)->chmFile, book.archives().at(1));
  EXPECT_TRUE(book.contents().nameOf(*root.children.at(2)->children.at(0)).starts_with("missing.chm"));
  EXPECT_EQ(test::documentOrder(book),
            (std::vector<std::string>{"Reference", "Maps", "Volume", "Chapter 1", "Chapter 2"}));

  // A relative reference from the collection resolves against the ".col" file's
  // folder and finds the book the collection opened, in whatever case it is written.
  for (const char* reference : {"atlas.chm::/maps.htm", "ATLAS.CHM::/maps.htm"}) {
    book.setCurrentArchive(&collection);
    EXPECT_TRUE(book.switchArchive(reference));
    EXPECT_EQ(book.currentArchive(), book.archives().at(1));
    EXPECT_EQ(book.archives().count(), 3);
  }
}

TEST(BookCollection, Failures) {
  PGWK_REQUIRE_FIXTURES();
  test::Shelf shelf;
  shelf.write("none.col",
              "<Folders><Folder><TitleString value=\"=a\"/></Folder><Folder><TitleString value=\"=b.chm\"/></Folder>"
              "<Folder><TitleString value=\"=c\"/></Folder></Folders>");
  shelf.write("empty.col", "");
  struct Case {
    const char* what;
    std::string path;
    std::string message;
    int missingFiles;
  };
  const Case cases[] = {
      {"no listed book opens", shelf.text("none.col"),
       "Empty collection. No chm files were found from this collection.", 3},
      {"no collection file", shelf.text("absent.col"), "Can't open file: " + shelf.text("absent.col") + ".", 0},
      {"an empty collection file", shelf.text("empty.col"), shelf.text("empty.col") + " file is empty.", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Book book;
    ChmArchive& collection = book.openCollection(c.path);
    EXPECT_EQ(errorOf([&] { finishOpening(book); }), c.message);
    EXPECT_EQ(book.archives().count(), 1);
    EXPECT_EQ(book.currentArchive(), &collection);
    const TocEntry& root = book.contents().root();
    if (c.missingFiles) {
      ASSERT_EQ(root.children.count(), 1);
      EXPECT_EQ(book.contents().nameOf(*root.children.at(0)),
                "Missing files (" + std::to_string(c.missingFiles) + ")");
    }
  }
  Book empty;
  EXPECT_EQ(errorOf([&] { finishOpening(empty); }), "Nothing to display.");
}

TEST(BookIndex, EveryArchivesIndexJoinsOneSortedList) {
  PGWK_REQUIRE_FIXTURES();
  test::Shelf shelf;
  shelf.placeStandardBooks();
  test::RecordingReport boxes;
  Book book(&boxes);
  book.openChmFile(shelf.text("shelf.chm"));
  finishOpening(book);
  ChmArchive* volume = book.archives().at(1);
  book.setCurrentArchive(volume);
  EXPECT_TRUE(book.hasKeywordIndex());
  EXPECT_EQ(book.currentArchive(), volume);
  loadKeywordIndexes(book);
  EXPECT_EQ(book.currentArchive(), volume);
  EXPECT_TRUE(boxes.shown.empty());

  const SitemapIndex& index = book.keywordIndex();
  std::vector<std::string> keywords;
  for (int i = 0; i < index.root().subKeywords.count(); ++i)
    keywords.emplace_back(index.keywordOf(*index.root().subKeywords.at(i)));
  EXPECT_EQ(keywords, (std::vector<std::string>{"apple", "_ending", "Volume", "welcome"}));
  const KeywordEntry& apple = *index.root().subKeywords.at(0);
  EXPECT_EQ(apple.chmFile, volume);
  const KeywordEntry& chapters = *index.root().subKeywords.at(2);
  ASSERT_EQ(chapters.topics.count(), 2);
  EXPECT_EQ(index.titleOf(*chapters.topics.at(1)), "Second chapter");
  EXPECT_EQ(index.locationOf(*chapters.topics.at(1)), "v2.htm");

  // Released texts read as empty; what navigation needs stays.
  book.releaseIndexTexts();
  EXPECT_EQ(index.keywordOf(apple), "");
  EXPECT_EQ(index.locationOf(*apple.topics.at(0)), "v2.htm");
  book.releaseContentsTexts();
  EXPECT_EQ(book.contents().nameOf(*book.contents().first()), "");
  EXPECT_EQ(book.contents().locationOf(*book.contents().first()), "welcome.htm");
}

TEST(BookIndex, TheFirstErrorIsShownAndEndsTheLoop) {
  PGWK_REQUIRE_FIXTURES();
  test::Shelf shelf;
  shelf.placeStandardBooks();
  shelf.write("bad.chm",
              test::bookWithSystemFiles("", "bad.hhk",
                                        {{"/bad.hhk",
                                          "<UL><LI><OBJECT><param name=\"Name\" value=\"good\">"
                                          "<param name=\"Local\" value=\"a.htm\"></OBJECT>"
                                          "<LI><OBJECT><param name=\"Name\" value=\"k\"><param name=\"Name\" value=\"t1\">"
                                          "<param name=\"Name\" value=\"t2\"></OBJECT></UL>"}}));
  shelf.write("plain.chm", test::bookWithSystemFiles("", "", {{"/a.htm", "a"}}));
  test::RecordingReport boxes;
  Book book(&boxes);
  ChmArchive& plain = book.openChmFile(shelf.text("plain.chm"));
  EXPECT_FALSE(book.hasKeywordIndex());
  book.openChmFile(shelf.text("bad.chm"));
  book.openChmFile(shelf.text("atlas.chm"));
  finishOpening(book);
  EXPECT_TRUE(book.hasKeywordIndex());
  book.setCurrentArchive(&plain);
  loadKeywordIndexes(book);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0],
            "PGWK Exception: Error while parse Index file.\nIndex <li> tag has 2 one after the other \"Name\" "
            "params:\nparam name=\"Name\" value=\"t2\".");
  EXPECT_EQ(book.currentArchive(), &plain);
  // What came before the error stays; the atlas after it was not read.
  const SitemapIndex& index = book.keywordIndex();
  ASSERT_EQ(index.root().subKeywords.count(), 1);
  EXPECT_EQ(index.keywordOf(*index.root().subKeywords.at(0)), "good");
  // The book goes on working.
  EXPECT_EQ(book.readFile("a.htm"), "a");
}

TEST(BookReferences, QueriesAboutArchives) {
  PGWK_REQUIRE_FIXTURES();
  test::Shelf shelf;
  shelf.placeStandardBooks();
  Book book;
  EXPECT_EQ(book.archiveAt(-1), nullptr);
  EXPECT_EQ(book.archiveAt(0), nullptr);
  EXPECT_FALSE(book.isCollection());
  book.openChmFile(shelf.text("shelf.chm"));
  finishOpening(book);
  ChmArchive* main = book.archives().at(0);
  ChmArchive* volume = book.archives().at(1);
  book.setCurrentArchive(volume);

  EXPECT_EQ(book.makeReference(nullptr, "/a.htm"), "/a.htm");
  EXPECT_EQ(book.makeReference(main, "x.chm::/a.htm"), "x.chm::/a.htm");
  EXPECT_EQ(book.makeReference(main, "a.htm"), shelf.text("shelf.chm") + "::a.htm");
  EXPECT_EQ(book.makeReference(volume, "/v1.htm"), shelf.text("sub/volume.chm") + "::/v1.htm");

  EXPECT_EQ(book.archiveAt(-1), volume);
  EXPECT_EQ(book.archiveAt(0), main);
  EXPECT_EQ(book.archiveAt(1), volume);
  EXPECT_EQ(book.archiveAt(2), nullptr);
  EXPECT_EQ(book.archiveAt(-2), nullptr);

  EXPECT_EQ(book.archiveNamed(u"volume.chm"), volume);
  EXPECT_EQ(book.archiveNamed(u"VOLUME.Chm"), volume);
  EXPECT_EQ(book.archiveNamed(u"shelf.chm"), main);
  EXPECT_EQ(book.archiveNamed(u"sub/volume.chm"), nullptr);
  EXPECT_EQ(book.archiveNamed(u"atlas.chm"), nullptr);
  EXPECT_EQ(Book::archiveFileName(*volume), u"volume.chm");

  EXPECT_TRUE(book.existsInBookFile("/v1.htm"));
  EXPECT_FALSE(book.existsInBookFile("/welcome.htm"));
}

}  // namespace
}  // namespace pgwk
