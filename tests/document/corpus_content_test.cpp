// The corpus, differentially: every object the content oracle records (its md5 as
// chmlib returns it) comes out with the same bytes through the reader's page path and
// through pgwktool extract and cat; #SYSTEM facts agree with the oracle's; topics
// answer; the malformed books give clean errors.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "document/book.h"
#include "document/name_rules.h"
#include "document_support.h"
#include "md5.h"
#include "platform/code_page.h"
#include "support/corpus.h"

namespace fs = std::filesystem;

namespace pgwk {
namespace {

struct OracleObject {
  std::string name;  // UTF-8, as listed
  std::uint32_t length = 0;
  std::string md5;
};

// The objects of NAME.files.tsv that chmlib could read.
std::vector<OracleObject> oracleObjects(const fs::path& book) {
  fs::path tsv = test::corpusDir() / "oracle" / book.parent_path().filename() / (book.filename().string() + ".files.tsv");
  std::ifstream in(tsv, std::ios::binary);
  std::vector<OracleObject> objects;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    if (fields.size() != 5 || fields[4].size() != 32) continue;
    objects.push_back({fields[0], static_cast<std::uint32_t>(std::stoul(fields[3])), fields[4]});
  }
  return objects;
}

nlohmann::json oracleSummary(const fs::path& book) {
  fs::path file = test::corpusDir() / "oracle" / book.parent_path().filename() / (book.filename().string() + ".json");
  std::ifstream in(file);
  return nlohmann::json::parse(in);
}

std::string testName(const ::testing::TestParamInfo<fs::path>& info) {
  std::string name = info.param.stem().string();
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

std::vector<fs::path> goodBooks() {
  std::vector<fs::path> books = test::corpusBooks("real");
  for (const fs::path& book : test::corpusBooks("generated")) books.push_back(book);
  return books;
}

// The position of each stored name (first entry of a name, in UTF-8) in the directory.
std::map<std::string, std::uint32_t> positionsByName(const ChmArchive& archive) {
  std::map<std::string, std::uint32_t> positions;
  for (std::uint32_t i = 0; i < archive.entryCount(); ++i)
    positions.try_emplace(utf8FromCodePage(archive.entry(i).name, archive.nameCodePage()), i);
  return positions;
}

TEST(Corpus, IsPresent) {
  PGWK_REQUIRE_CORPUS();
  EXPECT_GE(goodBooks().size(), 30u);
  EXPECT_GE(test::corpusBooks("bad").size(), 10u);
}

class GoodBook : public ::testing::TestWithParam<fs::path> {};

TEST_P(GoodBook, EveryRecordedObjectReadsAsTheOracleHasIt) {
  auto book = test::openBook(GetParam());
  const ChmArchive& archive = *book->mainArchive();
  std::map<std::string, std::uint32_t> positions = positionsByName(archive);
  std::vector<OracleObject> objects = oracleObjects(GetParam());
  ASSERT_FALSE(objects.empty());
  // The page path decodes a span of 64 KB or more for every file; in a book of
  // thousands of pages every third page (and every system file) says as much.
  const bool sample = objects.size() > 3000;
  int byName = 0, index = 0, sampledOut = 0;
  for (const OracleObject& object : objects) {
    if (sample && index++ % 3 != 0 && !object.name.starts_with("/#") && !object.name.starts_with("/$") &&
        !object.name.starts_with("::")) {
      ++sampledOut;
      continue;
    }
    auto found = positions.find(object.name);
    ASSERT_NE(found, positions.end()) << object.name << " is not in the directory";
    const std::string& stored = archive.entry(found->second).name;
    // Lookups cut a name at "#" and decode "%" and "&" escapes, as links need; a stored
    // name that those change cannot be asked for by name, and extract covers it.
    if (book->entryPosition(stored) != found->second) continue;
    FileBuffer file = book->readFile(stored, (byName & 1) != 0);
    ASSERT_EQ(file.length(), object.length) << object.name;
    EXPECT_EQ(test::md5Hex(file.data(), file.length()), object.md5) << object.name;
    ++byName;
  }
  EXPECT_GE(byName + sampledOut, static_cast<int>(objects.size()) - 2) << "most objects can be read by name";
}

TEST_P(GoodBook, SystemFactsAgreeWithTheOracle) {
  auto book = test::openBook(GetParam());
  nlohmann::json summary = oracleSummary(GetParam());
  const BookMetadata& metadata = book->mainArchive()->metadata();
  // The oracle decoded the #SYSTEM texts with its own guess of the code page; comparing
  // in that code page compares the stored bytes.
  int codePage = summary.value("codepage_guess", 1252);
  auto text = [&](const char* key) {
    return summary[key].is_string() ? codePageFromUtf8(summary[key].get<std::string>(), codePage) : std::string();
  };
  EXPECT_EQ(metadata.title, text("title"));
  EXPECT_EQ(book->title(nullptr, true), metadata.title.empty() ? book->title() : metadata.title);
  EXPECT_EQ(metadata.defaultFile, text("default_topic"));
  if (!metadata.defaultFile.empty()) {
    std::string extension = extensionOf(metadata.defaultFile);
    if (isPageExtension(extension) || isImageExtension(extension)) {
      EXPECT_EQ(book->defaultTopic(), metadata.defaultFile);
    }
  }
  EXPECT_EQ(metadata.contentsFile, text("contents_file"));
  EXPECT_EQ(metadata.indexFile, text("index_file"));
  if (!metadata.contentsFile.empty()) {
    EXPECT_EQ(book->contentsFile(), metadata.contentsFile);
  }
  if (!metadata.indexFile.empty()) {
    EXPECT_EQ(book->indexFile(), metadata.indexFile);
  }
  int language = std::stoi(summary["system_lcid"].get<std::string>(), nullptr, 16);
  EXPECT_EQ(book->contentLanguage(), language);
  EXPECT_EQ(metadata.windowRecord.has_value(), summary.value("windows_count", 0) > 0);
  if (summary["default_window"].is_string()) {
    EXPECT_EQ(metadata.defaultWindow, text("default_window"));
  }
}

TEST_P(GoodBook, TopicsAnswerAndFindTheirOwnLocations) {
  auto book = test::openBook(GetParam());
  const ChmArchive& archive = *book->mainArchive();
  std::uint32_t count = book->topicCount(&archive);
  const DirectoryEntry* topics = book->findEntry("#TOPICS");
  ASSERT_TRUE(topics);
  EXPECT_EQ(count, topics->length / 16);
  int located = 0;
  // Finding a location scans the table; a few hundred topics spread over it will do.
  const std::uint32_t step = count / 400 + 1;
  for (std::uint32_t topic = 0; topic < count; ++topic) {
    EXPECT_NE(book->topicTitle(topic, archive), "Incorrect topic id");
    if (topic % step != 0) continue;
    std::optional<std::string> location = book->topicLocation(topic);
    // External addresses and links into other files are not pages of this book.
    if (!location || location->empty() || location->find("::") != std::string::npos || isRemote(*location))
      continue;
    std::int64_t found = book->topicOfLocation(*location);
    EXPECT_GE(found, 0) << *location;
    EXPECT_LE(found, static_cast<std::int64_t>(topic)) << *location;
    ++located;
  }
  if (count) {
    EXPECT_GT(located, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, GoodBook, ::testing::ValuesIn(goodBooks()), testName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(GoodBook);

// Through the tool: extract every book once and compare every recorded object.
TEST(CorpusTool, ExtractGivesEveryRecordedObject) {
  PGWK_REQUIRE_CORPUS();
  for (const fs::path& bookPath : goodBooks()) {
    test::ScratchFolder out(true);
    std::string err;
    int status = test::runTool("extract " + test::shellQuoted(bookPath.string()) + " " +
                                   test::shellQuoted(out.path().string()),
                               nullptr, &err);
    EXPECT_EQ(status, 0) << bookPath << ": " << err;
    EXPECT_EQ(err, "") << bookPath;
    for (const OracleObject& object : oracleObjects(bookPath)) {
      fs::path file = out.path() / fs::u8path(object.name.substr(object.name.starts_with("/") ? 1 : 0));
      std::string bytes = test::fileText(file);
      EXPECT_EQ(test::md5Hex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), object.md5)
          << bookPath.filename() << " " << object.name;
    }
  }
}

TEST(CorpusTool, CatAndInfoAnswerOnARealBook) {
  PGWK_REQUIRE_CORPUS();
  fs::path bookPath = test::corpusDir() / "real" / "sasplanet-help-ru.chm";
  std::map<std::string, std::string> md5s;
  for (const OracleObject& object : oracleObjects(bookPath)) md5s[object.name] = object.md5;
  std::string out, err;
  for (std::string name : {"/#SYSTEM", "/Topic10.htm", "/#STRINGS"}) {
    ASSERT_EQ(test::runTool("cat " + test::shellQuoted(bookPath.string()) + " " + test::shellQuoted(name), &out, &err),
              0)
        << err;
    EXPECT_EQ(test::md5Hex(reinterpret_cast<const std::uint8_t*>(out.data()), out.size()), md5s.at(name)) << name;
  }
  // The name as a user types it: no leading slash, a fragment, another case.
  ASSERT_EQ(test::runTool("cat " + test::shellQuoted(bookPath.string()) + " 'topic10.HTM#anchor'", &out, &err), 0);
  EXPECT_EQ(test::md5Hex(reinterpret_cast<const std::uint8_t*>(out.data()), out.size()), md5s.at("/Topic10.htm"));

  EXPECT_EQ(test::runTool("cat " + test::shellQuoted(bookPath.string()) + " /nothing.htm", &out, &err), 1);
  EXPECT_EQ(err, "pgwktool: Can't find entry for file /nothing.htm\n");

  ASSERT_EQ(test::runTool("info " + test::shellQuoted(bookPath.string()), &out, &err), 0) << err;
  EXPECT_NE(out.find("title: Справка SAS.Планета\n"), std::string::npos) << out;
  EXPECT_NE(out.find("default topic: Topic10.htm\n"), std::string::npos) << out;
  EXPECT_NE(out.find("content code page: 1251\n"), std::string::npos) << out;

  ASSERT_EQ(test::runTool("topics " + test::shellQuoted(bookPath.string()), &out, &err), 0) << err;
  auto book = test::openBook(bookPath);
  std::size_t lines = std::count(out.begin(), out.end(), '\n');
  EXPECT_EQ(lines, book->topicCount());
  std::string first = "0\t" + utf8FromCodePage(book->topicTitle(0, *book->mainArchive()), 1251) + "\t" +
                      book->topicLocation(0).value_or("") + "\n";
  EXPECT_TRUE(out.starts_with(first)) << out.substr(0, 200);
}

// The malformed books: opening and reading everything ends in a result or a
// ReaderError, never a crash, a hang or a read out of bounds (the sanitizer build
// checks the last).
class BadBook : public ::testing::TestWithParam<fs::path> {};

TEST_P(BadBook, GivesCleanErrors) {
  std::unique_ptr<Book> book;
  std::string message = test::errorOf([&] { book = test::openBook(GetParam()); });
  if (book) {
    const ChmArchive& archive = *book->mainArchive();
    for (std::uint32_t i = 0; i < archive.entryCount(); ++i) {
      const DirectoryEntry& entry = archive.entry(i);
      if (entry.isFolder()) continue;
      test::errorOf([&] { book->readFile(entry.name, true); });
    }
    for (std::uint32_t topic = 0; topic < book->topicCount(); ++topic) {
      book->topicTitle(topic, archive);
      book->topicLocation(topic);
    }
    book->title();
    book->defaultTopic();
  } else {
    EXPECT_FALSE(message.empty());
  }
  // Through the tool: an exit status and a message, not a signal.
  test::ScratchFolder out;
  std::string err;
  int status = test::runTool("extract " + test::shellQuoted(GetParam().string()) + " " +
                                 test::shellQuoted(out.path().string()),
                             nullptr, &err);
  EXPECT_TRUE(status == 0 || status == 1) << status << " " << err;
  if (status == 1) {
    EXPECT_TRUE(err.starts_with("pgwktool: ")) << err;
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, BadBook, ::testing::ValuesIn(test::corpusBooks("bad")), testName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(BadBook);

}  // namespace
}  // namespace pgwk
