#include "document_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/corpus.h"

namespace fs = std::filesystem;

namespace pgwk::test {

fs::path fixtureBook(const std::string& name) {
  fs::path path = buildDir() / "tests" / "fixtures" / name / (name + ".chm");
  std::error_code ec;
  return fs::is_regular_file(path, ec) ? path : fs::path();
}

ScratchFolder::ScratchFolder(bool inMemory) {
  std::error_code ec;
  fs::path base = inMemory && ::access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm") : fs::temp_directory_path(ec);
  std::string pattern = (base / "pgwk-document-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::unique_ptr<Book> openBook(const fs::path& path, int characterSet) {
  auto book = std::make_unique<Book>();
  book->setCharacterSetSetting(characterSet);
  ChmArchive& archive = book->openChmFile(path.string());
  book->setMainArchive(&archive);
  return book;
}

std::string shellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') quoted += "'\\''";
    else quoted += c;
  }
  return quoted + "'";
}

std::string fileText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

int runTool(const std::string& arguments, std::string* out, std::string* err) {
  ScratchFolder scratch;
  std::string command = shellQuoted(PGWKTOOL_PATH) + " " + arguments + " >" + shellQuoted((scratch / "out").string()) +
                        " 2>" + shellQuoted((scratch / "err").string());
  int status = std::system(command.c_str());
  if (out) *out = fileText(scratch / "out");
  if (err) *err = fileText(scratch / "err");
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace pgwk::test
