#include "content/sitemap_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "document/book.h"
#include "fake_book_files.h"
#include "foundation/reader_error.h"

namespace pgwk {
namespace {

using test::FakeBookFiles;

struct RecordingProgress : LoadingProgress {
  void reportFile(std::string_view name) override { files.emplace_back(name); }
  void addToTotal(int n) override { total += n; }
  std::vector<std::string> files;
  int total = 0;
};

struct RecordingReport : ErrorReport {
  void showMessage(std::string_view caption, std::string_view text) override {
    boxes.push_back(std::string(caption) + ": " + std::string(text));
  }
  std::vector<std::string> boxes;
};

// An item of a contents or index file.
std::string item(const std::string& name, const std::string& local = "") {
  std::string text = "<LI> <OBJECT type=\"text/sitemap\">\n  <param name=\"Name\" value=\"" + name + "\">\n";
  if (!local.empty()) text += "  <param name=\"Local\" value=\"" + local + "\">\n";
  return text + "  </OBJECT>\n";
}

const std::string kHeader =
    "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\n<HTML><HEAD>\n<!-- Sitemap 1.0 -->\n</HEAD><BODY>\n"
    "<OBJECT type=\"text/site properties\">\n  <param name=\"ImageType\" value=\"Folder\">\n</OBJECT>\n";

class SitemapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    book.setLoadingProgress(&progress);
    book.setErrorReport(&report);
  }

  // Every entry below the root, one line each, indented two spaces a level:
  // "name" or "name -> location", with "@file" when the entry belongs to a file
  // other than main.chm.
  std::string outline(const TocEntry& root) const {
    std::string out;
    appendOutline(root, 0, out);
    return out;
  }
  void appendOutline(const TocEntry& parent, int depth, std::string& out) const {
    for (int i = 0; i < parent.children.count(); ++i) {
      const TocEntry& e = *parent.children.at(i);
      out += std::string(2 * depth, ' ') + std::string(book.contents().nameOf(e));
      if (e.location != StringPool::kNone) out += " -> " + std::string(book.contents().locationOf(e));
      if (e.chmFile && e.chmFile->path() != "/books/main.chm") out += " @" + e.chmFile->path();
      out += "\n";
      appendOutline(e, depth + 1, out);
    }
  }

  // Names along the document-order chain, checking that the back links agree.
  std::vector<std::string> documentOrder() const {
    std::vector<std::string> names;
    const TocEntry* previous = nullptr;
    for (const TocEntry* e = book.contents().first(); e; e = e->next) {
      EXPECT_EQ(e->previous, previous);
      names.emplace_back(book.contents().nameOf(*e));
      previous = e;
    }
    EXPECT_EQ(book.contents().last(), previous);
    return names;
  }
  std::vector<std::string> preorder(const TocEntry& parent) const {
    std::vector<std::string> names;
    for (int i = 0; i < parent.children.count(); ++i) {
      names.emplace_back(book.contents().nameOf(*parent.children.at(i)));
      for (auto& n : preorder(*parent.children.at(i))) names.push_back(n);
    }
    return names;
  }

  void openMain(std::map<std::string, std::string> files = {}) {
    this->files.addBook("/books/main.chm", "toc.hhc", std::move(files));
    this->files.open("/books/main.chm");
  }
  void parseContents(const std::string& text) { parser.parseContents(text, book.contents().root()); }
  std::string contentsError(const std::string& text) {
    try {
      parseContents(text);
    } catch (const ReaderError& e) {
      return e.message();
    }
    return "no error";
  }

  Book book;
  FakeBookFiles files{book};
  RecordingProgress progress;
  RecordingReport report;
  SitemapParser parser{book, files};
};

// Contents

