#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>

#include "persistence/installation_keys.h"
#include "persistence/shell_integration.h"
#include "persistence/store_keys.h"
#include "persistence_fixture.h"
#include "platform/store/utf16_text.h"

namespace pgwk {
namespace {

using test::StoreTest;

class ShellIntegrationTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    seed();
  }

 public:
  void setClass(std::u16string_view key, std::u16string_view name, std::u16string_view value) {
    auto k = store().createKey(StoreRoot::ClassRoot, key);
    ASSERT_TRUE(k && k->setString(name, value));
  }
  std::optional<std::u16string> classText(std::u16string_view key, std::u16string_view name) {
    auto k = store().openKey(StoreRoot::ClassRoot, key);
    return k ? k->queryString(name, 1000) : std::nullopt;
  }
};

TEST_F(ShellIntegrationTest, TheInstallationAssociatesBothExtensions) {
  EXPECT_EQ(classText(u".chm", u""), u"chmfile");
  EXPECT_EQ(classText(u".col", u""), u"chmfile");
  EXPECT_EQ(classText(u"chmfile\\Shell\\Open\\Command", u""), u"\"/opt/pagewick/pgwk\" file:%1");
  EXPECT_EQ(associationCommand(u"/usr/lib/pagewick/"), u"\"/usr/lib/pagewick/pgwk\" file:%1");
  EXPECT_TRUE(associationState(store()));
}

TEST_F(ShellIntegrationTest, AssociationStateNeedsTheClassAndTheReadersCommand) {
  struct Case {
    const char* what;
    std::function<void(ShellIntegrationTest&)> change;
    bool state;
  } cases[] = {
      {"installed", [](ShellIntegrationTest&) {}, true},
      {"class with other letter case", [](ShellIntegrationTest& t) { t.setClass(u".chm", u"", u"ChmFile"); }, false},
      {"no .chm key", [](ShellIntegrationTest& t) { t.store().deleteKey(StoreRoot::ClassRoot, u".chm"); }, false},
      {"another program",
       [](ShellIntegrationTest& t) {
         t.setClass(u"chmfile\\Shell\\Open\\Command", u"", u"\"/usr/bin/otherviewer\" file:%1");
       },
       false},
      {"the reader without file:",
       [](ShellIntegrationTest& t) { t.setClass(u"chmfile\\Shell\\Open\\Command", u"", u"\"/opt/pagewick/pgwk\" %1"); },
       false},
      {"no command",
       [](ShellIntegrationTest& t) { t.store().deleteKey(StoreRoot::ClassRoot, u"chmfile\\Shell"); }, false},
      {".col is not examined", [](ShellIntegrationTest& t) { t.setClass(u".col", u"", u""); }, true},
  };
  for (const Case& c : cases) {
    store().clearAll();
    seed();
    c.change(*this);
    EXPECT_EQ(associationState(store()), c.state) << c.what;
  }
}

TEST_F(ShellIntegrationTest, SwitchingTheAssociationOffKeepsTheClass) {
  ASSERT_TRUE(writeAssociation(store(), false));
  EXPECT_EQ(classText(u".chm", u""), u"");
  EXPECT_EQ(classText(u".col", u""), u"");
  EXPECT_FALSE(associationState(store()));
  EXPECT_TRUE(classText(u"chmfile\\Shell\\Open\\Command", u""));
  ASSERT_TRUE(writeAssociation(store(), true));
  EXPECT_EQ(classText(u".col", u""), u"chmfile");
  EXPECT_TRUE(associationState(store()));
}

TEST_F(ShellIntegrationTest, WritingTheAssociationNeverCreatesItsKeys) {
  ASSERT_TRUE(store().deleteKey(StoreRoot::ClassRoot, u".col"));
  EXPECT_FALSE(writeAssociation(store(), true));
  EXPECT_FALSE(store().openKey(StoreRoot::ClassRoot, u".col"));
  EXPECT_EQ(classText(u".chm", u""), u"chmfile");
}

TEST_F(ShellIntegrationTest, HelpPathComesFromTheClass) {
  EXPECT_EQ(helpPath(store()), u"/opt/pagewick/pagewick.chm");
  EXPECT_EQ(helpPath(store(), 10), std::nullopt);  // does not fit the caller's buffer
  ASSERT_TRUE(store().openKey(StoreRoot::ClassRoot, u"chmfile")->deleteValue(u"HelpPath"));
  EXPECT_EQ(helpPath(store()), std::nullopt);
}

