#include "document/book.h"

#include <algorithm>
#include <utility>

#include "document/current_archive_keeper.h"
#include "document/lzx_decoder.h"
#include "document/name_rules.h"
#include "foundation/reader_error.h"
#include "foundation/text_routines.h"
#include "platform/code_page.h"

namespace pgwk {

namespace {
// Longer lookup names are cut to this many bytes, as the reader's work area was.
constexpr std::size_t kMaxLookupName = 527;
}  // namespace

Book::Book(ErrorReport* errorReport)
    : decoder_(std::make_unique<LzxDecoder>()), errorReport_(errorReport) {
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

std::string Book::makeReference(const ChmArchive* archive, std::string_view name) {
  if (!archive || linkPrefixLength(chmLinkPattern_, name) > 0) return std::string(name);
  return archive->path() + "::" + std::string(name);
}

std::u16string Book::archiveFileName(const ChmArchive& archive) {
  std::string_view path = archive.path();
  std::size_t cut = path.find_last_of("/\\");
  std::u16string name = utf16FromUtf8(cut == std::string_view::npos ? path : path.substr(cut + 1));
  if (name.size() > ChmArchive::kMaxPath) name.resize(ChmArchive::kMaxPath);
  return name;
}

ChmArchive* Book::archiveNamed(std::u16string_view fileName) const {
  auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; };
  for (int i = 0; i < archives_.count(); ++i) {
    ChmArchive* archive = archives_.at(i);
    std::u16string name = archiveFileName(*archive);
    if (name.size() == fileName.size() &&
        std::equal(name.begin(), name.end(), fileName.begin(), [&](char16_t a, char16_t b) { return lower(a) == lower(b); }))
      return archive;
  }
  return nullptr;
}

bool Book::isCollection() const { return !archives_.empty() && archives_.at(0)->isCollection(); }

bool Book::hasKeywordIndex() {
  CurrentArchiveKeeper keeper(*this);
  for (int i = 0; i < archives_.count(); ++i) {
    current_ = archives_.at(i);
    if (!indexFile().empty()) return true;
  }
  return false;
}

}  // namespace pgwk