TEST_F(SitemapTest, ContentsNestedListsInDocumentOrder) {
  openMain();
  parseContents(kHeader + "<UL>\n" + item("One", "one.htm") + "<UL>\n" + item("One.A", "html/a.htm") +
                "<UL>" + item("One.A.i", "i.htm") + "</UL>\n" + item("One.B", "b.htm") + "</UL>\n" +
                item("Two") + "</UL>\n<UL>" + item("Three", "three.htm") + "</UL></BODY></HTML>");
  EXPECT_EQ(outline(book.contents().root()),
            "One -> one.htm\n"
            "  One.A -> html/a.htm\n"
            "    One.A.i -> i.htm\n"
            "  One.B -> b.htm\n"
            "Two\n"
            "Three -> three.htm\n");
  EXPECT_EQ(documentOrder(), preorder(book.contents().root()));
  EXPECT_EQ(countEntries(book.contents().root()), 6);
  EXPECT_EQ(progress.files, std::vector<std::string>{"main.chm"});
  EXPECT_EQ(progress.total, 6);
  const TocEntry& two = *book.contents().root().children.at(1);
  EXPECT_EQ(two.chmFile, nullptr);  // a group
  EXPECT_EQ(book.contents().root().children.at(0)->chmFile, files.archiveOf("/books/main.chm"));
  book.contents().complete();
  EXPECT_EQ(book.contents().entryCount(), 6);
}

struct ContentsCase {
  const char* what;
  std::string text;
  std::string outline;
};

TEST_F(SitemapTest, ContentsShapes) {
  const ContentsCase cases[] = {
      {"UL COMPACT is no list: its items join the enclosing list, its /UL ends it",
       "<UL>" + item("a") + "<UL COMPACT>" + item("b") + "</UL>" + item("c") + "</UL>", "a\nb\n"},
      {"LI with attributes is no item: its object overwrites the previous item",
       "<UL>" + item("first", "1.htm") + "<LI class=x><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"second\">"
       "</OBJECT></UL>",
       "second -> 1.htm\n"},
      {"object before any item is read and dropped",
       "<UL><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"lost\"></OBJECT>" + item("kept") + "</UL>",
       "kept\n"},
      {"lower-case object without an item is skipped with its params",
       "<UL>" + item("a") + "</UL><object><param name=\"Name\" value=\"x\"></object>", "a\n"},
      {"item without Name",
       "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Local\" value=\"p.htm\"></OBJECT></UL>", " -> p.htm\n"},
      {"item without OBJECT takes the next object's params",
       "<UL><LI><LI><OBJECT><param name=\"Name\" value=\"n\"></OBJECT>" + item("m") + "</UL>", "n\nm\n"},
      {"Local is normalised", "<UL>" + item("p", "./html/../page.htm") + item("q", "/A%20B.htm#x") + "</UL>",
       "p -> page.htm\nq -> A B.htm#x\n"},
      {"second Name replaces the first",
       "<UL><LI><OBJECT><param name=\"Name\" value=\"a\"><param name=\"Name\" value=\"b\"></OBJECT></UL>", "b\n"},
      {"parameter names ignore case, other parameters are ignored",
       "<UL><LI><OBJECT><PARAM NAME=\"name\" VALUE=\"Mixed\"><param name=\"Type\" value=\"x\">"
       "<param name=\"URL\" value=\"u.htm\"></OBJECT></UL>",
       "Mixed\n"},
      {"value must come after the name", "<UL><LI><OBJECT><param value=\"v\" name=\"Name\"></OBJECT></UL>", "\n"},
      {"references decoded", "<UL>" + item("Intro &amp; Setup") + "</UL>", "Intro & Setup\n"},
      {"UL with a nested list before any item nests into the parent",
       "<UL><UL>" + item("deep") + "</UL>" + item("flat") + "</UL>", "deep\nflat\n"},
      {"unterminated lists and objects end with the text", "<UL>" + item("a") + "<UL><LI><OBJECT><param name=\"Name\" value=\"b\">",
       "a\n  b\n"},
      {"nothing before the first list counts", item("outside") + "<UL></UL>", ""},
  };
  for (const ContentsCase& c : cases) {
    Book fresh;
    FakeBookFiles freshFiles(fresh);
    freshFiles.addBook("/books/main.chm", "toc.hhc", {});
    freshFiles.open("/books/main.chm");
    SitemapParser freshParser(fresh, freshFiles);
    freshParser.parseContents(c.text, fresh.contents().root());
    std::string out;
    for (int i = 0; i < fresh.contents().root().children.count(); ++i) {
      // A one-level view is enough except for the nesting case.
      const TocEntry& e = *fresh.contents().root().children.at(i);
      out += std::string(fresh.contents().nameOf(e));
      if (e.location != StringPool::kNone) out += " -> " + std::string(fresh.contents().locationOf(e));
      out += "\n";
      for (int j = 0; j < e.children.count(); ++j)
        out += "  " + std::string(fresh.contents().nameOf(*e.children.at(j))) + "\n";
    }
    EXPECT_EQ(out, c.outline) << c.what;
  }
}

