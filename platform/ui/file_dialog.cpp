#include "platform/ui/file_dialog.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/ui/controls.h"
#include "platform/ui/list_view.h"
#include "platform/ui/utf.h"

namespace pgwk::ui {

namespace fs = std::filesystem;

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool lessIgnoringCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return lower(x) < lower(y); });
}

std::string startFolder(const std::string& requested) {
  std::error_code error;
  if (!requested.empty() && fs::is_directory(requested, error)) return fs::absolute(requested, error).string();
  if (const char* home = std::getenv("HOME"); home && *home == '/' && fs::is_directory(home, error)) return home;
  return fs::current_path(error).string();
}

class OpenFileDialog {
 public:
  OpenFileDialog(Ui& ui, const OpenFileOptions& options) : ui_(ui), options_(options) {
    folder_ = startFolder(options.folder);
    build();
    fill();
  }
  ~OpenFileDialog() { ui_.destroy(dialog_); }
  OpenFileDialog(const OpenFileDialog&) = delete;
  OpenFileDialog& operator=(const OpenFileDialog&) = delete;

  std::optional<std::string> run() {
    int value = ui_.runModal(dialog_, button_id::Cancel);
    if (value != button_id::Ok) return std::nullopt;
    return result_;
  }

 private:
  struct Entry {
    std::string name;
    bool folder;
  };

  void build() {
    const int s = ui_.scale();
    const Size screen = ui_.screenSize();
    auto& dialog = ui_.create<Dialog>(kNoWidget, 0, Rect::fromSize(0, 0, screen.width, screen.height), options_.title);
    dialog.setVisible(false);
    dialog_ = dialog.id();
    const int m = 4 * s;
    const int line = lineHeight(dialog.font());
    const int row = line + 6 * s;
    const int width = screen.width - 2 * m;
    const int bottom = screen.height - dialog.captionHeight();
    const int buttonWidth = 60 * s;
    folderLabel_ = &ui_.create<Label>(dialog_, file_dialog::Folder, Rect::fromSize(m, m, width, line));
    int listTop = 2 * m + line;
    int listBottom = bottom - 3 * (row + m);
    list_ = &ui_.create<ListView>(dialog_, file_dialog::List,
                                  Rect::fromSize(0, listTop, screen.width, std::max(row, listBottom - listTop)));
    list_->setHeaderVisible(false);
    list_->insertColumn(0, u"Name", screen.width - 4 * s);
    name_ = &ui_.create<Edit>(dialog_, file_dialog::Name, Rect::fromSize(m, listBottom + m, width, row));
    filter_ = &ui_.create<ComboBox>(dialog_, file_dialog::Filter,
                                    Rect::fromSize(m, listBottom + 2 * m + row, width, row));
    for (const auto& f : options_.filters) filter_->add(f.label);
    if (filter_->count() == 0) filter_->add(u"*");
    filter_->setSelection(0);
    int buttonsTop = listBottom + 3 * m + 2 * row;
    ui_.create<Button>(dialog_, button_id::Ok, Rect::fromSize(width + m - 2 * buttonWidth - m, buttonsTop, buttonWidth, row),
                       u"OK");
    ui_.create<Button>(dialog_, button_id::Cancel, Rect::fromSize(width + m - buttonWidth, buttonsTop, buttonWidth, row),
                       u"Cancel");
    dialog.setHandler([this](const Message& m) { return onDialog(m); });
    name_->setHandler([this](const Message& m) -> std::int64_t {
      if (m.kind == MessageKind::KeyDown && m.code == key::Enter) {
        accept();
        return 1;
      }
      return 0;
    });
  }

  std::string pattern() const {
    int index = filter_->selection();
    if (index < 0 || index >= static_cast<int>(options_.filters.size())) return "*";
    return options_.filters[index].pattern;
  }

