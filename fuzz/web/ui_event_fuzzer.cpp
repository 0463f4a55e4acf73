// Feeds arbitrary bytes to the event decoder and applies whatever it accepts to a
// model holding one widget of every kind: no event a page can post may crash the
// program or wedge its loop.
#include <cstddef>
#include <cstdint>
#include <memory>

#include <nlohmann/json.hpp>

#include "platform/ui/controls.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/html_view.h"
#include "platform/ui/list_view.h"
#include "platform/ui/tree_view.h"
#include "platform/web/event_decoder.h"

namespace {

using namespace pgwk::ui;

struct Model {
  Ui ui;
  HeadlessBackend headless{ui};
  Model() {
    headless.onPopupMenu([](const Menu&, Point) { return 0; });
    headless.onDialog([this](WidgetId dialog) { ui.endDialog(dialog, 0); });
    headless.onMessageBox([](const MessageBoxInfo&) { return button_id::Ok; });
    auto& main = ui.create<Window>(kNoWidget, 0, Rect::fromSize(0, 0, 240, 320));
    ui.setMainWindow(main.id());
    WidgetId m = main.id();
    ui.create<Label>(m, 1, Rect::fromSize(0, 0, 50, 10), u"label").setNotify(true);
    ui.create<Edit>(m, 2, Rect::fromSize(0, 10, 50, 10)).setLimit(8);
    ui.create<Button>(m, 3, Rect::fromSize(0, 20, 50, 10), u"button");
    ui.create<CheckBox>(m, 4, Rect::fromSize(0, 30, 50, 10));
    ui.create<RadioButton>(m, 5, Rect::fromSize(0, 40, 50, 10));
    ui.create<GroupBox>(m, 6, Rect::fromSize(0, 50, 50, 10));
    auto& combo = ui.create<ComboBox>(m, 7, Rect::fromSize(0, 60, 50, 10));
    combo.add(u"a");
    combo.add(u"b");
    auto& list = ui.create<ListView>(m, 8, Rect::fromSize(0, 70, 100, 50));
    list.insertColumn(0, u"c", 50);
    for (int i = 0; i < 5; ++i) list.insertItem(i, u"item", i);
    auto& tree = ui.create<TreeView>(m, 9, Rect::fromSize(0, 120, 100, 50));
    TreeItemId root = tree.insertItem(kTreeRoot, u"root", 0, 0);
    tree.insertItem(tree.insertItem(root, u"child", 4, 4), u"leaf", 8, 8);
    ui.create<ProgressBar>(m, 10, Rect::fromSize(0, 170, 50, 10));
    ui.create<UpDown>(m, 11, Rect::fromSize(0, 180, 10, 10)).setRange(1, 5);
    ui.create<Picture>(m, 12, Rect::fromSize(0, 190, 10, 10)).setNotify(true);
    Menu& menu = ui.createMenu();
    menu.append(100, u"item");
    auto& bar = ui.create<MenuBar>(m, 13, Rect::fromSize(0, 294, 240, 26));
    bar.addTextButton(401, u"File", menu.id());
    bar.addImageButton(303, 0);
    ui.create<HtmlView>(m, 14, Rect::fromSize(0, 200, 240, 90)).load("/tmp/x/0/a.htm");
    auto& sheet = ui.create<PropertySheet>(kNoWidget, 15, Rect::fromSize(0, 0, 240, 320));
    sheet.addPage(u"one");
    sheet.setVisible(false);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Model model;  // one model for the whole run
  nlohmann::json body = nlohmann::json::parse(data, data + size, nullptr, false);
  if (body.is_discarded()) return 0;
  std::vector<InputEvent> events;
  if (!pgwk::web::decodeEvents(body, events)) return 0;
  for (auto& event : events) {
    // Screen sizes are the page's to report, but a fuzzer's huge ones would only
    // make the model's layout arithmetic slow.
    if (event.kind == InputKind::Viewport && (event.x > 10000 || event.y > 10000)) continue;
    model.ui.postInput(std::move(event));
  }
  try {
    model.headless.pump();
  } catch (const HeadlessStall&) {
    // A modal loop with nothing left to do: the headless backend's own guard.
  }
  return 0;
}