TEST_F(SitemapTest, ImageNumber) {
  openMain();
  auto withImage = [](const std::string& value) {
    return "<UL><LI><OBJECT><param name=\"ImageNumber\" value=\"" + value + "\"></OBJECT></UL>";
  };
  const std::pair<std::string, int> cases[] = {{"12", 12}, {"0x1F", 31}, {"010", 8}, {" -3", -3}, {"7 apples", 7}, {"", 0}};
  for (const auto& [value, expected] : cases) {
    Book fresh;
    FakeBookFiles freshFiles(fresh);
    SitemapParser freshParser(fresh, freshFiles);
    freshParser.parseContents(withImage(value), fresh.contents().root());
    ASSERT_EQ(fresh.contents().root().children.count(), 1) << value;
    EXPECT_EQ(fresh.contents().root().children.at(0)->imageNumber, expected) << value;
  }
  EXPECT_EQ(contentsError("<UL>" + item("kept") + withImage("abc").substr(4)),
            "Error while parse TOC file.\nIncorrect param=\"ImageNumber\" value:\nabc.");
  // What was read before the error stays, and the document order holds no dead entry.
  EXPECT_EQ(outline(book.contents().root()), "kept\n");
  EXPECT_EQ(documentOrder(), std::vector<std::string>{"kept"});
}

TEST_F(SitemapTest, MergeBringsInAnotherFileAndRestoresTheCurrentArchive) {
  files.addBook("/books/sub/other.chm", "other.hhc",
                {{"other.hhc", "<UL>" + item("Other 1", "o1.htm") + "<UL>" + item("Other 1.1", "o11.htm") +
                                   "</UL>" + item("Other 2", "o2.htm") + "</UL>"}});
  openMain({{"part.hhc", "<UL>" + item("Part", "part.htm") + "</UL>"}});
  ChmArchive* main = book.currentArchive();
  parseContents("<UL>" + item("Before", "before.htm") +
                "<LI><OBJECT><param name=\"Name\" value=\"Merged\"><param name=\"Merge\" "
                "value=\"sub/other.chm::/other.hhc\"></OBJECT>" +
                "<LI><OBJECT><param name=\"Merge\" value=\"part.hhc\"></OBJECT>" + item("After", "after.htm") +
                "</UL>");
  EXPECT_EQ(outline(book.contents().root()),
            "Before -> before.htm\n"
            "Merged\n"
            "  Other 1 -> o1.htm @/books/sub/other.chm\n"
            "    Other 1.1 -> o11.htm @/books/sub/other.chm\n"
            "  Other 2 -> o2.htm @/books/sub/other.chm\n"
            "\n"
            "  Part -> part.htm\n"
            "After -> after.htm\n");
  EXPECT_EQ(documentOrder(), preorder(book.contents().root()));
  EXPECT_EQ(book.currentArchive(), main);
  EXPECT_EQ(progress.files, (std::vector<std::string>{"main.chm", "other.chm", "main.chm"}));
  EXPECT_TRUE(report.boxes.empty());
  EXPECT_EQ(book.contents().missingFiles().children.count(), 0);
}

