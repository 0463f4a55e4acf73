// The file-open dialog on the headless backend: browsing folders, filters, and
// what it returns.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "platform/ui/controls.h"
#include "platform/ui/file_dialog.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/list_view.h"

namespace pgwk::ui {
namespace {

namespace fs = std::filesystem;

struct FileDialogTest : ::testing::Test {
  Ui ui;
  HeadlessBackend headless{ui};
  fs::path root;
  OpenFileOptions options;

  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "pgwk-open-XXXXXX").string();
    root = mkdtemp(pattern.data());
    fs::create_directories(root / "books/deeper");
    fs::create_directories(root / ".hidden-folder");
    for (const char* name : {"b.chm", "A.CHM", "c.col", "notes.txt", ".hidden.chm", "books/inner.chm"}) {
      std::ofstream(root / name) << "x";
    }
    options.filters = {{u"CHM files (*.chm)", "*.chm"}, {u"CHM collection files (*.col)", "*.col"}};
    options.folder = root.string();
  }
  void TearDown() override { fs::remove_all(root); }

  ListView& list(WidgetId dialog) { return *ui.get<ListView>(ui.childByControlId(dialog, file_dialog::List)); }
  std::vector<std::u16string> names(WidgetId dialog) {
    std::vector<std::u16string> out;
    for (int i = 0; i < list(dialog).count(); ++i) out.push_back(list(dialog).itemText(i));
    return out;
  }
  int indexOf(WidgetId dialog, const std::u16string& name) {
    auto all = names(dialog);
    return static_cast<int>(std::find(all.begin(), all.end(), name) - all.begin());
  }
};

TEST_F(FileDialogTest, FoldersFirstThenTheFilesTheFilterAdmits) {
  std::vector<std::vector<std::u16string>> seen;
  int step = 0;
  headless.onDialog([&](WidgetId dialog) {
    seen.push_back(names(dialog));
    if (step++ == 0) headless.select(ui.childByControlId(dialog, file_dialog::Filter), 1);
    else headless.tap(ui.childByControlId(dialog, button_id::Cancel));
  });
  EXPECT_EQ(runOpenFileDialog(ui, kNoWidget, options), std::nullopt);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], (std::vector<std::u16string>{u"../", u"books/", u"A.CHM", u"b.chm"}));
  EXPECT_EQ(seen[1], (std::vector<std::u16string>{u"../", u"books/", u"c.col"}));
}

TEST_F(FileDialogTest, BrowsesIntoFoldersAndReturnsTheChosenFile) {
  int step = 0;
  std::u16string shownFolder;
  headless.onDialog([&](WidgetId dialog) {
    switch (step++) {
      case 0: headless.activateListItem(list(dialog).id(), indexOf(dialog, u"books/")); break;
      case 1:
        shownFolder = ui.find(ui.childByControlId(dialog, file_dialog::Folder))->text();
        headless.tapListItem(list(dialog).id(), indexOf(dialog, u"inner.chm"));
        headless.tap(ui.childByControlId(dialog, button_id::Ok));
        break;
      default: FAIL() << "the dialog should have ended";
    }
  });
  auto chosen = runOpenFileDialog(ui, kNoWidget, options);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(*chosen, (fs::canonical(root) / "books/inner.chm").string());
  EXPECT_EQ(shownFolder, fs::canonical(root / "books").u16string());
}

TEST_F(FileDialogTest, ATypedNameOpensWhenTheFileExists) {
  int step = 0;
  headless.onDialog([&](WidgetId dialog) {
    WidgetId name = ui.childByControlId(dialog, file_dialog::Name);
    switch (step++) {
      case 0:
        headless.type(name, u"missing.chm");
        headless.pressKey(name, key::Enter);  // nothing there: the dialog stays
        break;
      case 1:
        headless.type(name, u"notes.txt");  // a name typed in full needs no filter
        headless.pressKey(name, key::Enter);
        break;
      default: FAIL() << "the dialog should have ended";
    }
  });
  auto chosen = runOpenFileDialog(ui, kNoWidget, options);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(fs::path(*chosen).filename(), "notes.txt");
  EXPECT_EQ(step, 2);
}

TEST(FileFilter, MatchesIgnoringCase) {
  struct Case {
    const char* name;
    const char* pattern;
    bool match;
  } cases[] = {{"a.chm", "*.chm", true}, {"A.CHM", "*.chm", true}, {"a.chm.txt", "*.chm", false},
               {"chm", "*.chm", false},  {"x", "*", true},          {"readme", "README", true}};
  for (const auto& c : cases) EXPECT_EQ(matchesFilter(c.name, c.pattern), c.match) << c.name << " " << c.pattern;
}

}  // namespace
}  // namespace pgwk::ui
