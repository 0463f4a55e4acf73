// Local paths below the temporary folder and the creation of local files.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "content/frames_page.h"
#include "content/local_file.h"
#include "foundation/reader_error.h"

namespace pgwk {
namespace {

namespace fs = std::filesystem;

class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "pgwk-pages-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
    path_ += "/";
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    fs::remove_all(fs::path(path_).parent_path(), ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string contentOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(LocalPath, IsFolderThenArchiveNumberThenStoredName) {
  EXPECT_EQ(localPathOf("/tmp/t/", 0, "/html/intro.htm"), "/tmp/t/0/html/intro.htm");
  EXPECT_EQ(localPathOf("/tmp/t/", 12, "/a\\b.gif"), "/tmp/t/12/a/b.gif");
}

TEST(LocalPath, NeverLeavesTheTemporaryFolder) {
  const struct {
    const char* path;
    const char* below;  // empty: refused
  } cases[] = {
      {"/t/0/a/p.htm", "0/a/p.htm"},
      {"/t/0/a/../pic/x.gif", "0/pic/x.gif"},
      {"/t/0/./a//b.gif", "0/a/b.gif"},
      {"/t/0/../1/x.gif", "1/x.gif"},
      {"/t/0/../../etc/passwd", ""},
      {"/t/0/a/../../../x", ""},
      {"/t/0\\..\\..\\x", ""},
      {"/other/0/x", ""},
      {"/t/", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(pathBelowFolder("/t/", c.path), c.below) << c.path;
  EXPECT_EQ(pathBelowFolder("/t/", std::string("/t/0/a\0/../../../x", 18)), "");
}

TEST(LocalFile, CreatesTheFoldersOnTheWayAndReplacesAnOldFile) {
  TemporaryFolder temp;
  std::string local = localPathOf(temp.path(), 0, "/a/b/c.htm");
  {
    LocalFile file = LocalFile::create(temp.path(), local, 1252);
    file.writeOrRaise("first version, longer");
  }
  {
    LocalFile file = LocalFile::create(temp.path(), local, 1252);
    file.writeOrRaise("second");
  }
  EXPECT_EQ(contentOf(temp.path() + "0/a/b/c.htm"), "second");
}

TEST(LocalFile, ConvertsStoredNamesFromTheBookCodePage) {
  TemporaryFolder temp;
  std::string local = localPathOf(temp.path(), 1, "/caf\xE9.htm");
  LocalFile file = LocalFile::create(temp.path(), local, 1252);
  file.writeOrRaise("x");
  EXPECT_EQ(file.diskPath(), temp.path() + "1/caf\xC3\xA9.htm");
  EXPECT_TRUE(fs::exists(file.diskPath()));
}

TEST(LocalFile, RefusesToClimbOutAndNamesTheFileItCouldNotCreate) {
  TemporaryFolder temp;
  std::string local = localPathOf(temp.path(), 0, "/../../escaped.htm");
  try {
    LocalFile::create(temp.path(), local, 1252);
    FAIL();
  } catch (const ReaderError& e) {
    EXPECT_EQ(e.message(), "Can't create file:\n" + local + ".");
  }
  EXPECT_FALSE(fs::exists(fs::path(temp.path()).parent_path().parent_path() / "escaped.htm"));
}

TEST(LocalFile, AFileInTheWayOfAFolderCannotBeCreated) {
  TemporaryFolder temp;
  LocalFile::create(temp.path(), localPathOf(temp.path(), 0, "/a"), 1252).writeOrRaise("file");
  std::string local = localPathOf(temp.path(), 0, "/a/b.gif");
  EXPECT_THROW(LocalFile::create(temp.path(), local, 1252), ReaderError);
}

TEST(LocalFile, AFolderThatCannotBeMadeIsReported) {
  TemporaryFolder temp;
  std::string longName(300, 'a');  // beyond what one folder name may be
  try {
    LocalFile::create(temp.path(), localPathOf(temp.path(), 0, "/" + longName + "/x.gif"), 1252);
    FAIL();
  } catch (const ReaderError& e) {
    std::string expected = "Can't create directory:\n" + temp.path() + "0/" + longName + ".";
    EXPECT_EQ(e.message(), expected.substr(0, ReaderError::kMaxMessage));
  }
}

TEST(FramesPage, ListsEachFrameWithItsTitleWhenItHasOneAndItsSize) {
  std::string page = framesPageText({{"/html/nav.htm", "Navigation", 1234}, {"/html/body.htm", std::nullopt, 7}});
  const std::string expected =
      "<html><head><title>FAQ</title><meta http-equiv=\"content-type\" content=\"text/html; charset=iso-8859-1\"></head>\n"
      "<body bgcolor=\"#EDF3FD\" alink=\"#ff0000\" bottommargin=\"100\" leftmargin=\"5\" marginheight=\"10\" "
      "marginwidth=\"10\" link=\"#000080\" vlink=\"#800000\" rightmargin=\"10\" topmargin=\"5\">\n"
      "<font size=\"2\" face=\"tahoma,verdana,arial\">\n"
      "<table width=\"100%\" cellspacing=\"1\" cellpadding=\"4\" bgcolor=\"#214D7A\">\n"
      " <tr>\n"
      "   <td bgcolor=\"#9ECAF7\" valign=\"top\">\n"
      "   <table width=\"100%\" border=\"0\" cellspacing=\"4\" cellpadding=\"0\">\n"
      "    <tr><td nowrap align=\"center\"><font size=\"2\" color=\"#214D7A\"><b>"
      "Pagewick MultiFrame switch"
      "</b></font></td></tr>\n\t</table>\n  </td>\n </tr>\n</table>\n\n<p>"
      "This page contains a number of frames.<br>Please select frame You want to display:"
      "\n<hr>\n<ul>\n"
      "<li>Topic: <a href=\"/html/nav.htm\">/html/nav.htm</a>\n<br>Title: Navigation<br>Size: 1234"
      "<li>Topic: <a href=\"/html/body.htm\">/html/body.htm</a>\n<br>Size: 7"
      "\n</ul>\n<hr>\n</font></body></html>";
  EXPECT_EQ(page, expected);
}

}  // namespace
}  // namespace pgwk
