#include <gtest/gtest.h>

#include "persistence/installation_keys.h"
#include "persistence/store_keys.h"
#include "persistence_fixture.h"
#include "platform/store/store.h"
#include "platform/store/store_text.h"
#include "platform/store/utf16_text.h"

namespace pgwk {
namespace {

using test::StoreTest;

TEST_F(StoreTest, ExportIsSortedUtf8Text) {
  auto key = store().createKey(StoreRoot::CurrentUser, u"Software\\Velmora\\Files List");
  ASSERT_TRUE(key);
  ASSERT_TRUE(key->setString(u"2", u"/b/ü \"q\" \\x.chm::B"));
  ASSERT_TRUE(key->setString(u"1", u"/a.chm::A"));
  ASSERT_TRUE(key->setNumber(u"Count", 0xA));
  ASSERT_TRUE(store().createKey(StoreRoot::CurrentUser, u"Software\\Apple"));
  ASSERT_TRUE(store().createKey(StoreRoot::ClassRoot, u".chm")->setString(u"", u"chmfile"));
  EXPECT_EQ(exportStoreText(store()),
            "Pagewick Store Version 1\n"
            "\n[HKEY_CLASSES_ROOT\\.chm]\n@=\"chmfile\"\n"
            "\n[HKEY_CURRENT_USER\\Software]\n"
            "\n[HKEY_CURRENT_USER\\Software\\Apple]\n"
            "\n[HKEY_CURRENT_USER\\Software\\Velmora]\n"
            "\n[HKEY_CURRENT_USER\\Software\\Velmora\\Files List]\n"
            "\"1\"=\"/a.chm::A\"\n"
            "\"2\"=\"/b/\xC3\xBC \\\"q\\\" \\\\x.chm::B\"\n"
            "\"Count\"=dword:0000000a\n");
}

// Every value goes out and comes back byte for byte, also strings that the quoted
// form cannot carry.
TEST_F(StoreTest, ExportAndImportRoundTripExactly) {
  seed();
  auto key = store().createKey(StoreRoot::CurrentUser, u"Odd\\Name [with] \"quotes\" = ü/x");
  ASSERT_TRUE(key);
  struct Case {
    const char16_t* name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  } cases[] = {
      {u"empty string", kStoreString, {0, 0}},
      {u"four zero bytes", kStoreString, {0, 0, 0, 0}},
      {u"no terminator", kStoreString, {'a', 0}},
      {u"odd length", kStoreString, {'a', 0, 0}},
      {u"no data", kStoreString, {}},
      {u"embedded zero", kStoreString, {'a', 0, 0, 0, 'b', 0, 0, 0}},
      {u"line break", kStoreString, {'a', 0, '\n', 0, 0, 0}},
      {u"lone surrogate", kStoreString, {0x00, 0xD8, 0, 0}},
      {u"pair", kStoreString, {0x3D, 0xD8, 0x00, 0xDE, 0, 0}},
      {u"short number", kStoreNumber, {1, 2}},
      {u"number", kStoreNumber, {0xFF, 0xFF, 0xFF, 0xFF}},
      {u"binary", 3, {0, 1, 2, 0xFE}},
      {u"big type", 0xFFFFFFFF, {9}},
      {u"ÜNICODE name \"q\" \\", kStoreString, stringValueData(u"väl")},
      {u"", kStoreString, stringValueData(u"default")},
  };
  for (const Case& c : cases) ASSERT_TRUE(key->setValue(c.name, c.type, c.data)) << toUtf8(c.name);

  std::string text = exportStoreText(store());
  store_.reset();
  std::filesystem::remove(storePath());
  reopen();
  ASSERT_TRUE(store().openKey(StoreRoot::CurrentUser, u"").has_value());
  StoreImportResult result = importStoreText(store(), text);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(exportStoreText(store()), text);
  auto back = store().openKey(StoreRoot::CurrentUser, u"Odd\\Name [with] \"quotes\" = ü/x");
  ASSERT_TRUE(back);
  for (const Case& c : cases) {
    auto value = back->queryValue(c.name);
    ASSERT_TRUE(value) << toUtf8(c.name);
    EXPECT_EQ(value->type, c.type) << toUtf8(c.name);
    EXPECT_EQ(value->data, c.data) << toUtf8(c.name);
  }
}

TEST_F(StoreTest, ImportReplacesTheWholeStore) {
  seed();
  ASSERT_TRUE(store().createKey(StoreRoot::CurrentUser, u"Old\\Key"));
  std::string text =
      "\xEF\xBB\xBFPagewick Store Version 1\r\n"
      "; a comment\r\n"
      "[HKCU\\New]\r\n"
      "  \"a\" = dword:1  \r\n"
      "\"b\"=hex:01, 02\r\n"
      "\"c\"=hex(2):\r\n"
      "[HKEY_CLASSES_ROOT]\r\n"
      "@=\"root value\"\r\n";
  StoreImportResult result = importStoreText(store(), text);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_FALSE(store().openKey(StoreRoot::CurrentUser, u"Old"));
  EXPECT_FALSE(store().openKey(StoreRoot::CurrentUser, u"Software"));
  auto key = store().openKey(StoreRoot::CurrentUser, u"New");
  ASSERT_TRUE(key);
  EXPECT_EQ(key->queryNumber(u"a"), 1u);
  EXPECT_EQ(key->queryValue(u"b"), (StoreValue{3, {1, 2}}));
  EXPECT_EQ(key->queryValue(u"c"), (StoreValue{2, {}}));
  EXPECT_EQ(store().openKey(StoreRoot::ClassRoot, u"")->queryString(u"", 100), u"root value");
}

TEST_F(StoreTest, ABadTextChangesNothingAndSaysWhere) {
  seed();
  std::string before = exportStoreText(store());
  const std::string header = "Pagewick Store Version 1\n";
  struct Case {
    std::string text;
    std::string error;  // the beginning of the message
  } cases[] = {
      {"", "the text is empty"},
      {"[HKEY_CURRENT_USER\\A]\n", "line 1: the first line must be"},
      {header + "\"a\"=dword:1\n", "line 2: a value before the first key line"},
      {header + "[HKEY_LOCAL_MACHINE\\A]\n", "line 2: unknown root"},
      {header + "[HKEY_CURRENT_USER\\A\n", "line 2: a key line must end with ']'"},
      {header + "[-HKEY_CURRENT_USER\\A]\n", "line 2: deleting keys is not supported"},
      {header + "[HKEY_CURRENT_USER\\]\n", "line 2: empty key name"},
      {header + "[HKEY_CURRENT_USER\\A]\n\"a\"=dword:123456789\n", "line 3: dword: needs"},
      {header + "[HKEY_CURRENT_USER\\A]\n\"a\"=dword:\n", "line 3: dword: needs"},
      {header + "[HKEY_CURRENT_USER\\A]\n\"a\"=hex:1,2\n", "line 3: bad byte '1'"},
      {header + "[HKEY_CURRENT_USER\\A]\n\"a\"=hex(zz):01\n", "line 3: hex(TYPE): needs"},
      {header + "[HKEY_CURRENT_USER\\A]\n\"a\"=\"open\n", "line 3: missing closing quote"},
      {header + "[HKEY_CURRENT_USER\\A]\n\"a\"=\"x\" y\n", "line 3: text after the closing quote"},
      {header + "[HKEY_CURRENT_USER\\A]\n\"a\"=\"\\n\"\n", "line 3: a backslash in quotes"},
      {header + "[HKEY_CURRENT_USER\\A]\n\"a\"=sz:x\n", "line 3: a value must be"},
      {header + "[HKEY_CURRENT_USER\\A]\n\"\"=\"x\"\n", "line 3: an empty value name"},
      {header + "[HKEY_CURRENT_USER\\A]\nvalue\n", "line 3: expected a key line"},
      {header + "[HKEY_CURRENT_USER\\A]\n\"a\"\n", "line 3: expected '='"},
      {header + "[HKEY_CURRENT_USER\\A\\\\B]\n", "cannot create key"},
      {header + "[HKEY_CURRENT_USER\\A]\n\"tab\there\"=dword:1\n", "cannot write value"},
      {header + "[HKEY_CURRENT_USER\\\xC3\x28]\n", "the text is not UTF-8"},
  };
  for (const Case& c : cases) {
    StoreImportResult result = importStoreText(store(), c.text);
    EXPECT_FALSE(result.ok) << c.text;
    EXPECT_EQ(result.error.substr(0, c.error.size()), c.error) << c.text;
    EXPECT_EQ(exportStoreText(store()), before) << c.text;
  }
}

}  // namespace
}  // namespace pgwk