TEST_F(SitemapTest, MergeOfAMissingFile) {
  openMain();
  ChmArchive* main = book.currentArchive();
  parseContents("<UL><LI><OBJECT><param name=\"Merge\" value=\"gone.chm::/toc.hhc\"></OBJECT>"
                "<LI><OBJECT><param name=\"Name\" value=\"Named\"><param name=\"Merge\" value=\"lost.chm::/t.hhc\">"
                "</OBJECT></UL>");
  EXPECT_EQ(outline(book.contents().root()), "gone.chm::/toc.hhc\nNamed\n");
  const TocEntry& missing = book.contents().missingFiles();
  ASSERT_EQ(missing.children.count(), 2);
  // The entry is named after the file part of the error message.
  EXPECT_EQ(book.contents().nameOf(*missing.children.at(0)), "gone.chm.");
  EXPECT_EQ(book.contents().nameOf(*missing.children.at(1)), "lost.chm.");
  EXPECT_EQ(missing.children.at(0)->imageNumber, SitemapTree::kMissingFileImage);
  EXPECT_EQ(missing.children.at(0)->previous, nullptr);
  EXPECT_EQ(documentOrder(), (std::vector<std::string>{"gone.chm::/toc.hhc", "Named"}));
  EXPECT_EQ(book.currentArchive(), main);

  book.contents().adoptMissingFiles();
  EXPECT_EQ(outline(book.contents().root()), "gone.chm::/toc.hhc\nNamed\nMissing files (2)\n  gone.chm.\n  lost.chm.\n");
  EXPECT_EQ(book.contents().root().children.at(2)->imageNumber, SitemapTree::kMissingFilesImage);
  book.contents().complete();
  EXPECT_EQ(book.contents().entryCount(), 5);
  EXPECT_EQ(documentOrder().size(), 2u);  // the missing-files entries are not linked
}

TEST_F(SitemapTest, MergedFileThatCannotBeReadOrParsedIsShownAndSkipped) {
  files.addBook("/books/bad.chm", "toc.hhc",
                {{"toc.hhc", "<UL>" + item("Good", "g.htm") +
                                 "<LI><OBJECT><param name=\"ImageNumber\" value=\"x\"></OBJECT></UL>"}});
  openMain();
  ChmArchive* main = book.currentArchive();
  parseContents("<UL><LI><OBJECT><param name=\"Name\" value=\"A\"><param name=\"Merge\" value=\"bad.chm::/nofile.hhc\">"
                "</OBJECT><LI><OBJECT><param name=\"Name\" value=\"B\"><param name=\"Merge\" value=\"bad.chm::/toc.hhc\">"
                "</OBJECT>" + item("C") + "</UL>");
  EXPECT_EQ(outline(book.contents().root()), "A\nB\n  Good -> g.htm @/books/bad.chm\nC\n");
  ASSERT_EQ(report.boxes.size(), 2u);
  EXPECT_EQ(report.boxes[0], "PGWK Exception: Can't find entry for file /nofile.hhc\n");
  EXPECT_EQ(report.boxes[1],
            "PGWK Exception: Error while parse TOC file.\nIncorrect param=\"ImageNumber\" value:\nx.");
  EXPECT_EQ(documentOrder(), preorder(book.contents().root()));
  EXPECT_EQ(book.currentArchive(), main);
}

