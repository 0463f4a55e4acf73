// Page preparation on the fixture books: what is extracted, where it is written,
// which references are rewritten, the options, frames and failures.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "content/page_preparer.h"
#include "document/book.h"
#include "document_support.h"
#include "support/corpus.h"

namespace pgwk {
namespace {

namespace fs = std::filesystem;
using test::fileText;

class RecordingReport : public ErrorReport {
 public:
  std::vector<std::pair<std::string, std::string>> shown;
  void showMessage(std::string_view caption, std::string_view text) override { shown.emplace_back(caption, text); }
};

// pages.chm and other.chm side by side, so that "other.chm::" references resolve,
// and an empty temporary folder.
class PreparerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::path pages = test::fixtureBook("pages");
    fs::path other = test::fixtureBook("other");
    PGWK_REQUIRE_FIXTURE(pages);
    PGWK_REQUIRE_FIXTURE(other);
    fs::create_directories(scratch / "books");
    fs::copy_file(pages, scratch / "books" / "pages.chm");
    fs::copy_file(other, scratch / "books" / "other.chm");
    fs::create_directories(scratch / "tmp");
    temp = (scratch / "tmp").string() + "/";
    book = test::openBook(scratch / "books" / "pages.chm");
    book->setErrorReport(&report);
    preparer = std::make_unique<PagePreparer>(*book, temp);
  }

  bool written(const std::string& below) const { return fs::exists(temp + below); }
  std::string textOf(const std::string& below) const { return fileText(temp + below); }
  void prepare(std::string_view location, const PageOptions& options = {}) {
    preparer->preparePage(location, options);
  }

  test::ScratchFolder scratch;
  std::string temp;
  RecordingReport report;
  std::unique_ptr<Book> book;
  std::unique_ptr<PagePreparer> preparer;
};

TEST_F(PreparerTest, ExtractsWhatThePageNeedsAndRewritesAbsoluteAndOtherBookReferences) {
  ChmArchive* before = book->currentArchive();
  prepare("html/pictures.htm");
  EXPECT_EQ(preparer->localFile(), "file://" + temp + "0/html/pictures.htm");
  EXPECT_EQ(preparer->localFileUrl(), preparer->localFile());
  EXPECT_EQ(book->currentArchive(), before);

  for (const char* file : {"0/html/pictures.htm", "0/html/pic/rel.gif", "0/images/abs.gif", "1/images/other.gif",
                           "1/s.css", "0/css/style.css", "0/css/img/bg.png", "0/html/pic/bullet.png",
                           "0/scripts/app.js", "0/images/comment.gif"})
    EXPECT_TRUE(written(file)) << file;
  // Links are followed only when the user taps them.
  for (const char* file : {"0/html/page2.htm", "0/images/unused.gif", "0/html/a.gif"})
    EXPECT_FALSE(written(file)) << file;

  std::string page = textOf("0/html/pictures.htm");
  EXPECT_NE(page.find("src=\"pic/rel.gif\""), std::string::npos) << "relative references stay";
  EXPECT_NE(page.find("src=\"" + temp + "0/images/abs.gif\""), std::string::npos);
  EXPECT_NE(page.find("src='" + temp + "1/images/other.gif'"), std::string::npos);
  EXPECT_NE(page.find("href=\"" + temp + "1/s.css\""), std::string::npos);
  EXPECT_NE(page.find("src=\"http://example.com/web.gif\""), std::string::npos);
  EXPECT_NE(page.find("src=\"pic/missing.gif\""), std::string::npos);
  EXPECT_NE(page.find("src=\"nowhere.chm::/x.gif\""), std::string::npos);
  EXPECT_NE(page.find("href=\"page2.htm\""), std::string::npos);
  EXPECT_NE(page.find("href=\"other.chm\""), std::string::npos);
  // The anchor's lookup, without its fragment, names the folder /html/: no file.
  EXPECT_NE(page.find("href=\"#anchor.gif\""), std::string::npos);
  EXPECT_NE(page.find("src=\"" + temp + "0/scripts/app.js\""), std::string::npos);

  // Style sheets and scripts are scanned too; pictures never are.
  EXPECT_NE(textOf("0/css/style.css").find("url(img/bg.png)"), std::string::npos);
  EXPECT_EQ(textOf("0/scripts/app.js"), "var logo = \"" + temp + "0/images/abs.gif\";\n");

  // The merged file that is not there is reported once and left as written.
  ASSERT_EQ(report.shown.size(), 1u);
  EXPECT_EQ(report.shown[0].first, "Merged file open error");

  const PtrArray<PreparedFile>& files = preparer->preparedFiles();
  ASSERT_GT(files.count(), 0);
  EXPECT_EQ(files.at(0)->entry->name, "/html/pictures.htm");
  EXPECT_TRUE(files.at(0)->scan);
  for (int i = 0; i < files.count(); ++i)
    for (int j = i + 1; j < files.count(); ++j)
      EXPECT_FALSE(files.at(i)->entry == files.at(j)->entry && files.at(i)->chmFile == files.at(j)->chmFile)
          << "a file is listed once";
}

