// pgwktool store: the command line around export and import.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "persistence/installation_keys.h"
#include "persistence_fixture.h"
#include "platform/store/store_text.h"

namespace pgwk {
namespace {

using test::StoreTest;

#ifdef PGWK_TOOL

std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class StoreCommandTest : public StoreTest {
 protected:
  // Runs pgwktool with the test's XDG_CONFIG_HOME; returns its exit status.
  int run(const std::string& args) {
    std::string command = std::string("'") + PGWK_TOOL + "' " + args + " 2>" + (files_.path() / "err").string();
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string err() { return readFile(files_.path() / "err"); }
  std::filesystem::path file(const std::string& name) { return files_.path() / name; }
  test::TempFolder files_;
};

TEST_F(StoreCommandTest, ExportThenImportGivesTheSameStore) {
  seed();
  setText(u"Software\\Velmora\\Pagewick for Pocket PC\\Files List", u"1", u"/books/ü.chm::Title");
  std::string expected = exportStoreText(store());
  ASSERT_EQ(run("store export " + file("a.txt").string()), 0) << err();
  EXPECT_EQ(readFile(file("a.txt")), expected);
  ASSERT_EQ(run("store import " + file("a.txt").string()), 0) << err();
  ASSERT_EQ(run("store export > " + file("b.txt").string()), 0) << err();
  EXPECT_EQ(readFile(file("b.txt")), expected);
  ASSERT_EQ(run("store path > " + file("path.txt").string()), 0);
  EXPECT_EQ(readFile(file("path.txt")), storePath().string() + "\n");
}

TEST_F(StoreCommandTest, MistakesFailWithAMessage) {
  std::ofstream(file("bad.txt")) << "Pagewick Store Version 1\n[HKCU\\A]\n\"x\"=dword:zz\n";
  EXPECT_EQ(run("store import " + file("bad.txt").string()), 1);
  EXPECT_NE(err().find("line 3: dword: needs"), std::string::npos) << err();
  EXPECT_EQ(run("store import " + file("missing.txt").string()), 1);
  EXPECT_EQ(run("store import"), 2);
  EXPECT_EQ(run("store frobnicate"), 2);
  EXPECT_EQ(run("store export a b"), 2);
}

TEST_F(StoreCommandTest, ADamagedStoreIsNeitherExportedNorReplaced) {
  store_.reset();
  std::filesystem::remove(storePath());
  std::ofstream(storePath()) << "damaged";
  std::ofstream(file("good.txt")) << "Pagewick Store Version 1\n[HKCU\\A]\n";
  EXPECT_EQ(run("store export"), 1);
  EXPECT_EQ(run("store import " + file("good.txt").string()), 1);
  EXPECT_NE(err().find("cannot be used"), std::string::npos) << err();
  EXPECT_EQ(readFile(storePath()), "damaged");
}

#endif

}  // namespace
}  // namespace pgwk