TEST_F(SitemapTest, MergesThatReferToThemselvesEnd) {
  openMain({{"toc.hhc", "<UL>" + item("Loop") +
                            "<OBJECT><param name=\"Merge\" value=\"main.chm::/toc.hhc\"></OBJECT></UL>"},
            {"a.hhc", "<UL><LI><OBJECT><param name=\"Name\" value=\"A\"><param name=\"Merge\" value=\"b.hhc\"></OBJECT></UL>"},
            {"b.hhc", "<UL><LI><OBJECT><param name=\"Name\" value=\"B\"><param name=\"Merge\" value=\"./A.hhc\"></OBJECT></UL>"}});
  parseContents("<UL><LI><OBJECT><param name=\"Name\" value=\"Top\"><param name=\"Merge\" value=\"main.chm::/toc.hhc\">"
                "</OBJECT><LI><OBJECT><param name=\"Name\" value=\"Pair\"><param name=\"Merge\" value=\"a.hhc\"></OBJECT></UL>");
  EXPECT_EQ(outline(book.contents().root()), "Top\n  Loop\nPair\n  A\n    B\n");
  EXPECT_EQ(report.boxes,
            (std::vector<std::string>{"PGWK Exception: Merged contents file includes itself:\nmain.chm::/toc.hhc.",
                                      "PGWK Exception: Merged contents file includes itself:\n./A.hhc."}));
}

TEST_F(SitemapTest, FilesThatAllMergeEachOtherAreParsedABoundedNumberOfTimes) {
  // Ten files, each merging all ten: followed without bounds this would never end.
  std::string mergesAll = "<UL>";
  for (int i = 0; i < 10; ++i)
    mergesAll += "<LI><OBJECT><param name=\"Merge\" value=\"f" + std::to_string(i) + ".hhc\"></OBJECT>";
  mergesAll += "</UL>";
  std::map<std::string, std::string> stored;
  for (int i = 0; i < 10; ++i) stored["f" + std::to_string(i) + ".hhc"] = mergesAll;
  openMain(stored);
  parseContents(mergesAll);
  // Each file is parsed at most kMaxMergesOfOneFile times, each parse adds ten entries.
  EXPECT_LE(countEntries(book.contents().root()), 10 + 10 * SitemapParser::kMaxMergesOfOneFile * 10);
  EXPECT_EQ(documentOrder(), preorder(book.contents().root()));
  ASSERT_FALSE(report.boxes.empty());
  EXPECT_TRUE(std::any_of(report.boxes.begin(), report.boxes.end(), [](const std::string& box) {
    return box.starts_with("PGWK Exception: Too many merged contents files:\n");
  }));
}

TEST_F(SitemapTest, DeepNestingNeedsNoDeepStack) {
  openMain();
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "<UL><LI><OBJECT></OBJECT>";
  parseContents(text);
  EXPECT_EQ(countEntries(book.contents().root()), 100000);
  EXPECT_EQ(documentOrder().size(), 100000u);
  // Tearing the tree down must not recurse either: the Book's destructor does it.
}

// Collections

TEST_F(SitemapTest, CollectionOfGroupsAndBooks) {
  files.addBook("/col/a.chm", "a.hhc", {{"a.hhc", "<UL>" + item("A1", "a1.htm") + item("A2", "a2.htm") + "</UL>"}});
  files.addBook("/col/b.chm", "b.hhc", {{"b.hhc", "<UL>" + item("B1", "b1.htm") + "</UL>"}});
  files.addBook("/col/c.chm", "", {});
  // Books named without a folder resolve against the collection's folder.
  files.addBook("/col/set.col", "", {});
  ChmArchive& set = files.open("/col/set.col");
  parser.parseCollection(
      "<XML>\n<Collection>\n<Folders>\n"
      "<Folder><TitleString value=\"Group\"/><FolderOrder value=\"1\"/>\n"
      "  <Folder><TitleString value=\"=a.chm\"/></Folder>\n"
      "  <Folder><TitleString value=\"Inner\"/></Folder>\n"
      "</Folder>\n"
      "<Folder><TitleString value=\"=B\"/></Folder>\n"
      "<Folder><TitleString value=\"=missing\"/></Folder>\n"
      "<Folder><TitleString value=\"=c\"/></Folder>\n"
      "<TitleString value=\"=a.chm\"/>\n"
      "</Folders>\n<Folders><Folder><TitleString value=\"Second list\"/></Folder></Folders>\n"
      "</Collection>\n</XML>\n",
      book.contents().root());
  EXPECT_EQ(outline(book.contents().root()),
            "Group\n"
            "  A1 -> a1.htm @/col/a.chm\n"
            "  A2 -> a2.htm @/col/a.chm\n"
            "  Inner\n"
            "B1 -> b1.htm @/col/B.chm\n"  // the path as the collection wrote it
            "Second list\n");
  EXPECT_EQ(documentOrder(), preorder(book.contents().root()));
  EXPECT_EQ(book.currentArchive(), &set);
  ASSERT_EQ(book.contents().missingFiles().children.count(), 1);
  EXPECT_EQ(book.contents().nameOf(*book.contents().missingFiles().children.at(0)), "missing.chm.");
  EXPECT_TRUE(report.boxes.empty());
  EXPECT_EQ(progress.total, 2 + 1 + 1 + 1 + 1);  // A1 A2 Inner Group B1 Second list
  EXPECT_EQ(files.opened(), 1 + 3);              // the collection, then a, b and c once each
}

