#include "document/name_rules.h"

#include <algorithm>
#include <array>

#include "foundation/text_routines.h"

namespace pgwk {

namespace {

constexpr std::size_t kMaxExtension = 100;

bool isOneOf(std::string_view extension, std::initializer_list<std::string_view> set) {
  return std::find(set.begin(), set.end(), extension) != set.end();
}

}  // namespace

void extensionOf(std::string_view name, std::string& out) {
  out.clear();
  std::size_t cut = name.rfind('\\');
  if (cut == std::string_view::npos) cut = name.rfind('/');
  std::string_view file = cut == std::string_view::npos ? name : name.substr(cut + 1);
  std::size_t dot = file.rfind('.');
  if (dot == std::string_view::npos) return;
  std::string_view extension = file.substr(dot);
  out.assign(extension.substr(0, std::min(extension.find('#'), kMaxExtension)));
  lowerCase(out);
  trim(out);
}

std::string extensionOf(std::string_view name) {
  std::string out;
  extensionOf(name, out);
  return out;
}

std::string_view folderOf(std::string_view path) {
  std::size_t cut = path.rfind('\\');
  if (cut == std::string_view::npos) cut = path.rfind('/');
  return cut == std::string_view::npos ? std::string_view() : path.substr(0, cut + 1);
}

bool isRemote(std::string_view name) {
  std::string lower = lowerCased(name);
  return lower.find("http:") != std::string::npos || lower.find("https:") != std::string::npos ||
         lower.find("ftp:") != std::string::npos;
}

bool isPageExtension(std::string_view e) { return isOneOf(e, {".htm", ".shtm", ".html", ".shtml"}); }

bool isImageExtension(std::string_view e) {
  return isOneOf(e, {".map", ".gif", ".png", ".pcx", ".pcd", ".jpg", ".jpe", ".jpeg", ".bmp",
                     ".2bp", ".img", ".tif", ".tiff", ".cfx", ".raw", ".pgm", ".ppm", ".art"});
}

bool isStyleSheetExtension(std::string_view e) { return e == ".css"; }
bool isScriptExtension(std::string_view e) { return e == ".js"; }

}  // namespace pgwk
