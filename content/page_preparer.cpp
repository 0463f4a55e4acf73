#include "content/page_preparer.h"

#include "content/frames_page.h"
#include "content/local_file.h"
#include "content/page_decorations.h"
#include "document/book.h"
#include "document/name_rules.h"
#include "foundation/reader_error.h"
#include "foundation/text_routines.h"
#include "platform/code_page.h"

namespace pgwk {

namespace {

// The book's current archive comes back when the object goes, also when an error
// passes through; restoreNow() restores before the caller goes on.
class CurrentArchiveKeeper {
 public:
  explicit CurrentArchiveKeeper(Book& book) : book_(book), kept_(book.currentArchive()) {}
  ~CurrentArchiveKeeper() { book_.setCurrentArchive(kept_); }
  void restoreNow() { book_.setCurrentArchive(kept_); }

 private:
  Book& book_;
  ChmArchive* kept_;
};

bool startsWithSlash(std::string_view text) { return !text.empty() && (text[0] == '/' || text[0] == '\\'); }

constexpr std::string_view kFrameMark = "FRM::";

}  // namespace

PagePreparer::PagePreparer(Book& book, std::string temporaryFolder)
    : book_(book), temporaryFolder_(std::move(temporaryFolder)) {
  if (temporaryFolder_.empty() || temporaryFolder_.back() != '/') temporaryFolder_ += '/';
}

const DirectoryEntry* PagePreparer::fileEntryOf(std::string_view name, const ChmArchive* archive) {
  const DirectoryEntry* entry = archive ? book_.findEntry(name, archive) : nullptr;
  // A lookup ignores the fragment, so an anchor such as "#part.ahk" in the folder
  // "/docs/" finds the folder's own entry: that is no file to write.
  return entry && !entry->isFolder() ? entry : nullptr;
}

int PagePreparer::archiveNumber(const ChmArchive* archive) const { return book_.archives().indexOf(archive); }

std::string PagePreparer::localPathOf(const PreparedFile& file) const {
  return pgwk::localPathOf(temporaryFolder_, archiveNumber(file.chmFile), file.entry->name);
}

bool PagePreparer::isListed(const DirectoryEntry* entry, const ChmArchive* archive) const {
  for (int i = 0; i < prepared_.count(); ++i)
    if (prepared_.at(i)->entry == entry && prepared_.at(i)->chmFile == archive) return true;
  return false;
}

bool PagePreparer::hasFrameRecords() const {
  for (int i = 1; i < prepared_.count(); ++i)
    if (prepared_.at(i)->frame) return true;
  return false;
}

void PagePreparer::preparePage(std::string_view location, const PageOptions& options) {
  prepared_.clear();
  CurrentArchiveKeeper keeper(book_);
  book_.switchArchive(location);
  ChmArchive* archive = book_.currentArchive();
  const DirectoryEntry* entry = fileEntryOf(location, archive);
  if (!entry) return;
  bool isPage = isPageExtension(extensionOf(entry->name));
  prepared_.add(std::make_unique<PreparedFile>(PreparedFile{entry, archive, isPage, false}));

  processList(options);

  std::size_t hash = location.find('#');
  if (hash != std::string_view::npos) {
    std::string_view fragment = location.substr(hash);
    localFile_ += fragment;
    int codePage = isCodePageUsable(book_.containerCodePage()) ? book_.containerCodePage() : 1252;
    localFileUrl_ += utf8FromCodePage(fragment, codePage);
  }
}

void PagePreparer::processList(const PageOptions& options) {
  for (int i = 0; i < prepared_.count(); ++i) {
    const PreparedFile& file = *prepared_.at(i);
    book_.setCurrentArchive(file.chmFile);
    // Without an own copy the bytes live in the book's output buffer until the next
    // read: they are copied to the page buffer or written before anything else is.
    FileBuffer bytes = book_.readFile(file.entry->name, false);
    if (!writeRecord(i, bytes, options)) return;
  }
}

bool PagePreparer::writeRecord(int position, const FileBuffer& bytes, const PageOptions& options) {
  const PreparedFile& file = *prepared_.at(position);
  std::string localPath = localPathOf(file);
  LocalFile out = LocalFile::create(temporaryFolder_, localPath, book_.containerCodePage());
  if (position == 0) {
    localFile_ = "file://" + localPath;
    localFileUrl_ = "file://" + out.diskPath();
  }

  std::string_view data = bytes.view();
  if (file.scan) {
    page_.clear();
    page_.append(data);
    if (isPageExtension(extensionOf(file.entry->name))) decoratePage(book_, page_, options);
    scanForReferences(file, options);
    data = page_.view();
  }
  if (position == 0 && hasFrameRecords()) {
    // The reader shows a list of the frames instead of the frameset; a failed write
    // of that list is not reported.
    out.write(framesPage());
    return false;
  }
  out.writeOrRaise(data);
  return true;
}

void PagePreparer::scanForReferences(const PreparedFile& file, const PageOptions& options) {
  ReferenceScanner scanner(book_.fileReferencePattern(), book_.chmLinkPattern(),
                           [this](std::string_view extension) { return book_.hasExtension(extension); });
  std::size_t cursor = 0;
  while (cursor < page_.length()) {
    std::optional<FoundReference> found = scanner.findNext(page_.view(), cursor);
    if (!found) return;
    cursor = found->end;
    followReference(file, *found, cursor, options);
  }
}

void PagePreparer::followReference(const PreparedFile& file, const FoundReference& found, std::size_t& cursor,
                                   const PageOptions& options) {
  std::string reference(found.in(page_.view()));
  trim(reference);
  decodeReferences(reference, book_.contentCodePage());
  std::string extension = extensionOf(reference);
  if (extension.empty() || extension == "." || reference == extension) return;
  bool frame = reference.starts_with(kFrameMark);
  if (frame) reference.erase(0, kFrameMark.size());

  // Links to other pages wait until they are followed; frames are listed.
  if (isPageExtension(extension) && !frame) return;
  if (!options.showImages && isImageExtension(extension)) return;
  if (options.disableCss && isStyleSheetExtension(extension)) return;
  if (!options.enableScript && isScriptExtension(extension)) return;

  CurrentArchiveKeeper keeper(book_);
  bool chmLink = mentionsChmFile(reference) && book_.chmLinkPattern().match(reference) > 0;
  // A reference to a whole CHM file is a link to a book, not a file to extract.
  if (chmLink && reference.find("::") == std::string::npos) return;
  std::string target;
  if (chmLink || startsWithSlash(reference)) {
    target = reference;
  } else {
    target = std::string(folderOf(file.entry->name)) + reference;
    normalisePath(target);
  }

  try {
    if (chmLink) book_.switchArchive(target);
  } catch (const ReaderError& e) {
    if (options.showMergedFileErrors) book_.errorReport().showMessage(kMergedFileErrorCaption, e.message());
    return;
  }
  ChmArchive* archive = book_.currentArchive();
  const DirectoryEntry* entry = fileEntryOf(target, archive);
  if (!entry) return;

  if (chmLink || startsWithSlash(reference)) {
    // A relative reference resolves in the copy as it does in the book; one from the
    // root or into another CHM file must name the copy's full path.
    std::string local = pgwk::localPathOf(temporaryFolder_, archiveNumber(archive), entry->name);
    std::size_t length = found.end - found.start;
    page_.splice(static_cast<std::uint32_t>(found.start), static_cast<std::uint32_t>(length), local.data(),
                 static_cast<std::uint32_t>(local.size()));
    cursor = found.start + local.size();
  }
  if (!isListed(entry, archive)) {
    bool scan = isStyleSheetExtension(extension) || isScriptExtension(extension);
    prepared_.add(std::make_unique<PreparedFile>(PreparedFile{entry, archive, scan, frame}));
  }
}

std::string PagePreparer::framesPage() {
  std::vector<FrameListItem> frames;
  for (int i = 1; i < prepared_.count(); ++i) {
    const PreparedFile& file = *prepared_.at(i);
    if (!file.frame) continue;
    FrameListItem item{file.entry->name, std::nullopt, file.entry->length};
    {
      CurrentArchiveKeeper keeper(book_);
      book_.setCurrentArchive(file.chmFile);
      std::int64_t topic = book_.topicOfLocation(file.entry->name);
      if (topic >= 0) item.title = book_.topicTitle(topic, *file.chmFile);
    }
    frames.push_back(std::move(item));
  }
  return framesPageText(frames);
}

}  // namespace pgwk