TEST_F(SitemapTest, CollectionOfBooksOnlyPutsTheirEntriesUnderTheRoot) {
  files.addBook("/col/a.chm", "a.hhc", {{"a.hhc", "<UL>" + item("A", "a.htm") + "</UL>"}});
  files.addBook("/col/b.chm", "b.hhc", {{"b.hhc", "<UL>" + item("B", "b.htm") + "</UL>"}});
  files.addBook("/col/set.col", "", {});
  files.open("/col/set.col");
  parser.parseCollection(
      "<Folders><Folder><TitleString value=\"=a\"/><Folder><TitleString value=\"gone with it\"/></Folder></Folder>"
      "<Folder><TitleString value=\"=b.chm\"/></Folder></Folders>",
      book.contents().root());
  EXPECT_EQ(outline(book.contents().root()), "A -> a.htm @/col/a.chm\nB -> b.htm @/col/b.chm\n");
  EXPECT_EQ(documentOrder(), (std::vector<std::string>{"A", "B"}));
}

TEST_F(SitemapTest, CollectionBookWhoseContentsFailIsShown) {
  files.addBook("/col/a.chm", "a.hhc", {});
  files.addBook("/col/set.col", "", {});
  files.open("/col/set.col");
  parser.parseCollection("<Folders><Folder><TitleString value=\"=a\"/></Folder></Folders>", book.contents().root());
  EXPECT_EQ(outline(book.contents().root()), "");
  EXPECT_EQ(report.boxes, std::vector<std::string>{"PGWK Exception: Can't find entry for file a.hhc\n"});
}

// Keyword index

std::string keywordItem(const std::vector<std::pair<std::string, std::string>>& params) {
  std::string text = "<LI> <OBJECT type=\"text/sitemap\">";
  for (const auto& [name, value] : params) text += "<param name=\"" + name + "\" value=\"" + value + "\">";
  return text + "</OBJECT>\n";
}

// "keyword: (title, location) ..." per entry, sub-keywords indented.
std::string listing(const SitemapIndex& index, const KeywordEntry& parent, int depth = 0) {
  std::string out;
  for (int i = 0; i < parent.subKeywords.count(); ++i) {
    const KeywordEntry& e = *parent.subKeywords.at(i);
    out += std::string(2 * depth, ' ') + std::string(index.keywordOf(e)) + ":";
    for (int t = 0; t < e.topics.count(); ++t) {
      const KeywordTopic& topic = *e.topics.at(t);
      out += " (" + (topic.title == StringPool::kNone ? "-" : std::string(index.titleOf(topic))) + ", " +
             (topic.location == StringPool::kNone ? "-" : std::string(index.locationOf(topic))) + ")";
    }
    out += "\n" + listing(index, e, depth + 1);
  }
  return out;
}