class FakeServices : public InstanceServices {
 public:
  std::vector<std::uint32_t> running;
  std::vector<std::uint32_t> iconsRemoved;
  std::vector<std::u16string> foldersRemoved;
  bool instanceRunning(std::uint32_t h) override {
    return std::find(running.begin(), running.end(), h) != running.end();
  }
  void removeTrayIcon(std::uint32_t h) override { iconsRemoved.push_back(h); }
  void removeFolder(const std::u16string& f) override { foldersRemoved.push_back(f); }
};

const InstanceIdentity kSelf{100, u"/tmp/tempchmv/"};

TEST_F(ShellIntegrationTest, RecordingCleansUpOnlyAfterAnInstanceThatIsGone) {
  struct Case {
    const char* what;
    std::optional<std::uint32_t> handle;  // none: "HWND" missing
    std::optional<std::u16string> folder;
    std::vector<std::uint32_t> running;
    bool recorded;
    std::vector<std::uint32_t> icons;
    std::vector<std::u16string> folders;
  } cases[] = {
      {"no HWND value", std::nullopt, u"", {}, false, {}, {}},
      {"previous ended normally", 0u, u"", {}, true, {}, {}},
      {"the record is ours", 100u, u"/tmp/tempchmv_/", {}, true, {}, {}},
      {"previous still running", 7u, u"/tmp/tempchmv_/", {7}, true, {}, {}},
      {"previous gone", 7u, u"/tmp/tempchmv_/", {}, true, {7}, {u"/tmp/tempchmv_"}},
      {"gone, same folder as ours", 7u, u"/TMP/TempChmV/", {}, true, {7}, {}},
      {"gone, no folder", 7u, std::nullopt, {}, true, {7}, {}},
      {"gone, not a reader's folder", 7u, u"/home/user/", {}, true, {7}, {}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(store().deleteKey(StoreRoot::CurrentUser, kPrevInstanceKey));
    ASSERT_TRUE(store().createKey(StoreRoot::CurrentUser, kPrevInstanceKey));
    if (c.handle) setNumber(kPrevInstanceKey, u"HWND", *c.handle);
    if (c.folder) setText(kPrevInstanceKey, u"WorkDirectory", *c.folder);
    FakeServices services;
    services.running = c.running;
    EXPECT_EQ(InstanceRecord(store(), services).recordThisInstance(kSelf), c.recorded) << c.what;
    EXPECT_EQ(services.iconsRemoved, c.icons) << c.what;
    EXPECT_EQ(services.foldersRemoved, c.folders) << c.what;
    if (c.recorded) {
      EXPECT_EQ(number(kPrevInstanceKey, u"HWND"), 100u) << c.what;
      EXPECT_EQ(text(kPrevInstanceKey, u"WorkDirectory"), u"/tmp/tempchmv/") << c.what;
    } else {
      EXPECT_EQ(number(kPrevInstanceKey, u"HWND"), std::nullopt) << c.what;
    }
  }
}

TEST_F(ShellIntegrationTest, ClearingLeavesARecordOfAnotherInstance) {
  FakeServices services;
  InstanceRecord second(store(), services);
  ASSERT_TRUE(second.recordThisInstance({2, u"/tmp/tempchmv/"}));
  services.running = {2};
  ASSERT_TRUE(InstanceRecord(store(), services).recordThisInstance({3, u"/tmp/tempchmv_/"}));
  // The second instance ends: the third one's record stays.
  EXPECT_FALSE(second.clearRecord({2, u"/tmp/tempchmv/"}));
  EXPECT_EQ(number(kPrevInstanceKey, u"HWND"), 3u);
  // The third ends normally.
  ASSERT_TRUE(InstanceRecord(store(), services).clearRecord({3, u"/tmp/tempchmv_/"}));
  EXPECT_EQ(number(kPrevInstanceKey, u"HWND"), 0u);
  auto folder = store().openKey(StoreRoot::CurrentUser, kPrevInstanceKey)->queryValue(u"WorkDirectory");
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder->type, kStoreString);
  EXPECT_EQ(folder->data, std::vector<std::uint8_t>(4, 0));
  EXPECT_TRUE(services.iconsRemoved.empty());
}

TEST_F(ShellIntegrationTest, WithoutThePrevKeyNothingIsRecordedOrCleared) {
  ASSERT_TRUE(store().deleteKey(StoreRoot::CurrentUser, kPrevInstanceKey));
  FakeServices services;
  InstanceRecord record(store(), services);
  EXPECT_FALSE(record.recordThisInstance(kSelf));
  EXPECT_FALSE(record.clearRecord(kSelf));
  EXPECT_FALSE(store().openKey(StoreRoot::CurrentUser, kPrevInstanceKey));
}

