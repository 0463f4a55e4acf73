// A window with every widget kind and an HTML view, served by the web backend:
// what the browser tests drive. It writes a small book-like page set into a
// temporary folder of its own, prints the addresses, logs every message its
// windows receive as one JSON line ("EVENT {...}") and takes commands on stdin.
//
//   pgwk_ui_gallery [--hidden-after MS] [--first-connect MS] [--open]
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "content/book_loading.h"
#include "content/page_preparer.h"
#include "document/book.h"
#include "platform/ui/controls.h"
#include "platform/ui/file_dialog.h"
#include "platform/ui/html_view.h"
#include "platform/ui/list_view.h"
#include "platform/ui/tree_view.h"
#include "platform/ui/ui.h"
#include "platform/ui/utf.h"
#include "platform/web/web_backend.h"

namespace fs = std::filesystem;
using namespace pgwk::ui;
using nlohmann::json;

namespace {

constexpr int kCommandMessage = 1;

void say(const std::string& line) {
  std::cout << line << std::endl;  // flushed: the tests read it as it comes
}

void writeFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// The main page the HTML view shows is prepared, as the reader prepares a page, from
// the fixture book tests/fixtures/gallery: a page with a style sheet, a picture,
// links inside and outside the folder and enough text to scroll. Next to it go
// hand-written probes that no book needs to hold: a page with a script of its own,
// one that navigates by itself, one that tries to reach the UI origin, and a link
// that leads out of the folder.
void preparePages(const fs::path& root, const std::string& uiOrigin) {
  pgwk::Book book;
  book.openChmFile(PGWK_GALLERY_BOOK);
  pgwk::finishOpening(book);
  pgwk::PagePreparer preparer(book, root.string());
  preparer.preparePage("/index.htm", pgwk::PageOptions{});
  if (preparer.preparedFiles().empty()) throw std::runtime_error("the gallery book has no /index.htm");
  writeFile(root / "0/script.htm",
            "<html><head><title>Script page</title>\n"
            "<script>document.title = 'SCRIPT RAN';</script></head>\n"
            "<body onload=\"document.title = 'HANDLER RAN'\"><p id=\"p\">Script page</p>\n"
            "<script>document.getElementById('p').textContent = 'SCRIPT RAN';</script></body></html>\n");
  // Tries to go elsewhere by itself once loaded.
  writeFile(root / "0/wander.htm",
            "<html><head><title>Wander</title></head><body><p id=\"w\">stay</p>\n"
            "<script>window.addEventListener('load', () => setTimeout(() => { location.href = 'index.htm#top'; }, 50));"
            "</script></body></html>\n");
  // Runs with scripting on and reports, through its title, what it could reach.
  writeFile(root / "0/attack.htm",
            "<html><head><title>attack</title></head><body><script>\n"
            "(async () => {\n"
            "  const found = {};\n"
            "  try { found.parentUrl = String(window.top.location.href); } catch (e) { found.parentUrl = 'blocked'; }\n"
            "  found.referrer = document.referrer;\n"
            "  found.cookie = document.cookie;\n"
            "  try {\n"
            "    const r = await fetch('" + uiOrigin + "/api/event', {method: 'POST', headers: {'Content-Type': "
            "'application/json'}, body: JSON.stringify({k: 'tap', w: 1})});\n"
            "    found.post = r.status;\n"
            "  } catch (e) { found.post = 'blocked'; }\n"
            "  try { const r = await fetch('" + uiOrigin + "/api/state'); found.state = r.status; }\n"
            "  catch (e) { found.state = 'blocked'; }\n"
            "  try { const r = await fetch('" + uiOrigin + "/'); found.page = (await r.text()).length; }\n"
            "  catch (e) { found.page = 'blocked'; }\n"
            "  try { window.top.location = 'about:blank'; found.navigateTop = 'done'; }\n"
            "  catch (e) { found.navigateTop = 'blocked'; }\n"
            "  document.title = 'ATTACK ' + JSON.stringify(found);\n"
            "})();\n"
            "</script></body></html>\n");
  std::error_code ignored;
  fs::create_symlink("/etc/hostname", root / "0/escape.htm", ignored);
  writeFile(root.parent_path() / (root.filename().string() + "-outside.htm"), "<p>outside the folder</p>\n");
}

json describeMessage(const Message& m) {
  json out{{"kind", messageKindName(m.kind)}, {"window", m.window}, {"code", m.code},
           {"notify", m.notifyCode},          {"source", m.source}, {"ctrl", m.controlId},
           {"index", m.index},                {"item", m.item},     {"delta", m.delta},
           {"x", m.x},                        {"y", m.y},           {"flag", m.flag},
           {"param", m.param},                {"text", toUtf8(m.text.substr(0, 200))}, {"data", m.data}};
  return out;
}

struct Gallery {
  Ui ui;
  std::unique_ptr<pgwk::web::WebBackend> web;
  fs::path root;
  Window* main = nullptr;
  MenuBar* bar = nullptr;
  HtmlView* view = nullptr;
  Menu* fileMenu = nullptr;
  Menu* context = nullptr;
  std::map<int, Widget*> byControl;