class KeywordIndexTest : public SitemapTest {
 protected:
  std::string listing() const { return pgwk::listing(book.keywordIndex(), book.keywordIndex().root()); }
};

struct KeywordCase {
  const char* what;
  std::vector<std::pair<std::string, std::string>> params;
  std::string listing;
};

TEST_F(KeywordIndexTest, TitleAndLocationPairing) {
  const KeywordCase cases[] = {
      {"Name, Local", {{"Name", "k"}, {"Local", "l"}}, "k: (-, l)\n"},
      {"Name k, Name t1, Local l1, Name t2, Local l2",
       {{"Name", "k"}, {"Name", "t1"}, {"Local", "l1"}, {"Name", "t2"}, {"Local", "l2"}},
       "k: (t1, l1) (t2, l2)\n"},
      {"Local, Name", {{"Local", "l"}, {"Name", "n"}}, "n: (-, l)\n"},
      {"Keyword, Name, Local", {{"Keyword", "k"}, {"Name", "t"}, {"Local", "l"}}, "k: (-, l)\n"},
      {"Name, Local, Local", {{"Name", "k"}, {"Local", "l1"}, {"Local", "l2"}}, "k: (-, l1) (-, l2)\n"},
      {"Name, Local, Name", {{"Name", "k"}, {"Local", "l1"}, {"Name", "t1"}}, "k: (-, l1)\n"},
      {"Local, Local, Name: the title goes to the pending topic",
       {{"Local", "l1"}, {"Local", "l2"}, {"Name", "t"}}, ": (-, l1) (t, l2)\n"},
      {"Local, Name, Local, Name", {{"Local", "l1"}, {"Name", "t1"}, {"Local", "l2"}, {"Name", "t2"}},
       "t1: (t1, l1) (t2, l2)\n"},
      {"Name only", {{"Name", "k"}}, "k:\n"},
      {"locations are kept as written", {{"Name", "k"}, {"Local", "./A/../B.htm"}}, "k: (-, ./A/../B.htm)\n"},
      {"other parameters are ignored", {{"Name", "k"}, {"See Also", "x"}, {"URL", "u"}}, "k:\n"},
  };
  for (const KeywordCase& c : cases) {
    Book fresh;
    FakeBookFiles freshFiles(fresh);
    SitemapParser freshParser(fresh, freshFiles);
    freshParser.parseKeywordIndex("<UL>" + keywordItem(c.params) + "</UL>");
    EXPECT_EQ(pgwk::listing(fresh.keywordIndex(), fresh.keywordIndex().root()), c.listing) << c.what;
  }
}

TEST_F(KeywordIndexTest, DroppedTitleGivesItsSpaceBack) {
  parser.parseKeywordIndex("<UL>" + keywordItem({{"Keyword", "k"}, {"Name", "title"}, {"Local", "l"}}) + "</UL>");
  EXPECT_EQ(book.keywordIndex().titles().length(), 0u);
  EXPECT_EQ(progress.total, 1);
}

TEST_F(KeywordIndexTest, ThirdTitleBeforeItsLocationIsAnError) {
  openMain();
  try {
    parser.parseKeywordIndex("<UL>" + keywordItem({{"Name", "fine"}, {"Local", "f"}}) +
                             keywordItem({{"Name", "k"}, {"Name", "t1"}, {"Name", "t2"}}) + "</UL>");
    FAIL() << "no error";
  } catch (const ReaderError& e) {
    EXPECT_EQ(e.message(),
              "Error while parse Index file.\nIndex <li> tag has 2 one after the other \"Name\" params:\n"
              "param name=\"Name\" value=\"t2\".");
  }
  EXPECT_EQ(listing(), "fine: (-, f)\n");
}

