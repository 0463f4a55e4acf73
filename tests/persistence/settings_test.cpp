#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "persistence/installation_keys.h"
#include "persistence/settings.h"
#include "persistence/shell_integration.h"
#include "persistence/store_keys.h"
#include "persistence_fixture.h"
#include "platform/store/browser_keys.h"
#include "platform/store/utf16_text.h"
#include "writer_pattern.h"

namespace pgwk {
namespace {

using test::StoreTest;

std::vector<ButtonAssignment> nineteenActions() {
  std::vector<ButtonAssignment> buttons;
  for (int a = 0; a < 19; ++a) buttons.push_back({a, 0});
  return buttons;
}

class SettingsTest : public StoreTest {
 protected:
  Settings load() {
    Settings s;
    auto buttons = nineteenActions();
    SettingsStore(store()).load(s, buttons);
    return s;
  }
};

TEST(SettingsDefaults, AreTheTablesDefaults) {
  const std::pair<std::u16string, std::uint32_t> expected[] = {
      {u"ResentFilesNmb", 10}, {u"ShowRecentFilesNames", 1}, {u"ShowRecentFilesNamesWithPath", 0},
      {u"ShowRecentBooksCaptions", 0}, {u"ShowExistentFiles", 1}, {u"DysplayClearType", 1},
      {u"DysplayFitToWindow", 1}, {u"DysplayShowImages", 1}, {u"DysplayDisableCSS", 0},
      {u"DysplayTextSize", 2}, {u"DefaultCodePage", 0}, {u"EnableScript", 1}, {u"ShowScriptErrors", 0},
      {u"BookmarkAutosave", 1}, {u"BookmarkDeleteAutosave", 1}, {u"BookmarkLoadLast", 0},
      {u"BookmarkShowLocation", 0}, {u"SearchHighlightWords", 1}, {u"SearchScrollToWord", 1},
      {u"GeneralAssociateExtension", 1}, {u"GeneralLoadLastChm", 0}, {u"GeneralShowTrayIcon", 1},
      {u"SearchPrevResults", 0}, {u"SearchWholeWords", 1}, {u"SearchInTitles", 0},
      {u"SearchShowLocation", 0}, {u"UseButtonsMapping", 1},
  };
  Settings s = test::writerSettings(7);
  setDefaults(s);
  auto values = test::storedOptionValues(s);
  ASSERT_EQ(values.size(), std::size(expected));
  for (std::size_t i = 0; i < values.size(); ++i) EXPECT_EQ(values[i], expected[i]) << toUtf8(expected[i].first);
  EXPECT_TRUE(s.ShowMergedFileErrors);
}

TEST(SettingsDefaults, ClosingABookResetsOnlyTheDisplayGroup) {
  Settings s = test::writerSettings(8);
  s.ShowMergedFileErrors = false;
  Settings reset = s;
  setDisplayDefaults(reset);
  Settings expected = s;
  const Settings d;
  expected.DysplayClearType = d.DysplayClearType;
  expected.DysplayFitToWindow = d.DysplayFitToWindow;
  expected.DysplayShowImages = d.DysplayShowImages;
  expected.DysplayDisableCSS = d.DysplayDisableCSS;
  expected.DysplayTextSize = d.DysplayTextSize;
  expected.DefaultCodePage = d.DefaultCodePage;
  expected.EnableScript = d.EnableScript;
  expected.ShowScriptErrors = d.ShowScriptErrors;
  expected.ShowMergedFileErrors = d.ShowMergedFileErrors;
  EXPECT_EQ(reset, expected);
}

TEST_F(SettingsTest, WithoutTheOptionsKeyLoadGivesDefaultsAndSaveStoresNothing) {
  seed();  // the association is on
  ASSERT_TRUE(store().deleteKey(StoreRoot::CurrentUser, kOptionsKey));
  EXPECT_EQ(load(), Settings{});
  EXPECT_FALSE(SettingsStore(store()).save(test::writerSettings(3), nineteenActions()));
  EXPECT_FALSE(store().openKey(StoreRoot::CurrentUser, kOptionsKey));
}

TEST_F(SettingsTest, SaveWritesTheNamedValuesAndTheButtons) {
  seed();
  Settings s = test::writerSettings(5);
  auto buttons = test::writerButtons(5);
  ASSERT_TRUE(SettingsStore(store()).save(s, buttons));
  auto expected = test::storedOptionValues(s);
  EXPECT_EQ(valueNames(kOptionsKey).size(), expected.size());  // no value for the merged-file switch
  for (const auto& [name, value] : expected) EXPECT_EQ(number(kOptionsKey, name), value) << toUtf8(name);
  for (const ButtonAssignment& b : buttons)
    EXPECT_EQ(number(kButtonsKey, fromUtf8(std::to_string(b.action))), b.keyCode);
}

TEST_F(SettingsTest, LoadTakesStoredNumbersAsTheyStand) {
  seed();
  struct Case {
    const char16_t* name;
    std::uint32_t stored;
    std::function<bool(const Settings&)> check;
  } cases[] = {
      {u"ResentFilesNmb", 0, [](const Settings& s) { return s.ResentFilesNmb == 0; }},
      {u"ResentFilesNmb", 200, [](const Settings& s) { return s.ResentFilesNmb == 200; }},
      {u"DysplayTextSize", 0xFFFFFFFF, [](const Settings& s) { return s.DysplayTextSize == -1; }},
      {u"DysplayDisableCSS", 7, [](const Settings& s) { return s.DysplayDisableCSS; }},
      {u"ShowExistentFiles", 0, [](const Settings& s) { return !s.ShowExistentFiles; }},
      // Written by Save, never read: each run starts with the default.
      {u"SearchWholeWords", 0, [](const Settings& s) { return s.SearchWholeWords; }},
      {u"SearchPrevResults", 1, [](const Settings& s) { return !s.SearchPrevResults; }},
      {u"SearchInTitles", 1, [](const Settings& s) { return !s.SearchInTitles; }},
      {u"DefaultCodePage", 1252, [](const Settings& s) { return s.DefaultCodePage == 0; }},
      // Read, but replaced by the association's actual state.
      {u"GeneralAssociateExtension", 0, [](const Settings& s) { return s.GeneralAssociateExtension; }},
  };
  for (const Case& c : cases) {
    setNumber(kOptionsKey, c.name, c.stored);
    EXPECT_TRUE(c.check(load())) << toUtf8(c.name) << " stored as " << c.stored;
    ASSERT_TRUE(store().openKey(StoreRoot::CurrentUser, kOptionsKey)->deleteValue(c.name));
  }
}

TEST_F(SettingsTest, AValueOfAnotherTypeKeepsTheDefault) {
  seed();
  setText(kOptionsKey, u"ResentFilesNmb", u"7");
  EXPECT_EQ(load().ResentFilesNmb, 10);
}

TEST_F(SettingsTest, ABoolStoredAsSevenIsWrittenBackAsOne) {
  seed();
  setNumber(kOptionsKey, u"BookmarkLoadLast", 7);
  Settings s = load();
  ASSERT_TRUE(s.BookmarkLoadLast);
  ASSERT_TRUE(SettingsStore(store()).save(s, nineteenActions()));
  EXPECT_EQ(number(kOptionsKey, u"BookmarkLoadLast"), 1u);
}

TEST_F(SettingsTest, TheAssociationDecidesGeneralAssociateExtension) {
  seed();
  setNumber(kOptionsKey, u"GeneralAssociateExtension", 1);
  EXPECT_TRUE(load().GeneralAssociateExtension);
  ASSERT_TRUE(writeAssociation(store(), false));
  EXPECT_FALSE(load().GeneralAssociateExtension);
}

TEST_F(SettingsTest, SettingsSurviveARestartExceptTheFourUnreadOnes) {
  seed();
  Settings s = test::writerSettings(1);  // odd round: the association field is true
  ASSERT_TRUE(SettingsStore(store()).save(s, test::writerButtons(1)));
  reopen();
  Settings loaded;
  auto buttons = nineteenActions();
  SettingsStore(store()).load(loaded, buttons);
  Settings expected = s;
  const Settings d;
  expected.DefaultCodePage = d.DefaultCodePage;
  expected.SearchPrevResults = d.SearchPrevResults;
  expected.SearchWholeWords = d.SearchWholeWords;
  expected.SearchInTitles = d.SearchInTitles;
  EXPECT_EQ(loaded, expected);
  EXPECT_EQ(buttons, test::writerButtons(1));
}

TEST_F(SettingsTest, AMissingButtonValueMapsTheActionToNothing) {
  seed();
  ASSERT_TRUE(SettingsStore(store()).save(Settings{}, test::writerButtons(2)));
  ASSERT_TRUE(store().openKey(StoreRoot::CurrentUser, kButtonsKey)->deleteValue(u"4"));
  Settings s;
  auto buttons = test::writerButtons(9);
  SettingsStore(store()).load(s, buttons);
  auto expected = test::writerButtons(2);
  expected[4].keyCode = 0;
  EXPECT_EQ(buttons, expected);
}

TEST_F(SettingsTest, BrowserValuesAreWrittenForTheHtmlView) {
  SettingsStore settings(store());
  EXPECT_EQ(readBrowserShowScriptErrors(store()), std::nullopt);
  ASSERT_TRUE(settings.writeBrowserScriptErrors(true));
  ASSERT_TRUE(settings.writeBrowserDefaultCodePage(1251));
  EXPECT_EQ(readBrowserShowScriptErrors(store()), true);
  EXPECT_EQ(readBrowserDefaultCodePage(store()), 1251u);
  EXPECT_EQ(number(u"Software\\Microsoft\\Internet Explorer\\Main", u"ShowScriptErrors"), 1u);
  EXPECT_EQ(number(u"Software\\Microsoft\\Internet Explorer\\International", u"Default_CodePage"), 1251u);
  ASSERT_TRUE(settings.writeBrowserScriptErrors(false));
  EXPECT_EQ(readBrowserShowScriptErrors(store()), false);
}

TEST_F(SettingsTest, AnUnusableStoreLeavesTheDefaults) {
  store_.reset();
  std::filesystem::remove(storePath());
  { std::ofstream(storePath()) << "this is not a store"; }
  testing::internal::CaptureStderr();
  store_ = std::make_unique<Store>(storePath());
  testing::internal::GetCapturedStderr();
  ASSERT_FALSE(store().usable());
  Settings s;
  auto buttons = test::writerButtons(3);
  SettingsStore(store()).load(s, buttons);
  Settings expected;
  expected.GeneralAssociateExtension = false;
  EXPECT_EQ(s, expected);
  EXPECT_FALSE(SettingsStore(store()).save(s, buttons));
}

}  // namespace
}  // namespace pgwk