  template <class W>
  W& add(int controlId, std::u16string text = {}) {
    W& w = ui.create<W>(main->id(), controlId, Rect{}, std::move(text));
    w.setHandler([this](const Message& m) { return log(m); });
    byControl[controlId] = &w;
    return w;
  }

  std::int64_t log(const Message& m) {
    if (m.kind == MessageKind::Destroy) return 0;
    say("EVENT " + describeMessage(m).dump(-1, ' ', false, json::error_handler_t::replace));
    return 0;
  }

  void build() {
    main = &ui.create<Window>(kNoWidget, 0, Rect{}, u"Widget gallery");
    ui.setMainWindow(main->id());
    main->setHandler([this](const Message& m) { return onMain(m); });

    auto& caption = add<Label>(100, u"Name:");
    caption.setNotify(true);
    add<Edit>(101);
    add<Button>(102, u"Message");
    add<GroupBox>(106, u"Group");
    add<CheckBox>(103, u"Check");
    add<RadioButton>(104, u"One").setChecked(true);
    add<RadioButton>(105, u"Two");
    auto& list = add<ComboBox>(107);
    for (const char16_t* text : {u"Automatic", u"Western", u"Cyrillic"}) list.add(text);
    list.setSelection(0);
    auto& edit = add<ComboBox>(108);
    edit.setEditable(true);
    edit.add(u"lzx");
    edit.add(u"reset table");
    auto& spin = add<UpDown>(109);
    spin.setRange(1, 50);
    spin.setPosition(10);
    add<Label>(110, u"10");
    auto& progress = add<ProgressBar>(111);
    progress.setPosition(40);
    auto& listView = add<ListView>(112);
    listView.setHeaderImages(ImageList::sortArrows(ui.scale()));
    listView.insertColumn(0, u"Title", 70);
    listView.insertColumn(1, u"Place", 30);
    const char16_t* titles[] = {u"Reset table", u"Directory", u"Sections", u"Huffman", u"Window"};
    for (int i = 0; i < 5; ++i) {
      int item = listView.insertItem(listView.count(), titles[i], i);
      listView.setItemText(item, 1, fromUtf8(std::to_string(5 - i)));
    }
    listView.setColumnImage(1, 0);
    auto& tree = add<TreeView>(113);
    tree.setImages(ImageList::contents(ui.scale()));
    TreeItemId book = tree.insertItem(kTreeRoot, u"Book", 0, 0, 1);
    TreeItemId folder = tree.insertItem(book, u"Folder", 4, 4, 2);
    tree.insertItem(folder, u"Page", 10, 10, 3);
    tree.insertItem(book, u"Loose page", 8, 8, 4);
    auto& picture = add<Picture>(114);
    picture.setImage(ImageList::menuBar(16 * ui.scale()), 4);
    picture.setNotify(true);
    add<Button>(115, u"Dialog");
    add<Button>(116, u"Sheet");
    add<Button>(117, u"Menu");
    view = &add<HtmlView>(118);

    fileMenu = &ui.createMenu();
    Menu& recent = ui.createMenu();
    recent.append(1050, u"0. Empty");
    recent.enable(1050, false);
    fileMenu->append(1031, u"Open");
    fileMenu->appendSubmenu(recent.id(), u"Recent Files");
    fileMenu->appendSeparator();
    fileMenu->append(1004, u"page");
    fileMenu->checkRadio(1001, 1005, 1004);
    fileMenu->append(1000, u"Exit");
    context = &ui.createMenu();
    context->append(800, u"Select All");
    context->append(801, u"Copy");
    context->appendSeparator();
    context->append(813, u"Fullscreen");
    context->check(813, true);

    bar = &add<MenuBar>(119);
    bar->addTextButton(401, u"File", fileMenu->id());
    bar->addTextButton(999, u"Close");
    const std::pair<int, int> buttons[] = {{306, 5}, {303, 0}, {302, 1}, {304, 3}, {305, 4},
                                           {307, 6}, {802, 8}, {810, 10}, {811, 11}, {1036, 9}};
    for (const auto& [command, image] : buttons) bar->addImageButton(command, image);
    bar->enableButton(303, false);
    bar->showButton(999, false);
    bar->setToolTips({u"", u"Close", u"Contents", u"Back", u"Forward", u"Reload", u"Home", u"Jump",
                      u"Add bookmark", u"Display", u"Delete", u"Options"});
    layout();
    view->load((root / "0/index.htm").string());
  }

