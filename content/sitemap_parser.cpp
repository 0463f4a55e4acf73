#include "content/sitemap_parser.h"

#include <climits>
#include <cstdlib>
#include <memory>

#include "content/tag_reader.h"
#include "document/book.h"
#include "document/book_files.h"
#include "document/name_rules.h"
#include "foundation/reader_error.h"
#include "foundation/text_routines.h"

namespace pgwk {

namespace {

// Puts the Book's current archive back when the scope ends, also when an error
// passes through: following a reference must not move the reader's cursor.
class CurrentArchiveKeeper {
 public:
  explicit CurrentArchiveKeeper(Book& book) : book_(book), kept_(book.currentArchive()) {}
  ~CurrentArchiveKeeper() { book_.setCurrentArchive(kept_); }
  CurrentArchiveKeeper(const CurrentArchiveKeeper&) = delete;
  CurrentArchiveKeeper& operator=(const CurrentArchiveKeeper&) = delete;

 private:
  Book& book_;
  ChmArchive* kept_;
};

bool isTag(std::string_view tag, std::string_view text) { return equalIgnoringCase(tag, text); }

// The text after the parameter name, where its "value" must stand.
std::string parameterValue(Book& book, std::string_view tag, std::size_t valueAt, std::size_t size) {
  std::string value;
  TagReader::attributeValue(book, tag.substr(valueAt), "value", value, size);
  return value;
}

// Reads a number the way C's "%i" does: decimal, "0x" hexadecimal or "0" octal,
// after optional blanks and a sign. False when the text does not begin with one.
bool readImageNumber(const std::string& text, int& number) {
  const char* begin = text.c_str();
  char* end = nullptr;
  long long value = std::strtoll(begin, &end, 0);
  if (end == begin) return false;
  if (value > INT_MAX) value = INT_MAX;
  if (value < INT_MIN) value = INT_MIN;
  number = static_cast<int>(value);
  return true;
}

// How a merged file is told apart from the ones already being parsed: its archive
// and its name as a lookup would compare it.
std::string mergeName(Book& book, std::string_view reference) {
  std::string name = stripLinkPrefix(book.chmLinkPattern(), reference);
  normalisePath(name);
  std::size_t hash = name.find('#');
  if (hash != std::string::npos) name.resize(hash);
  lowerCase(name);
  return name;
}

}  // namespace

void SitemapParser::startParse() {
  mergeCount_ = 0;
  mergesOf_.clear();
}

// Contents

void SitemapParser::parseContents(std::string_view text, TocEntry& parent) {
  if (merging_.empty()) startParse();
  ChmArchive* current = book_.currentArchive();
  book_.loadingProgress().reportFile(current ? fileNameOf(current->path()) : std::string_view());
  try {
    TagReader reader(book_, text);
    std::string tag;
    // Properties objects and anything else before the first list are ignored; a
    // second top-level list adds more top-level entries.
    while (reader.nextTag(tag, kSitemapTags))
      if (isTag(tag, "UL")) readList(reader, tag, parent);
  } catch (const ReaderError& e) {
    raiseError("Error while parse TOC file.\n%s", e.what());
  }
}

void SitemapParser::readList(TagReader& reader, std::string& tag, TocEntry& parent) {
  SitemapTree& tree = book_.contents();
  // Nested lists are followed with a stack of their own rather than by recursion, so
  // nesting depth is bounded by memory, not by the call stack.
  struct Level {
    TocEntry* parent;
    TocEntry* latest;
  };
  std::vector<Level> levels{{&parent, nullptr}};
  while (!levels.empty() && reader.nextTag(tag, kSitemapTags)) {
    Level& level = levels.back();
    if (isTag(tag, "LI")) {
      auto entry = std::make_unique<TocEntry>();
      tree.link(*entry);
      level.latest = entry.get();
      try {
        readObject(reader, tag, *entry);
      } catch (...) {
        tree.unlinkSubtree(*entry);
        throw;
      }
      level.parent->children.add(std::move(entry));
      book_.loadingProgress().addToTotal(1);
    } else if (tag.starts_with("OBJECT")) {
      // An object without an item of its own ("<LI class=x>" was not taken for an
      // item) lands on the latest item of the list, or nowhere.
      if (level.latest) {
        readObject(reader, tag, *level.latest);
      } else {
        TocEntry dropped;
        try {
          readObject(reader, tag, dropped);
        } catch (...) {
          tree.unlinkSubtree(dropped);
          throw;
        }
        tree.unlinkSubtree(dropped);
      }
    } else if (isTag(tag, "UL")) {
      TocEntry* into = level.latest ? level.latest : level.parent;
      levels.push_back({into, nullptr});
    } else if (isTag(tag, "/UL")) {
      levels.pop_back();
    }
  }
}

void SitemapParser::readObject(TagReader& reader, std::string& tag, TocEntry& entry) {
  while (reader.nextTag(tag, kSitemapTags)) {
    if (isTag(tag, "/OBJECT")) return;
    readParameter(tag, entry);
  }
}

void SitemapParser::readParameter(std::string_view tag, TocEntry& entry) {
  SitemapTree& tree = book_.contents();
  std::string name;
  auto valueAt = TagReader::attributeValue(book_, tag, "param name", name, TagReader::kShortValueSize);
  if (!valueAt) return;
  if (isTag(name, "Name")) {
    entry.name = tree.names().add(parameterValue(book_, tag, *valueAt, TagReader::kValueSize));
  } else if (isTag(name, "Local")) {
    std::string location = parameterValue(book_, tag, *valueAt, TagReader::kValueSize);
    normalisePath(location);
    entry.location = tree.locations().add(location);
    entry.chmFile = book_.currentArchive();
  } else if (isTag(name, "ImageNumber")) {
    std::string value = parameterValue(book_, tag, *valueAt, TagReader::kShortValueSize);
    if (value.empty()) return;
    if (!readImageNumber(value, entry.imageNumber))
      raiseError("Incorrect param=\"ImageNumber\" value:\n%s.", value.c_str());
  } else if (isTag(name, "Merge")) {
    merge(parameterValue(book_, tag, *valueAt, TagReader::kValueSize), entry);
  }
}

void SitemapParser::merge(const std::string& reference, TocEntry& entry) {
  CurrentArchiveKeeper keeper(book_);
  try {
    files_.switchArchive(reference);
  } catch (const ReaderError& e) {
    addMissingFile(e.message());
    if (entry.name == StringPool::kNone) entry.name = book_.contents().names().add(reference);
    return;
  }
  // The prefix has chosen the archive. Reading by the whole reference would resolve
  // a relative CHM path a second time, against the folder of the file just chosen.
  parseReferencedContents(stripLinkPrefix(book_.chmLinkPattern(), reference), reference, entry);
}

void SitemapParser::parseReferencedContents(const std::string& name, const std::string& written,
                                            TocEntry& parent) {
  try {
    MergedFile file{book_.currentArchive(), mergeName(book_, name)};
    for (const MergedFile& open : merging_)
      if (open == file) raiseError("Merged contents file includes itself:\n%s.", written.c_str());
    if (merging_.size() >= kMaxMergeDepth)
      raiseError("Merged contents files are nested too deeply:\n%s.", written.c_str());
    if (mergeCount_ >= kMaxMerges || mergesOf_[file] >= kMaxMergesOfOneFile)
      raiseError("Too many merged contents files:\n%s.", written.c_str());
    ++mergeCount_;
    ++mergesOf_[file];

    std::string text = files_.readFile(name);
    merging_.push_back(std::move(file));
    try {
      parseContents(text, parent);
    } catch (...) {
      merging_.pop_back();
      throw;
    }
    merging_.pop_back();
  } catch (const ReaderError& e) {
    book_.errorReport().showError(e);
  }
}

void SitemapParser::addMissingFile(std::string_view message) {
  SitemapTree& tree = book_.contents();
  auto missing = std::make_unique<TocEntry>();
  missing->imageNumber = SitemapTree::kMissingFileImage;
  missing->name = tree.names().add(fileNameOf(message));
  tree.missingFiles().children.add(std::move(missing));
}

// Collections

void SitemapParser::parseCollection(std::string_view text, TocEntry& root) {
  if (merging_.empty()) startParse();
  try {
    TagReader reader(book_, text);
    std::string tag;
    while (reader.nextTag(tag, kCollectionTags)) {
      std::string name = TagReader::tagName(book_, tag);
      if (name == "folders") readFolders(reader, tag, root);
      else if (name == "/folders") break;
    }
  } catch (const ReaderError& e) {
    raiseError("Error while parse COL file.\n%s", e.what());
  }
}

void SitemapParser::readFolders(TagReader& reader, std::string& tag, TocEntry& root) {
  SitemapTree& tree = book_.contents();
  struct Folder {
    std::unique_ptr<TocEntry> owned;  // none for the root
    TocEntry* entry;
    bool bookReference = false;
  };
  std::vector<Folder> folders;
  folders.push_back({nullptr, &root});

  // A finished folder joins its parent, unless it stood for a book: then the book's
  // entries have taken its place and the folder goes, with anything read into it.
  auto finishFolder = [&]() {
    Folder folder = std::move(folders.back());
    folders.pop_back();
    if (!folder.owned) return;
    if (folder.bookReference) {
      tree.unlinkSubtree(*folder.entry);
      return;
    }
    folders.back().entry->children.add(std::move(folder.owned));
    book_.loadingProgress().addToTotal(1);
  };

  try {
    while (!folders.empty()) {
      if (!reader.nextTag(tag, kCollectionTags)) {
        while (!folders.empty()) finishFolder();
        break;
      }
      std::string name = TagReader::tagName(book_, tag);
      if (name == "/folder") {
        finishFolder();
      } else if (name == "folder") {
        auto entry = std::make_unique<TocEntry>();
        tree.link(*entry);
        TocEntry* added = entry.get();
        folders.push_back({std::move(entry), added});
      } else if (name == "titlestring") {
        std::string value;
        TagReader::attributeValue(book_, tag, "value", value, TagReader::kValueSize);
        Folder& folder = folders.back();
        if (!value.starts_with('=')) {
          folder.entry->name = tree.names().add(value);
        } else if (folder.owned) {  // a book directly in the top-level list is ignored
          folder.bookReference = true;
          openBookReference(std::string_view(value).substr(1), *folders[folders.size() - 2].entry);
        }
      }
    }
  } catch (...) {
    for (Folder& folder : folders)
      if (folder.owned) tree.unlinkSubtree(*folder.owned);
    throw;
  }
}

void SitemapParser::openBookReference(std::string_view fileName, TocEntry& enclosing) {
  std::string reference(fileName);
  if (extensionOf(reference).empty()) reference += ".chm";
  reference += "::";
  CurrentArchiveKeeper keeper(book_);
  try {
    files_.switchArchive(reference);
  } catch (const ReaderError& e) {
    addMissingFile(e.message());
    return;
  }
  std::string contentsFile;
  try {
    contentsFile = files_.contentsFileName();
  } catch (const ReaderError& e) {
    book_.errorReport().showError(e);
    return;
  }
  // A book without a table of contents adds nothing, as it would when opened alone.
  if (contentsFile.empty()) return;
  parseReferencedContents(contentsFile, contentsFile, enclosing);
}

// Keyword index

void SitemapParser::parseKeywordIndex(std::string_view text) {
  SitemapIndex& index = book_.keywordIndex();
  try {
    TagReader reader(book_, text);
    std::string tag;
    while (reader.nextTag(tag, kSitemapTags))
      if (isTag(tag, "UL")) readKeywordList(reader, tag, index.root());
  } catch (const ReaderError& e) {
    // What was read stays in the index; keep it in the order the index pane expects.
    index.sortTopLevel();
    raiseError("Error while parse Index file.\n%s", e.what());
  }
  index.sortTopLevel();
}

void SitemapParser::readKeywordList(TagReader& reader, std::string& tag, KeywordEntry& parent) {
  struct Level {
    KeywordEntry* parent;
    KeywordEntry* latest;
  };
  std::vector<Level> levels{{&parent, nullptr}};
  while (!levels.empty() && reader.nextTag(tag, kSitemapTags)) {
    Level& level = levels.back();
    if (isTag(tag, "LI")) {
      auto entry = std::make_unique<KeywordEntry>();
      readKeywordObject(reader, tag, *entry);
      entry->chmFile = book_.currentArchive();
      level.latest = level.parent->subKeywords.add(std::move(entry));
    } else if (isTag(tag, "UL")) {
      // A list before any item is no list of its own: its items join this one and its
      // end ends this one.
      if (level.latest) levels.push_back({level.latest, nullptr});
    } else if (isTag(tag, "/UL")) {
      levels.pop_back();
    }
  }
}

void SitemapParser::readKeywordObject(TagReader& reader, std::string& tag, KeywordEntry& entry) {
  SitemapIndex& index = book_.keywordIndex();
  // The first "Name" or "Keyword" is the keyword; further ones are topic titles, and
  // each title pairs with one "Local", whichever of the two comes first.
  bool keywordSeen = false;
  bool titleSet = false;
  bool locationSet = false;
  KeywordTopic* pending = nullptr;
  auto startTopic = [&]() {
    pending = entry.topics.add(std::make_unique<KeywordTopic>());
    book_.loadingProgress().addToTotal(1);
  };

  while (reader.nextTag(tag, kSitemapTags)) {
    if (isTag(tag, "/OBJECT")) break;
    std::string name;
    auto valueAt = TagReader::attributeValue(book_, tag, "param name", name, TagReader::kValueSize);
    if (!valueAt) continue;
    bool isTitle = isTag(name, "Name") || isTag(name, "Keyword");
    bool isLocation = isTag(name, "Local");
    if (!isTitle && !isLocation) continue;
    std::string value = parameterValue(book_, tag, *valueAt, TagReader::kValueSize);

    if (isTitle && !keywordSeen) {
      entry.keyword = index.keywords().add(value);
      keywordSeen = true;
    } else if (isTitle) {
      if (titleSet) raiseError("Index <li> tag has 2 one after the other \"Name\" params:\n%s.", tag.c_str());
      if (!pending) {
        startTopic();
        locationSet = false;
      }
      pending->title = index.titles().add(value);
      titleSet = true;
    } else {
      keywordSeen = true;
      if (locationSet || !pending) {
        startTopic();
        titleSet = false;
      }
      pending->location = index.locations().add(value);
      locationSet = true;
    }
    if (titleSet && locationSet) {
      pending = nullptr;
      titleSet = locationSet = false;
    }
  }

  if (!entry.topics.empty() && index.keywordOf(entry).empty()) {
    const KeywordTopic& first = *entry.topics.at(0);
    if (first.title != StringPool::kNone) entry.keyword = index.keywords().add(std::string(index.titleOf(first)));
  }
  // A keyword with one topic is shown by its keyword alone: the title is not needed.
  if (entry.topics.count() == 1 && entry.topics.at(0)->title != StringPool::kNone) {
    KeywordTopic& only = *entry.topics.at(0);
    index.titles().dropLast(only.title);
    only.title = StringPool::kNone;
  }
}

// Finding the entry of a page

namespace {

TocEntry* searchEntries(const SitemapTree& tree, TocEntry& root, const ChmArchive* archive,
                        std::string_view wanted, bool cutFragments) {
  std::vector<TocEntry*> work;
  auto pushChildren = [&work](TocEntry& entry) {
    for (int i = entry.children.count() - 1; i >= 0; --i) work.push_back(entry.children.at(i));
  };
  pushChildren(root);
  while (!work.empty()) {
    TocEntry* entry = work.back();
    work.pop_back();
    if (entry->chmFile == archive && entry->location != StringPool::kNone) {
      std::string_view location = tree.locationOf(*entry);
      if (location.starts_with('/')) location.remove_prefix(1);
      if (cutFragments) location = location.substr(0, location.find('#'));
      if (equalIgnoringCase(location, wanted)) return entry;
    }
    pushChildren(*entry);
  }
  return nullptr;
}

}  // namespace

TocEntry* findContentsEntry(Book& book, BookFiles& files, TocEntry& root, std::string_view reference) {
  CurrentArchiveKeeper keeper(book);
  files.switchArchive(reference);
  std::string wanted = stripLinkPrefix(book.chmLinkPattern(), reference);
  // Entry locations are normalised, so they never start with "/"; a reference such as
  // "other.chm::/page.htm" does.
  if (wanted.starts_with('/')) wanted.erase(0, 1);
  const ChmArchive* archive = book.currentArchive();
  const SitemapTree& tree = book.contents();
  TocEntry* found = searchEntries(tree, root, archive, wanted, false);
  std::size_t hash = wanted.find('#');
  if (!found && hash != std::string::npos) {
    wanted.resize(hash);
    found = searchEntries(tree, root, archive, wanted, false);
    if (!found) found = searchEntries(tree, root, archive, wanted, true);
  }
  return found;
}

}  // namespace pgwk
