#include <gtest/gtest.h>

#include <sqlite3.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "persistence_fixture.h"
#include "platform/store/store.h"
#include "platform/store/utf16_text.h"

namespace pgwk {
namespace {

using test::StoreTest;
using test::TempFolder;

std::string fileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST_F(StoreTest, OpeningWithoutCreateFailsUntilTheKeyIsCreated) {
  EXPECT_FALSE(store().openKey(StoreRoot::CurrentUser, u"Software\\Velmora"));
  ASSERT_TRUE(store().createKey(StoreRoot::CurrentUser, u"Software\\Velmora\\Pagewick"));
  // Creating a path creates every key above it.
  EXPECT_TRUE(store().openKey(StoreRoot::CurrentUser, u"Software"));
  EXPECT_TRUE(store().openKey(StoreRoot::CurrentUser, u"Software\\Velmora\\Pagewick"));
  // The two roots are separate.
  EXPECT_FALSE(store().openKey(StoreRoot::ClassRoot, u"Software"));
}

TEST_F(StoreTest, KeysAndValuesAreFoundWithoutRegardToCaseAndKeepTheirSpelling) {
  auto key = store().createKey(StoreRoot::CurrentUser, u"Software\\Velmora\\Files List");
  ASSERT_TRUE(key);
  ASSERT_TRUE(key->setString(u"Name", u"one"));
  auto again = store().openKey(StoreRoot::CurrentUser, u"SOFTWARE\\velmora\\FILES list");
  ASSERT_TRUE(again);
  EXPECT_EQ(again->id(), key->id());
  EXPECT_EQ(again->queryString(u"NAME", 100), u"one");
  // Non-ASCII letters fold too.
  ASSERT_TRUE(store().createKey(StoreRoot::CurrentUser, u"Software\\Ärger Ωμέγα Книга"));
  EXPECT_TRUE(store().openKey(StoreRoot::CurrentUser, u"software\\äRGER ωμέγα кНИГА"));
  // Creating with other case opens the existing key, which keeps its first spelling.
  ASSERT_TRUE(store().createKey(StoreRoot::CurrentUser, u"software\\VELMORA"));
  auto software = store().openKey(StoreRoot::CurrentUser, u"Software");
  ASSERT_TRUE(software);
  EXPECT_EQ(software->subkeys(), (std::vector<std::u16string>{u"Velmora", u"Ärger Ωμέγα Книга"}));
  // Writing a value under another spelling replaces it and keeps the first name.
  ASSERT_TRUE(key->setString(u"NAME", u"two"));
  auto values = key->values();
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].first, u"Name");
  EXPECT_EQ(textOfStringData(values[0].second.data), u"two");
}

TEST_F(StoreTest, FailedQueriesLeaveTheCallersDefault) {
  auto key = store().createKey(StoreRoot::CurrentUser, u"K");
  ASSERT_TRUE(key);
  ASSERT_TRUE(key->setNumber(u"n", 7));
  ASSERT_TRUE(key->setString(u"s", u"abc"));
  ASSERT_TRUE(key->setValue(u"short", kStoreNumber, {1, 2}));
  ASSERT_TRUE(key->setValue(u"binary", 3, {1, 2, 3, 4}));
  struct Case {
    const char16_t* name;
    std::optional<std::uint32_t> number;
  } cases[] = {
      {u"n", 7u},
      {u"missing", std::nullopt},
      {u"s", std::nullopt},       // a string is not a number
      {u"short", std::nullopt},   // a number of two bytes is not one
      {u"binary", std::nullopt},  // four bytes of another type neither
  };
  for (const Case& c : cases) EXPECT_EQ(key->queryNumber(c.name), c.number) << toUtf8(c.name);
  EXPECT_EQ(key->queryString(u"n", 100), std::nullopt);
  EXPECT_EQ(key->queryString(u"s", 8), u"abc");  // "abc" and its terminator: exactly 8 bytes
  EXPECT_EQ(key->queryString(u"s", 7), std::nullopt);
  std::uint32_t value = 42;
  if (auto n = key->queryNumber(u"missing")) value = *n;
  EXPECT_EQ(value, 42u);
}