  // Every pixel constant times the scale, as the reader's layout does.
  void layout() {
    const int s = ui.scale();
    const Size screen = ui.screenSize();
    main->setRect(Rect::fromSize(0, 0, screen.width, screen.height));
    const int barHeight = MenuBar::heightFor(s);
    bar->setRect(Rect::fromSize(0, screen.height - barHeight, screen.width, barHeight));
    bar->setImageList(ImageList::menuBar(barHeight > 26 ? 32 : 16));
    auto place = [&](int id, int x, int y, int w, int h) { byControl[id]->move(x * s, y * s, w * s, h * s); };
    place(100, 2, 4, 36, 14);
    place(101, 40, 2, 120, 18);
    place(102, 164, 2, 72, 18);
    place(106, 2, 22, 234, 26);
    place(103, 8, 30, 60, 16);
    place(104, 80, 30, 50, 16);
    place(105, 140, 30, 50, 16);
    place(107, 2, 50, 80, 18);
    place(108, 86, 50, 80, 18);
    place(109, 170, 50, 16, 18);
    place(110, 188, 52, 20, 14);
    place(111, 210, 54, 26, 10);
    place(112, 2, 72, 116, 70);
    place(113, 120, 72, 116, 70);
    place(114, 2, 146, 18, 18);
    place(115, 24, 146, 68, 18);
    place(116, 96, 146, 68, 18);
    place(117, 168, 146, 68, 18);
    auto* list = static_cast<ListView*>(byControl[112]);
    list->setColumnWidth(0, 70 * s);
    list->setColumnWidth(1, 30 * s);
    list->setHeaderImages(ImageList::sortArrows(s));
    static_cast<TreeView*>(byControl[113])->setImages(ImageList::contents(s));
    int viewTop = 168 * s;
    view->setRect(Rect::fromSize(0, viewTop, screen.width, std::max(0, screen.height - barHeight - viewTop)));
  }

