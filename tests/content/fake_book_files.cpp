#include "fake_book_files.h"

#include <filesystem>
#include <memory>

#include "document/name_rules.h"
#include "foundation/reader_error.h"
#include "foundation/regex_matcher.h"
#include "foundation/text_routines.h"

namespace pgwk::test {

namespace {

std::string storedName(std::string_view name) {
  std::string key(name);
  normalisePath(key);
  key = key.substr(0, key.find('#'));
  lowerCase(key);
  return key;
}

}  // namespace

void FakeBookFiles::addBook(const std::string& path, const std::string& contentsFile,
                            std::map<std::string, std::string> files) {
  StoredBook stored{contentsFile, {}};
  for (auto& [name, text] : files) stored.files[storedName(name)] = std::move(text);
  disk_[lowerCased(path)] = std::move(stored);
}

ChmArchive& FakeBookFiles::open(const std::string& path) {
  if (!disk_.count(lowerCased(path))) raiseError("Can't open file: %s.", path.c_str());
  ChmArchive* archive = book_.archives().add(ChmArchive::makeCollection(path));
  book_.setCurrentArchive(archive);
  ++opened_;
  return *archive;
}

ChmArchive* FakeBookFiles::archiveOf(const std::string& path) const {
  for (int i = 0; i < book_.archives().count(); ++i)
    if (equalIgnoringCase(book_.archives().at(i)->path(), path)) return book_.archives().at(i);
  return nullptr;
}

bool FakeBookFiles::switchArchive(std::string_view reference) {
  RegexMatcher& pattern = book_.chmLinkPattern();
  if (reference.empty() || pattern.match(reference) <= 0) return false;
  std::string file = trimmed(pattern.groupText(1));
  if (file.empty()) return false;
  decodeReferences(file, book_.contentCodePage());
  if (file[0] != '/' && file[0] != '\\' && book_.currentArchive())
    file = std::string(folderOf(book_.currentArchive()->path())) + file;
  file = std::filesystem::path(file).lexically_normal().string();
  if (ChmArchive* archive = archiveOf(file)) {
    book_.setCurrentArchive(archive);
    return true;
  }
  open(file);
  return true;
}

const FakeBookFiles::StoredBook* FakeBookFiles::storedOf(const ChmArchive* archive) const {
  if (!archive) return nullptr;
  auto found = disk_.find(lowerCased(archive->path()));
  return found == disk_.end() ? nullptr : &found->second;
}

std::string FakeBookFiles::readFile(std::string_view reference) {
  switchArchive(reference);
  std::string name = stripLinkPrefix(book_.chmLinkPattern(), reference);
  const StoredBook* stored = storedOf(book_.currentArchive());
  if (stored) {
    auto found = stored->files.find(storedName(name));
    if (found != stored->files.end()) return found->second;
  }
  raiseError("Can't find entry for file %s\n", name.c_str());
}

std::string FakeBookFiles::contentsFileName() {
  const StoredBook* stored = storedOf(book_.currentArchive());
  return stored ? stored->contentsFile : std::string();
}

}  // namespace pgwk::test
