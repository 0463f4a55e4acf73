#include "document/book.h"

#include <filesystem>
#include <utility>

#include "document/lzx_decoder.h"
#include "document/name_rules.h"
#include "foundation/reader_error.h"
#include "foundation/text_routines.h"

namespace pgwk {

namespace {
// Longer lookup names are cut to this many bytes, as the reader's work area was.
constexpr std::size_t kMaxLookupName = 527;
}  // namespace

Book::Book(ErrorReport* errorReport) : decoder_(std::make_unique<LzxDecoder>()), errorReport_(errorReport) {
  // Compiled in this order; a failure stops the run, so the patterns after it stay
  // uncompiled (a matcher without a pattern finds nothing).
  const std::pair<RegexMatcher*, const char*> patterns[] = {
      {&chmLinkPattern_, kChmLinkPattern},
      {&tagNamePattern_, R"([\s]*([/]*[\w]*))"},
      {&scriptEndPattern_, R"(<(?i)\s*/SCRIPT\s*>)"},
      {&tagStartPattern_, R"(<((?:[/]?[\w]+)|(?:!--)))"},
      {&commentEndPattern_, "-->"},
      {&fileReferencePattern_, R"(\.[^"' )>]{2,})"},
  };
  try {
    for (const auto& [matcher, text] : patterns) matcher->compile(text);
  } catch (const ReaderError& e) {
    this->errorReport().showError(e);
  }
}

Book::~Book() = default;

int Book::containerCodePage() const { return codePageOf(headerLanguage_, characterSetSetting_); }

int Book::contentCodePage() const { return codePageOf(contentLanguage_, characterSetSetting_); }

ChmArchive* Book::archiveAt(int index) const {
  if (index == -1) return current_;
  if (index < 0 || index >= archives_.count()) return nullptr;
  return archives_.at(index);
}

std::string Book::lookupName(std::string_view name) {
  std::string work(name.substr(0, kMaxLookupName));
  work = stripLinkPrefix(chmLinkPattern_, work);
  decodeReferences(work, contentCodePage());
  normalisePath(work);
  std::size_t hash = work.find('#', 1);
  if (hash != std::string::npos) work.resize(hash);
  return work;
}

std::int64_t Book::lookUpPosition(std::string_view name, const ChmArchive& archive) {
  std::string work = lookupName(name);
  return archive.lookUp(work, !isRemote(work));
}

const DirectoryEntry* Book::findEntry(std::string_view name, const ChmArchive* archive) {
  if (!archive) archive = current_;
  if (!archive || archive->isCollection()) return nullptr;
  std::int64_t position = lookUpPosition(name, *archive);
  return position < 0 ? nullptr : &archive->entry(static_cast<std::uint32_t>(position));
}

std::int64_t Book::entryPosition(std::string_view name) {
  switchArchive(name);
  if (!current_ || current_->isCollection()) return -1;
  return lookUpPosition(name, *current_);
}

std::string Book::entryName(std::int64_t position, const ChmArchive* archive) const {
  if (!archive) archive = current_;
  return archive ? archive->entryName(position) : std::string();
}

bool Book::hasExtension(std::string_view extension, const ChmArchive* archive) const {
  if (!archive) archive = current_;
  return archive && archive->hasExtension(extension);
}

bool Book::switchArchive(std::string_view reference) {
  std::string work(reference.substr(0, ChmArchive::kMaxPath));
  if (work.empty() || chmLinkPattern_.match(work) <= 0) return false;
  std::string file = chmLinkPattern_.groupText(1);
  trim(file);
  if (file.empty()) return false;
  decodeReferences(file, contentCodePage());
  // A relative CHM path is taken from the folder of the archive that holds the link.
  if (file[0] != '/' && file[0] != '\\' && current_) file = std::string(folderOf(current_->path())) + file;
  std::string resolved = std::filesystem::path(file).lexically_normal().string();
  for (int i = 0; i < archives_.count(); ++i) {
    ChmArchive* archive = archives_.at(i);
    if (equalIgnoringCase(archive->path(), resolved) || equalIgnoringCase(archive->path(), file)) {
      current_ = archive;
      return true;
    }
  }
  openChmFile(resolved);
  return true;
}

void Book::removeIncompleteArchives() {
  for (int i = archives_.count() - 1; i >= 0; --i) {
    ChmArchive* archive = archives_.at(i);
    if (archive->complete()) continue;
    if (current_ == archive) current_ = nullptr;
    if (main_ == archive) main_ = nullptr;
    archives_.removeAt(i);
  }
}

}  // namespace pgwk
