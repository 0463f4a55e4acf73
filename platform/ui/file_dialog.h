#pragma once
// The file-open dialog: a modal dialog built from the model's own widgets that
// browses the local file system (the browser cannot hand a program the path of a
// file the user picks). Folders first, then the files the chosen filter admits;
// hidden entries are left out. Returns the absolute path of an existing file.

#include <optional>
#include <string>
#include <vector>

#include "platform/ui/ui.h"

namespace pgwk::ui {

struct FileFilter {
  std::u16string label;  // "CHM files (*.chm)"
  std::string pattern;   // "*.chm" (compared ignoring ASCII case), "*" for every file
};

struct OpenFileOptions {
  std::u16string title = u"Open";
  std::vector<FileFilter> filters;  // none: every file
  std::string folder;               // where to start; empty: $HOME, else the working directory
};

// Control ids of the dialog's parts (tests and front ends find them by these).
namespace file_dialog {
inline constexpr int Folder = 1100;
inline constexpr int List = 1101;
inline constexpr int Filter = 1102;
inline constexpr int Name = 1103;
}  // namespace file_dialog

// Nothing when the user cancels (or the dialog is closed otherwise).
std::optional<std::string> runOpenFileDialog(Ui& ui, WidgetId owner, const OpenFileOptions& options);

// True when `name` matches a filter pattern such as "*.chm" (ASCII case ignored).
bool matchesFilter(const std::string& name, const std::string& pattern);

}  // namespace pgwk::ui