TEST_F(PreparerTest, OptionsLeaveOutPicturesStyleSheetsScriptsAndMergedFileMessages) {
  PageOptions options;
  options.showImages = false;
  options.disableCss = true;
  options.enableScript = false;
  options.showMergedFileErrors = false;
  prepare("html/pictures.htm", options);
  EXPECT_TRUE(written("0/html/pictures.htm"));
  EXPECT_FALSE(written("1/images"));
  for (const char* file : {"0/html/pic/rel.gif", "0/images/abs.gif", "0/css/style.css", "1/s.css",
                           "0/scripts/app.js", "0/images/comment.gif"})
    EXPECT_FALSE(written(file)) << file;
  std::string page = textOf("0/html/pictures.htm");
  // Every picture tag is gone but the one in a comment.
  EXPECT_EQ(page.find("<img"), page.find("<!-- <img src=\"/images/comment.gif\"> -->") + 5);
  EXPECT_EQ(page.find("<img", page.find("<img") + 1), std::string::npos);
  EXPECT_NE(page.find("<!-- no images !-->"), std::string::npos);
  EXPECT_TRUE(report.shown.empty());
}

TEST_F(PreparerTest, FragmentFollowsTheLocalFile) {
  prepare("html/pictures.htm#sec2");
  EXPECT_EQ(preparer->localFile(), "file://" + temp + "0/html/pictures.htm#sec2");
  EXPECT_EQ(preparer->localFileUrl(), preparer->localFile());
}

TEST_F(PreparerTest, ALocationNotInTheBookPreparesNothingAndKeepsTheLocalFile) {
  prepare("html/page2.htm");
  std::string previous = preparer->localFile();
  fs::remove_all(temp + "0");
  prepare("html/none.htm");
  EXPECT_EQ(preparer->localFile(), previous);
  EXPECT_EQ(preparer->preparedFiles().count(), 0);
  EXPECT_FALSE(written("0"));
}

TEST_F(PreparerTest, AFramesetBecomesAListOfItsFrames) {
  prepare("/html/frames.htm");
  std::string page = textOf("0/html/frames.htm");
  EXPECT_NE(page.find("Pagewick MultiFrame switch"), std::string::npos);
  EXPECT_NE(page.find("<li>Topic: <a href=\"/html/nav.htm\">/html/nav.htm</a>\n<br>Title: Navigation frame<br>Size: " +
                      std::to_string(book->findEntry("/html/nav.htm")->length)),
            std::string::npos);
  EXPECT_NE(page.find("<li>Topic: <a href=\"/html/body.htm\">/html/body.htm</a>\n<br>Title: Body frame<br>Size: " +
                      std::to_string(book->findEntry("/html/body.htm")->length)),
            std::string::npos);
  // The frame pages themselves and what they need are not written.
  EXPECT_FALSE(written("0/html/nav.htm"));
  EXPECT_FALSE(written("0/html/body.htm"));
  EXPECT_FALSE(written("0/html/a.gif"));
  int frames = 0;
  for (int i = 0; i < preparer->preparedFiles().count(); ++i) frames += preparer->preparedFiles().at(i)->frame;
  EXPECT_EQ(frames, 2);
}