TEST_F(StoreTest, StringValuesHoldUtf16WithTheirTerminator) {
  auto key = store().createKey(StoreRoot::CurrentUser, u"K");
  ASSERT_TRUE(key);
  ASSERT_TRUE(key->setString(u"", u"chmfile"));
  auto value = key->queryValue(u"");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->type, kStoreString);
  EXPECT_EQ(value->data.size(), 2u * (7 + 1));
  EXPECT_EQ(value->data[0], 'c');
  EXPECT_EQ(value->data[1], 0);
  ASSERT_TRUE(key->setString(u"pair", u"\U0001F600 ok"));
  EXPECT_EQ(key->queryString(u"pair", 100), u"\U0001F600 ok");
  ASSERT_TRUE(key->setNumber(u"n", 0x11223344));
  EXPECT_EQ(key->queryValue(u"n")->data, (std::vector<std::uint8_t>{0x44, 0x33, 0x22, 0x11}));
}

TEST_F(StoreTest, DeletingAKeyDeletesEverythingBelowItAndItsHandles) {
  auto top = store().createKey(StoreRoot::CurrentUser, u"A");
  auto mid = store().createKey(StoreRoot::CurrentUser, u"A\\B");
  auto low = store().createKey(StoreRoot::CurrentUser, u"A\\B\\C");
  auto sibling = store().createKey(StoreRoot::CurrentUser, u"A2");
  ASSERT_TRUE(top && mid && low && sibling);
  ASSERT_TRUE(low->setNumber(u"x", 1));
  ASSERT_TRUE(sibling->setNumber(u"x", 2));
  ASSERT_TRUE(store().deleteKey(StoreRoot::CurrentUser, u"a\\b"));
  EXPECT_TRUE(store().openKey(StoreRoot::CurrentUser, u"A"));
  EXPECT_FALSE(store().openKey(StoreRoot::CurrentUser, u"A\\B"));
  EXPECT_FALSE(store().openKey(StoreRoot::CurrentUser, u"A\\B\\C"));
  EXPECT_EQ(sibling->queryNumber(u"x"), 2u);
  // A handle on a deleted key neither reads nor writes, even after the key is
  // created again under the same name.
  EXPECT_EQ(low->queryNumber(u"x"), std::nullopt);
  EXPECT_FALSE(low->setNumber(u"x", 3));
  EXPECT_FALSE(mid->openSubkey(u""));
  ASSERT_TRUE(store().createKey(StoreRoot::CurrentUser, u"A\\B\\C"));
  EXPECT_EQ(store().openKey(StoreRoot::CurrentUser, u"A\\B\\C")->queryNumber(u"x"), std::nullopt);
  EXPECT_FALSE(low->setNumber(u"x", 3));
  // Missing keys and roots cannot be deleted.
  EXPECT_FALSE(store().deleteKey(StoreRoot::CurrentUser, u"A\\Nothing"));
  EXPECT_FALSE(store().deleteKey(StoreRoot::CurrentUser, u""));
}

TEST_F(StoreTest, DeletingAValueFailsWhenThereIsNone) {
  auto key = store().createKey(StoreRoot::CurrentUser, u"K");
  ASSERT_TRUE(key && key->setNumber(u"1", 1));
  EXPECT_TRUE(key->deleteValue(u"1"));
  EXPECT_FALSE(key->deleteValue(u"1"));
  EXPECT_EQ(key->queryNumber(u"1"), std::nullopt);
}

TEST_F(StoreTest, SubkeysComeInCreationOrder) {
  for (const char16_t* name : {u"zeta", u"Alpha", u"mid"})
    ASSERT_TRUE(store().createKey(StoreRoot::CurrentUser, std::u16string(u"Root\\") + name));
  ASSERT_TRUE(store().createKey(StoreRoot::CurrentUser, u"Root\\Alpha\\Below"));
  EXPECT_EQ(store().openKey(StoreRoot::CurrentUser, u"Root")->subkeys(),
            (std::vector<std::u16string>{u"zeta", u"Alpha", u"mid"}));
}