TEST(TemporaryFolders, OnlyAReadersFolderBesideOursMayBeRemoved) {
  struct Case {
    const char16_t* folder;
    bool removable;
  } cases[] = {
      {u"/tmp/tempchmv_/", true},
      {u"/tmp/tempchmv__", true},
      {u"/tmp/tempchmvAbC123/", true},
      {u"/var/tmp/tempchmv/", false},  // not beside ours
      {u"/tmp/", false},
      {u"/", false},
      {u"", false},
      {u"tempchmv_/", false},
      {u"/tmp/other/", false},
      {u"/tmp/x/../tempchmv_/", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(isRemovableTemporaryFolder(c.folder, u"/tmp/tempchmv/"), c.removable) << toUtf8(c.folder);
}

TEST(ProcessInstances, AProcessIdCountsWhileThatProgramRuns) {
  ProcessInstanceServices services;
  EXPECT_TRUE(services.instanceRunning(static_cast<std::uint32_t>(getpid())));
  EXPECT_FALSE(services.instanceRunning(0));
  EXPECT_FALSE(services.instanceRunning(0xFFFFFFFFu));  // would be "every process" to kill()
  EXPECT_FALSE(services.instanceRunning(0x80000000u));
  EXPECT_FALSE(services.instanceRunning(1));  // running, but another program
  pid_t child = fork();
  if (child == 0) _exit(0);
  ASSERT_GT(child, 0);
  waitpid(child, nullptr, 0);
  EXPECT_FALSE(services.instanceRunning(static_cast<std::uint32_t>(child)));
}

TEST(ProcessInstances, RemovingAFolderNeverFollowsLinks) {
  test::TempFolder dir;
  auto outside = dir.path() / "outside";
  auto stale = dir.path() / "tempchmv_";
  std::filesystem::create_directories(outside);
  std::filesystem::create_directories(stale / "0" / "html");
  std::ofstream(outside / "keep.txt") << "mine";
  std::ofstream(stale / "0" / "html" / "page.htm") << "<p>";
  std::filesystem::create_directory_symlink(outside, stale / "link");
  std::filesystem::create_directory_symlink(outside, dir.path() / "tempchmv_link");

  ProcessInstanceServices services;
  services.removeFolder(fromUtf8((dir.path() / "tempchmv_link").string()));
  EXPECT_TRUE(std::filesystem::exists(outside / "keep.txt"));
  services.removeFolder(fromUtf8(stale.string()));
  EXPECT_FALSE(std::filesystem::exists(stale));
  EXPECT_TRUE(std::filesystem::exists(outside / "keep.txt"));
}

TEST_F(StoreTest, UserKeysAreCreatedOnlyWhenTheCompanyKeyIsMissing) {
  ASSERT_TRUE(createUserKeysIfMissing(store()));
  for (std::u16string_view key : {kOptionsKey, kButtonsKey, kRecentFilesKey, kBookmarksRootKey, kPrevInstanceKey})
    EXPECT_TRUE(store().openKey(StoreRoot::CurrentUser, key)) << toUtf8(key);
  EXPECT_EQ(number(kPrevInstanceKey, u"HWND"), 0u);
  EXPECT_EQ(text(kPrevInstanceKey, u"WorkDirectory"), u"");
  EXPECT_FALSE(store().openKey(StoreRoot::ClassRoot, u".chm"));  // the association is the installer's

  // With the company key there, nothing is added back.
  ASSERT_TRUE(store().deleteKey(StoreRoot::CurrentUser, kRecentFilesKey));
  ASSERT_TRUE(createUserKeysIfMissing(store()));
  EXPECT_FALSE(store().openKey(StoreRoot::CurrentUser, kRecentFilesKey));
}

TEST_F(StoreTest, InstallingAgainKeepsTheUsersValues) {
  seed();
  setNumber(kOptionsKey, u"ResentFilesNmb", 25);
  setNumber(kPrevInstanceKey, u"HWND", 77);
  ASSERT_TRUE(store().openKey(StoreRoot::ClassRoot, u".chm")->setString(u"", u""));
  ASSERT_TRUE(seedInstallationKeys(store(), u"/usr/lib/pagewick"));
  EXPECT_EQ(number(kOptionsKey, u"ResentFilesNmb"), 25u);
  EXPECT_EQ(number(kPrevInstanceKey, u"HWND"), 77u);
  EXPECT_TRUE(associationState(store()));
  EXPECT_EQ(helpPath(store()), u"/usr/lib/pagewick/pagewick.chm");
}

}  // namespace
}  // namespace pgwk