  std::int64_t onMain(const Message& m) {
    log(m);
    if (m.kind == MessageKind::SettingChange && m.code == kDisplayResetCode) layout();
    if (m.kind == MessageKind::WindowHidden) {
      say("HIDDEN");
      ui.postQuit(0);
    }
    if (m.kind == MessageKind::Notify && m.code == notify::UpDownDeltaPos) {
      int next = m.index + m.delta;
      if (next < 1 || next > 50) return 1;
      byControl[110]->setText(fromUtf8(std::to_string(next)));
    }
    if (m.kind == MessageKind::Notify && m.code == notify::ListColumnClick) {
      auto* list = ui.get<ListView>(m.source);
      static int key = 2;
      key = std::abs(key) == m.index + 1 ? -key : m.index + 1;
      for (int c = 0; c < list->columnCount(); ++c) list->setColumnImage(c, -1);
      list->setColumnImage(std::abs(key) - 1, key > 0 ? 0 : 1);
      int column = std::abs(key) - 1;
      int sign = key > 0 ? 1 : -1;
      list->sort([&](std::int64_t a, std::int64_t b) {
        int ia = list->findData(a), ib = list->findData(b);
        return sign * list->itemText(ia, column).compare(list->itemText(ib, column));
      });
    }
    if (m.kind == MessageKind::Notify && m.code == notify::TreeItemExpanding) {
      auto* tree = ui.get<TreeView>(m.source);
      int delta = m.flag ? 1 : -1;
      tree->setItemImages(m.item, tree->itemImage(m.item) + delta, tree->itemSelectedImage(m.item) + delta);
    }
    if (m.kind == MessageKind::Notify && m.code == notify::HtmlContextMenu) {
      // As the reader does: the pop-up menu at the reported point.
      ui.trackPopupMenu(context->id(), {m.x, m.y}, main->id());
    }
    if (m.kind == MessageKind::Command && m.notifyCode == notify::Clicked) {
      if (m.code == 102) {
        int answer = ui.messageBox(main->id(), u"Can't create temporary folder", u"Startup error",
                                   {MessageBoxIcon::Error, MessageBoxButtons::OkCancel, true});
        say("MSGBOX " + std::to_string(answer));
      } else if (m.code == 115) {
        runDialog();
      } else if (m.code == 116) {
        runSheet();
      } else if (m.code == 117) {
        Rect r = ui.screenRect(m.source);
        int chosen = ui.trackPopupMenu(context->id(), {r.left, r.bottom}, main->id());
        say("POPUP " + std::to_string(chosen));
      }
    }
    if (m.kind == MessageKind::Command && m.code == 1031 && m.source == kNoWidget) {
      OpenFileOptions options;
      options.filters = {{u"Pages (*.htm)", "*.htm"}, {u"All files", "*"}};
      options.folder = root.string();
      auto chosen = runOpenFileDialog(ui, main->id(), options);
      say("OPEN " + chosen.value_or("-"));
    }
    if (m.kind == MessageKind::User && m.code == kCommandMessage) runCommand(m.data);
    return 0;
  }

  void runDialog() {
    const int s = ui.scale();
    auto& dialog = ui.create<Dialog>(kNoWidget, 0, Rect::fromSize(10 * s, 40 * s, 220 * s, 120 * s), u"Topics Found");
    dialog.setVisible(false);
    dialog.setHandler([this](const Message& m) { return log(m); });
    ui.create<Label>(dialog.id(), 1012, Rect::fromSize(6 * s, 4 * s, 200 * s, 14 * s), u"Click a topic, then Display.");
    auto& topics = ui.create<ListView>(dialog.id(), 1000, Rect::fromSize(6 * s, 20 * s, 206 * s, 50 * s));
    topics.setHeaderVisible(false);
    topics.insertColumn(0, u"", 200 * s);
    for (const char16_t* t : {u"First topic", u"Second topic", u"Third topic"}) topics.insertItem(topics.count(), t);
    topics.select(0);
    ui.create<Button>(dialog.id(), 1, Rect::fromSize(6 * s, 76 * s, 80 * s, 18 * s), u"Display");
    ui.create<Button>(dialog.id(), 2, Rect::fromSize(92 * s, 76 * s, 80 * s, 18 * s), u"Cancel");
    int result = ui.runModal(dialog.id());
    say("DIALOG " + std::to_string(result) + " " + std::to_string(ui.exists(topics.id()) ? topics.selection() : -9));
    ui.destroy(dialog.id());
  }

  void runSheet() {
    const int s = ui.scale();
    Size screen = ui.screenSize();
    auto& sheet = ui.create<PropertySheet>(kNoWidget, 0, Rect::fromSize(0, 0, screen.width, screen.height - 26 * s),
                                           u"Pagewick");
    sheet.setVisible(false);
    sheet.setHandler([this](const Message& m) { return log(m); });
    for (const char16_t* title : {u"Display", u"Bookmarks", u"Search", u"Recent", u"Buttons", u"General"}) {
      WidgetId page = sheet.addPage(title);
      ui.create<CheckBox>(page, 1046, Rect::fromSize(6 * s, 6 * s, 200 * s, 16 * s), std::u16string(u"Option on ") + title);
      ui.find(page)->setHandler([this](const Message& m) { return log(m); });
    }
    int bottom = sheet.rect().height() - sheet.captionHeight();
    ui.create<Button>(sheet.id(), 1, Rect::fromSize(sheet.rect().width() - 60 * s, bottom - 22 * s, 54 * s, 18 * s),
                      u"OK");
    sheet.setActivePage(0);
    int result = ui.runModal(sheet.id());
    say("SHEET " + std::to_string(result) + " " + std::to_string(sheet.activePage()));
    ui.destroy(sheet.id());
  }

