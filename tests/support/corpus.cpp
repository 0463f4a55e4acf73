#include "support/corpus.h"

#include <algorithm>
#include <cstdlib>

namespace fs = std::filesystem;

namespace pgwk::test {

fs::path corpusDir() {
  const char* env = std::getenv("PGWK_CORPUS_DIR");
  fs::path dir = env && *env ? fs::path(env) : sourceDir() / ".." / "shared" / "corpus";
  std::error_code ec;
  if (!fs::is_directory(dir / "real", ec)) return {};
  return fs::weakly_canonical(dir, ec);
}

bool runningInCi() {
  const char* ci = std::getenv("CI");
  return ci && std::string(ci) == "true";
}

std::vector<fs::path> corpusBooks(const std::string& folder) {
  std::vector<fs::path> books;
  fs::path dir = corpusDir();
  if (dir.empty()) return books;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir / folder, ec)) {
    if (!entry.is_regular_file()) continue;
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    if (ext == ".chm") books.push_back(entry.path());
  }
  std::sort(books.begin(), books.end());
  return books;
}

fs::path sourceDir() { return PGWK_SOURCE_DIR; }

fs::path buildDir() {
  const char* env = std::getenv("PGWK_BUILD_DIR");
  return env && *env ? fs::path(env) : fs::path(PGWK_DEFAULT_BUILD_DIR);
}

}  // namespace pgwk::test
