#include "book_support.h"

#include <fstream>

#include "support/chm_builder.h"

namespace fs = std::filesystem;

namespace pgwk::test {

namespace {

const char* const kFixtures[] = {"shelf", "volume", "atlas"};

}  // namespace

bool Shelf::fixturesBuilt() {
  for (const char* name : kFixtures)
    if (fixtureBook(name).empty()) return false;
  return true;
}

fs::path Shelf::place(const std::string& fixture, const std::string& as) const {
  fs::path target = path(as);
  fs::create_directories(target.parent_path());
  fs::copy_file(fixtureBook(fixture), target, fs::copy_options::overwrite_existing);
  return target;
}

fs::path Shelf::write(const std::string& as, const std::string& bytes) const {
  fs::path target = path(as);
  fs::create_directories(target.parent_path());
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return target;
}

void Shelf::placeStandardBooks() const {
  place("shelf", "shelf.chm");
  place("volume", "sub/volume.chm");
  place("atlas", "atlas.chm");
}

std::string bookWithoutSystemFiles(const std::vector<std::pair<std::string, std::string>>& files) {
  ChmBuilder builder;
  for (const auto& [name, text] : files) builder.add(name, text);
  return builder.build();
}

std::string bookWithSystemFiles(const std::string& contentsFile, const std::string& indexFile,
                                const std::vector<std::pair<std::string, std::string>>& files,
                                std::uint32_t language) {
  std::vector<std::pair<int, std::string>> records;
  if (!contentsFile.empty()) records.push_back({0, zeroTerminated(contentsFile)});
  if (!indexFile.empty()) records.push_back({1, zeroTerminated(indexFile)});
  records.push_back({3, zeroTerminated("Crafted")});
  ChmBuilder builder;
  if (language) {
    std::string id;
    put32(id, language);
    records.push_back({4, id});
    builder.languageId(language);
  }
  builder.add("/#SYSTEM", systemFile(3, records), false).add("/#STRINGS", std::string(1, '\0'), false);
  for (const auto& [name, text] : files) builder.add(name, text);
  return builder.build();
}

std::vector<std::string> documentOrder(const Book& book) {
  std::vector<std::string> names;
  for (const TocEntry* entry = book.contents().first(); entry; entry = entry->next)
    names.emplace_back(book.contents().nameOf(*entry));
  return names;
}

std::vector<std::string> childNames(const Book& book, const TocEntry& entry) {
  std::vector<std::string> names;
  for (int i = 0; i < entry.children.count(); ++i) names.emplace_back(book.contents().nameOf(*entry.children.at(i)));
  return names;
}

}  // namespace pgwk::test