  void fill() {
    entries_.clear();
    std::vector<Entry> folders;
    std::vector<Entry> files;
    std::error_code error;
    const std::string filter = pattern();
    for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
      std::string name = it->path().filename().string();
      if (name.empty() || name.front() == '.') continue;
      std::error_code kind;
      if (it->is_directory(kind)) folders.push_back({name, true});
      else if (matchesFilter(name, filter)) files.push_back({name, false});
    }
    auto byName = [](const Entry& a, const Entry& b) { return lessIgnoringCase(a.name, b.name); };
    std::sort(folders.begin(), folders.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    if (folder_ != "/") entries_.push_back({"..", true});
    entries_.insert(entries_.end(), folders.begin(), folders.end());
    entries_.insert(entries_.end(), files.begin(), files.end());
    list_->deleteAllItems();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      list_->insertItem(list_->count(), display(entries_[i]), static_cast<std::int64_t>(i));
    }
    folderLabel_->setText(fromUtf8(folder_));
  }

  static std::u16string display(const Entry& entry) { return fromUtf8(entry.name) + (entry.folder ? u"/" : u""); }

  void enter(const std::string& folder) {
    std::error_code error;
    fs::path target = fs::weakly_canonical(folder, error);
    if (error || !fs::is_directory(target, error)) return;
    folder_ = target.string();
    name_->setText(u"");
    fill();
  }

  std::string pathOf(const std::string& name) const {
    if (!name.empty() && name.front() == '/') return name;
    return (fs::path(folder_) / name).string();
  }

  // Opens a folder, or ends with an existing file.
  void open(const std::string& path) {
    std::error_code error;
    if (fs::is_directory(path, error)) {
      enter(path);
    } else if (fs::is_regular_file(path, error)) {
      result_ = fs::absolute(path, error).lexically_normal().string();
      ui_.endDialog(dialog_, button_id::Ok);
    }
  }

  void accept() {
    int selected = list_->selection();
    std::u16string typed = name_->text();
    if (typed.empty() && selected >= 0) {
      open(pathOf(entries_[list_->itemData(selected)].name));
    } else if (selected >= 0 && typed == display(entries_[list_->itemData(selected)])) {
      open(pathOf(entries_[list_->itemData(selected)].name));  // the exact bytes of the name
    } else if (!typed.empty()) {
      open(pathOf(toUtf8(typed)));
    }
  }

  std::int64_t onDialog(const Message& m) {
    if (m.kind == MessageKind::Notify && m.controlId == file_dialog::List) {
      int index = m.index;
      if (index < 0 || index >= list_->count()) return 0;
      const Entry& entry = entries_[list_->itemData(index)];
      if (m.code == notify::ListItemActivate) {
        open(pathOf(entry.name));
      } else if (m.code == notify::ListItemChanged && !entry.folder) {
        name_->setText(display(entry));
      }
      return 0;
    }
    if (m.kind == MessageKind::Command && m.code == file_dialog::Filter && m.notifyCode == notify::ComboSelChange) {
      fill();
      return 1;
    }
    if (m.kind == MessageKind::Command && m.code == button_id::Ok && m.notifyCode == notify::Clicked) {
      accept();
      return 1;
    }
    return 0;
  }

  Ui& ui_;
  const OpenFileOptions& options_;
  WidgetId dialog_ = kNoWidget;
  Label* folderLabel_ = nullptr;
  ListView* list_ = nullptr;
  Edit* name_ = nullptr;
  ComboBox* filter_ = nullptr;
  std::string folder_;
  std::vector<Entry> entries_;
  std::optional<std::string> result_;
};

}  // namespace

bool matchesFilter(const std::string& name, const std::string& pattern) {
  if (pattern.empty() || pattern == "*" || pattern == "*.*") return true;
  if (pattern.front() != '*') {
    return name.size() == pattern.size() &&
           std::equal(name.begin(), name.end(), pattern.begin(), [](char a, char b) { return lower(a) == lower(b); });
  }
  std::string suffix = pattern.substr(1);
  return name.size() >= suffix.size() && std::equal(suffix.begin(), suffix.end(), name.end() - suffix.size(),
                                                    [](char a, char b) { return lower(a) == lower(b); });
}

std::optional<std::string> runOpenFileDialog(Ui& ui, WidgetId owner, const OpenFileOptions& options) {
  (void)owner;  // the dialog covers the screen; owning it changes nothing here
  OpenFileDialog dialog(ui, options);
  return dialog.run();
}

}  // namespace pgwk::ui