TEST_F(StoreTest, InvalidNamesAreRefused) {
  const char16_t* paths[] = {u"A\\\\B", u"\\A", u"A\\", u"A\nB", u"bad\xD800surrogate"};
  for (const char16_t* path : paths) {
    EXPECT_FALSE(store().createKey(StoreRoot::CurrentUser, path)) << toUtf8(path);
    EXPECT_FALSE(store().openKey(StoreRoot::CurrentUser, path)) << toUtf8(path);
  }
  auto key = store().createKey(StoreRoot::CurrentUser, u"K");
  ASSERT_TRUE(key);
  EXPECT_FALSE(key->setNumber(u"tab\there", 1));
  // Names may hold anything else, slashes included.
  EXPECT_TRUE(store().createKey(StoreRoot::CurrentUser, u"K\\a/b.chm [1] ü"));
}

TEST_F(StoreTest, ValuesSurviveARestart) {
  ASSERT_TRUE(store().createKey(StoreRoot::ClassRoot, u".chm")->setString(u"", u"chmfile"));
  ASSERT_TRUE(store().createKey(StoreRoot::CurrentUser, u"K")->setNumber(u"n", 5));
  reopen();
  EXPECT_EQ(store().openKey(StoreRoot::ClassRoot, u".chm")->queryString(u"", 100), u"chmfile");
  EXPECT_EQ(number(u"K", u"n"), 5u);
}

TEST_F(StoreTest, AnUncommittedTransactionWritesNothing) {
  auto key = store().createKey(StoreRoot::CurrentUser, u"K");
  ASSERT_TRUE(key && key->setNumber(u"a", 1));
  {
    StoreTransaction t(store());
    ASSERT_TRUE(t.active());
    EXPECT_TRUE(key->setNumber(u"a", 2));
    EXPECT_TRUE(key->setNumber(u"b", 2));
    {
      StoreTransaction inner(store());
      EXPECT_TRUE(store().createKey(StoreRoot::CurrentUser, u"K\\Inner"));
      EXPECT_TRUE(inner.commit());
    }
  }
  EXPECT_EQ(key->queryNumber(u"a"), 1u);
  EXPECT_EQ(key->queryNumber(u"b"), std::nullopt);
  EXPECT_FALSE(store().openKey(StoreRoot::CurrentUser, u"K\\Inner"));

  // An inner group that gives up spoils the outer one.
  {
    StoreTransaction outer(store());
    EXPECT_TRUE(key->setNumber(u"a", 3));
    { StoreTransaction inner(store()); }
    EXPECT_FALSE(key->setNumber(u"a", 4));
    EXPECT_FALSE(outer.commit());
  }
  EXPECT_EQ(key->queryNumber(u"a"), 1u);

  {
    StoreTransaction t(store());
    EXPECT_TRUE(key->setNumber(u"a", 5));
    EXPECT_TRUE(t.commit());
  }
  EXPECT_EQ(key->queryNumber(u"a"), 5u);
}