TEST_F(KeywordIndexTest, SortsTopLevelKeywordsOnly) {
  openMain();
  parser.parseKeywordIndex("<UL>" + keywordItem({{"Name", "_Intro"}}) + keywordItem({{"Name", "apple"}}) +
                           "<UL>" + keywordItem({{"Name", "zeta"}}) + keywordItem({{"Name", "Alpha"}}) + "</UL>" +
                           keywordItem({{"Name", "Banana"}}) + "</UL>");
  EXPECT_EQ(listing(), "apple:\n  zeta:\n  Alpha:\nBanana:\n_Intro:\n");
  EXPECT_EQ(book.keywordIndex().root().subKeywords.at(0)->chmFile, files.archiveOf("/books/main.chm"));

  // A second file joins the same root; equal keywords of different files stay apart.
  files.addBook("/books/second.chm", "", {});
  files.open("/books/second.chm");
  parser.parseKeywordIndex("<UL>" + keywordItem({{"Name", "Apple"}, {"Local", "s.htm"}}) +
                           keywordItem({{"Name", "__aardvark"}}) + "</UL>");
  EXPECT_EQ(listing(),
            "__aardvark:\napple:\n  zeta:\n  Alpha:\nApple: (-, s.htm)\nBanana:\n_Intro:\n");
}

TEST_F(KeywordIndexTest, ListBeforeAnyItemIsNoListOfItsOwn) {
  parser.parseKeywordIndex("<UL><UL>" + keywordItem({{"Name", "a"}}) + "</UL>" + keywordItem({{"Name", "b"}}) +
                           "</UL>");
  // The inner /UL ended the list: b is outside any list and not read.
  EXPECT_EQ(listing(), "a:\n");
}

TEST(CompareKeywords, SkipsUnderscoresAndIgnoresCase) {
  EXPECT_LT(compareKeywords("apple", "Banana"), 0);
  EXPECT_LT(compareKeywords("Banana", "_Intro"), 0);
  EXPECT_EQ(compareKeywords("__x", "X"), 0);
  EXPECT_LT(compareKeywords("ab", "abc"), 0);
  EXPECT_LT(compareKeywords("\xe9t\xe9", "a"), 0);  // bytes compare as signed
  EXPECT_EQ(compareKeywords("___", ""), 0);
}

// Finding the entry of a page

TEST_F(SitemapTest, FindEntry) {
  files.addBook("/books/other.chm", "o.hhc", {{"o.hhc", "<UL>" + item("O page", "page.htm") + "</UL>"}});
  openMain();
  ChmArchive* main = book.currentArchive();
  parseContents("<UL>" + item("Group") + "<UL>" + item("Page", "Html/Page.htm") + item("Part", "part.htm#two") +
                "</UL><LI><OBJECT><param name=\"Name\" value=\"O\"><param name=\"Merge\" value=\"other.chm::/o.hhc\">"
                "</OBJECT></UL>");
  TocEntry& root = book.contents().root();
  auto nameFound = [&](std::string_view reference) {
    TocEntry* e = findContentsEntry(book, files, root, reference);
    EXPECT_EQ(book.currentArchive(), main) << reference;
    return e ? std::string(book.contents().nameOf(*e)) : std::string("none");
  };
  EXPECT_EQ(nameFound("html/page.htm"), "Page");
  EXPECT_EQ(nameFound("HTML/PAGE.HTM#part"), "Page");
  EXPECT_EQ(nameFound("part.htm#two"), "Part");
  EXPECT_EQ(nameFound("part.htm#one"), "Part");  // both fragments cut
  EXPECT_EQ(nameFound("part.htm"), "none");       // the entry's fragment counts when the reference has none
  EXPECT_EQ(nameFound("page.htm"), "none");       // in main.chm there is none
  EXPECT_EQ(nameFound("other.chm::/page.htm"), "O page");
  EXPECT_EQ(nameFound("/books/OTHER.CHM::page.htm#x"), "O page");
  EXPECT_EQ(nameFound("Group"), "none");  // groups have no location
}

}  // namespace
}  // namespace pgwk
