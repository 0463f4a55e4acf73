#include "platform/file_names.h"

#include <filesystem>

namespace pgwk {

namespace fs = std::filesystem;

namespace {

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  return true;
}

// The entry of the folder whose name equals the name ignoring case, or empty.
fs::path entryIgnoringCase(const fs::path& folder, const std::string& name) {
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string candidate = it->path().filename().string();
    if (sameIgnoringAsciiCase(candidate, name)) return folder / candidate;
  }
  return {};
}

}  // namespace

std::string existingPathIgnoringCase(std::string_view given) {
  std::error_code ec;
  const fs::path path{std::string(given)};
  if (path.empty()) return {};
  if (fs::exists(path, ec)) return path.string();

  fs::path found = path.root_path();
  for (const fs::path& part : path.relative_path()) {
    const std::string name = part.string();
    if (name.empty() || name == "." || name == "..") {
      found /= part;
      continue;
    }
    fs::path exact = found / part;
    if (fs::exists(exact, ec)) {
      found = exact;
      continue;
    }
    found = entryIgnoringCase(found, name);
    if (found.empty()) return {};
  }
  return found.string();
}

}  // namespace pgwk