  void runCommand(const std::string& line) {
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    std::string rest;
    std::getline(in, rest);
    if (!rest.empty() && rest.front() == ' ') rest.erase(0, 1);
    if (verb == "load") {
      view->load(rest.front() == '/' ? rest : (root / rest).string());
    } else if (verb == "scripting") {
      view->setScripting(rest == "1");
    } else if (verb == "scroll") {
      view->setScrollPosition(Axis::Vertical, std::stoi(rest));
    } else if (verb == "anchor") {
      view->scrollToAnchor(rest);
    } else if (verb == "selectall") {
      view->selectAll();
    } else if (verb == "zoom") {
      view->setZoom(std::stoi(rest));
    } else if (verb == "open") {
      ui.openExternal(rest);
    } else if (verb == "busy") {
      ui.setCursor(rest == "1" ? CursorShape::Busy : CursorShape::Normal);
    } else if (verb == "long") {
      // A long operation that does not return to the loop: only repaint shows progress.
      auto* progress = static_cast<ProgressBar*>(byControl[111]);
      ui.setCursor(CursorShape::Busy);
      for (int p = 0; p <= 100; p += 10) {
        progress->setPosition(p);
        ui.repaint();
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
      }
      ui.setCursor(CursorShape::Normal);
      say("LONG DONE");
    } else if (verb == "text") {
      byControl[100]->setText(fromUtf8(rest));
    } else if (verb == "state") {
      json out;
      auto v = view->scrollInfo(Axis::Vertical);
      out["vertical"] = v ? json{v->min, v->max, v->page, v->pos} : json(nullptr);
      out["selection"] = view->hasSelection();
      out["selected"] = toUtf8(view->selectedText());
      out["title"] = toUtf8(view->title());
      out["loading"] = view->loading();
      out["screen"] = {ui.screenSize().width, ui.screenSize().height};
      out["scale"] = ui.scale();
      out["ignored"] = ui.ignoredInputs();
      say("STATE " + out.dump(-1, ' ', false, json::error_handler_t::replace));
    } else if (verb == "quit") {
      ui.postQuit(0);
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  pgwk::web::WebOptions options;
  options.openBrowser = false;
  options.firstConnectWithin = std::chrono::minutes(10);
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--hidden-after" && i + 1 < argc) options.hiddenAfter = std::chrono::milliseconds(std::atoi(argv[++i]));
    else if (arg == "--first-connect" && i + 1 < argc)
      options.firstConnectWithin = std::chrono::milliseconds(std::atoi(argv[++i]));
    else if (arg == "--open") options.openBrowser = true;
  }
  std::string pattern = (fs::temp_directory_path() / "pgwk-gallery-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  Gallery gallery;
  gallery.root = pattern;
  gallery.ui.setContentRoot(gallery.root.string());
  gallery.web = std::make_unique<pgwk::web::WebBackend>(gallery.ui, options);
  try {
    preparePages(gallery.root, "http://127.0.0.1:" + std::to_string(gallery.web->port()));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gallery: can't prepare its pages: %s\n", e.what());
    return 1;
  }
  gallery.build();
  say("ROOT " + gallery.root.string());
  say("CONTENT " + gallery.web->contentOrigin());
  say("TOKEN " + gallery.web->token());
  say("URL " + gallery.web->pageUrl());

  // Commands from the test, one per line; the end of the input ends the program.
  std::thread([&ui = gallery.ui] {
    std::string line;
    while (std::getline(std::cin, line)) {
      Message command;
      command.kind = MessageKind::User;
      command.window = ui.mainWindow();
      command.code = kCommandMessage;
      command.data = line;
      ui.post(std::move(command));
    }
    ui.postQuit(0);
  }).detach();

  Message message;
  while (gallery.ui.getMessage(message)) gallery.ui.dispatch(message);
  gallery.web.reset();
  std::error_code ignored;
  fs::remove_all(gallery.root, ignored);
  fs::remove(gallery.root.parent_path() / (gallery.root.filename().string() + "-outside.htm"), ignored);
  say("EXIT " + std::to_string(gallery.ui.quitCode()));
  return gallery.ui.quitCode();
}