TEST(StorePath, FollowsXdgConfigHome) {
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  std::string keep = saved ? saved : "";
  const char* home = std::getenv("HOME");
  std::string homeConfig = std::string(home ? home : "") + "/.config/pagewick/store.db";
  struct Case {
    const char* xdg;  // nullptr: unset
    std::string expected;
  } cases[] = {
      {"/x/conf", "/x/conf/pagewick/store.db"},
      {nullptr, homeConfig},
      {"", homeConfig},
      {"relative/conf", homeConfig},  // only absolute paths count
  };
  for (const Case& c : cases) {
    if (c.xdg)
      setenv("XDG_CONFIG_HOME", c.xdg, 1);
    else
      unsetenv("XDG_CONFIG_HOME");
    if (home) {
      EXPECT_EQ(Store::userStorePath().string(), c.expected) << (c.xdg ? c.xdg : "(unset)");
    }
  }
  if (saved)
    setenv("XDG_CONFIG_HOME", keep.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

TEST(StoreFile, IsCreatedWithItsFolderKeptToTheUser) {
  TempFolder dir;
  std::filesystem::path file = dir.path() / "conf" / "pagewick" / "store.db";
  Store store(file);
  ASSERT_TRUE(store.usable());
  EXPECT_TRUE(std::filesystem::exists(file));
  auto perms = std::filesystem::status(file.parent_path()).permissions();
  EXPECT_EQ(perms & std::filesystem::perms::all, std::filesystem::perms::owner_all);
  // Readers need not wait for a writer: the file is in write-ahead-log mode.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* mode = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &mode, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(mode), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(mode, 0)), "wal");
  sqlite3_finalize(mode);
  sqlite3_close(db);
}

// A file the store cannot use stays byte for byte as it was, and the store fails
// every call, so the reader keeps its defaults.
TEST(StoreFile, AnUnusableFileIsLeftAlone) {
  TempFolder dir;
  std::string garbage(5000, 'x');
  garbage.replace(0, 16, "SQLite format 3");  // a damaged header looks like this
  auto makeForeign = [&](const std::filesystem::path& p) {
    sqlite3* db = nullptr;
    sqlite3_open(p.c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE notes(t TEXT); INSERT INTO notes VALUES('mine');", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  };
  struct Case {
    const char* what;
    std::function<void(const std::filesystem::path&)> make;
  } cases[] = {
      {"text", [](const std::filesystem::path& p) { std::ofstream(p) << "not a database at all\n"; }},
      {"damaged header", [&](const std::filesystem::path& p) { std::ofstream(p, std::ios::binary) << garbage; }},
      {"another program's database", makeForeign},
  };
  for (const Case& c : cases) {
    std::filesystem::path file = dir.path() / (std::string(c.what) + ".db");
    c.make(file);
    std::string before = fileBytes(file);
    testing::internal::CaptureStderr();
    {
      Store store(file);
      EXPECT_FALSE(store.usable()) << c.what;
      EXPECT_FALSE(store.problem().empty());
      EXPECT_FALSE(store.openKey(StoreRoot::CurrentUser, u""));
      EXPECT_FALSE(store.createKey(StoreRoot::CurrentUser, u"Software"));
      EXPECT_FALSE(store.clearAll());
    }
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("cannot be used"), std::string::npos) << c.what << ": " << err;
    EXPECT_EQ(fileBytes(file), before) << c.what;
  }
}

TEST(StoreFile, AFolderThatCannotBeCreatedMakesTheStoreUnusable) {
  TempFolder dir;
  std::ofstream(dir.path() / "plainfile") << "x";
  testing::internal::CaptureStderr();
  Store store(dir.path() / "plainfile" / "pagewick" / "store.db");
  testing::internal::GetCapturedStderr();
  EXPECT_FALSE(store.usable());
}

TEST(Utf16Text, ConversionsAndFolding) {
  EXPECT_EQ(toUtf8(u"a\u00fc\u20ac\U0001F600"), "a\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(fromUtf8("a\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80"), u"a\u00fc\u20ac\U0001F600");
  EXPECT_EQ(toUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(fromUtf8("\xC0\x80x"), u"\uFFFD\uFFFDx");  // overlong forms are refused
  EXPECT_FALSE(isWellFormedUtf8("\xED\xA0\x80"));     // an encoded surrogate
  EXPECT_TRUE(equalIgnoringCase(u"ÀÉÎÕÜ ĀĹŽŸ ΑΩ АЯЁ", u"àéîõü āĺžÿ αω аяё"));
  EXPECT_FALSE(equalIgnoringCase(u"×", u"÷"));
  EXPECT_FALSE(equalIgnoringCase(u"chmfile", u"chmfiles"));
}

}  // namespace
}  // namespace pgwk