TEST_F(PreparerTest, APageOfAnotherBookIsWrittenUnderItsNumber) {
  ChmArchive* before = book->currentArchive();
  prepare("other.chm::/page.htm#top");
  EXPECT_EQ(preparer->localFile(), "file://" + temp + "1/page.htm#top");
  EXPECT_TRUE(written("1/page.htm"));
  EXPECT_EQ(book->currentArchive(), before);
}

TEST_F(PreparerTest, DecorationsAndHighlightingReachTheWrittenPage) {
  PageOptions options;
  options.highlightWhilePreparing = true;
  options.highlightText = "foo";
  options.wholeWords = true;
  prepare("html/decorations.htm", options);
  std::string page = textOf("0/html/decorations.htm");
  EXPECT_NE(page.find("<!-- no xml !--><x>1</x><!-- no xml !-->"), std::string::npos);
  EXPECT_NE(page.find("<iframe src=\"nav.htm\">"), std::string::npos);
  std::size_t anchors = 0;
  for (std::size_t at = page.find("<a name=\"chmv_search\"></a>"); at != std::string::npos;
       at = page.find("<a name=\"chmv_search\"></a>", at + 1))
    ++anchors;
  EXPECT_EQ(anchors, 2u) << "Foo and FOO; not food or afoo";
  EXPECT_TRUE(written("0/html/a.gif"));

  options.wholeWords = false;
  options.showImages = false;
  fs::remove_all(temp + "0");
  prepare("html/decorations.htm", options);
  page = textOf("0/html/decorations.htm");
  anchors = 0;
  for (std::size_t at = page.find("chmv_search"); at != std::string::npos; at = page.find("chmv_search", at + 1))
    ++anchors;
  EXPECT_EQ(anchors, 4u);
  EXPECT_EQ(page.find("<IMG"), std::string::npos);
  EXPECT_NE(page.find("<!-- <img src=\"a.gif\"> stays -->"), std::string::npos);
  EXPECT_FALSE(written("0/html/a.gif"));
}

TEST_F(PreparerTest, AFileThatCannotBeCreatedIsAnError) {
  // A file where the page's folder should be.
  fs::create_directories(temp + "0");
  { std::ofstream(temp + "0/html") << "in the way"; }
  EXPECT_EQ(test::errorOf([&] { prepare("html/pictures.htm"); }),
            "Can't create file:\n" + temp + "0/html/pictures.htm.");
}

TEST(PreparerTool, PrintsTheLocalFileAndTakesTheOptions) {
  fs::path pages = test::fixtureBook("pages");
  PGWK_REQUIRE_FIXTURE(pages);
  test::ScratchFolder scratch;
  std::string out, err;
  std::string dir = (scratch / "t").string();
  EXPECT_EQ(test::runTool("prepare " + test::shellQuoted(pages.string()) + " html/pictures.htm#x " +
                              test::shellQuoted(dir) + " --no-images --highlight Picture",
                          &out, &err),
            1) << "the missing merged files are reported";
  EXPECT_EQ(out, "file://" + dir + "/0/html/pictures.htm#x\n");
  EXPECT_NE(err.find("Merged file open error: "), std::string::npos) << err;
  EXPECT_FALSE(fs::exists(dir + "/0/html/pic/rel.gif"));
  EXPECT_NE(fileText(dir + "/0/html/pictures.htm").find("chmv_search"), std::string::npos);

  EXPECT_EQ(test::runTool("prepare " + test::shellQuoted(pages.string()) + " html/none.htm " + test::shellQuoted(dir),
                          &out, &err),
            1);
  EXPECT_EQ(err, "pgwktool: html/none.htm is not in the book\n");
  EXPECT_EQ(test::runTool("prepare " + test::shellQuoted(pages.string()) + " html/none.htm", &out, &err), 2);
}

}  // namespace
}  // namespace pgwk
