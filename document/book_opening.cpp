// Opening CHM files and collections into the Book, following references to further
// CHM files, and settling which archive the book is about.

#include <filesystem>
#include <string>

#include "document/book.h"
#include "foundation/reader_error.h"
#include "foundation/text_routines.h"
#include "platform/book_file.h"
#include "platform/file_names.h"

namespace pgwk {

namespace fs = std::filesystem;

namespace {

// The path as the Book keeps it: trimmed, absolute (a relative path is taken from
// the working directory, so that every archive's folder is known), and in the case
// the file has on disk when the path names it in another case.
std::string bookPathOf(std::string_view given) {
  std::string path = trimmed(given.substr(0, ChmArchive::kMaxPath));
  if (path.empty()) return path;
  std::error_code ec;
  fs::path absolute = fs::absolute(path, ec);
  if (!ec) path = absolute.lexically_normal().string();
  std::string onDisk = existingPathIgnoringCase(path);
  return onDisk.empty() ? path : onDisk;
}

// The path with its last four characters (the extension) replaced by ".chi".
std::string companionPathOf(const std::string& path) {
  return path.size() < 4 ? path : path.substr(0, path.size() - 4) + ".chi";
}

// The companion file next to a CHM file when it exists and can be read, or empty.
std::string companionFileOf(const std::string& path) {
  std::string wanted = companionPathOf(path);
  if (path.size() < 4 || equalIgnoringCase(wanted, path)) return {};
  std::string found = existingPathIgnoringCase(wanted);
  std::error_code ec;
  // A folder of that name opens for reading here but is no container.
  if (found.empty() || !fs::is_regular_file(found, ec)) return {};
  if (!BookFile(found).isOpen()) return {};
  return found;
}

// The path up to and including its last slash (or, if it has none, its last
// backslash); empty when it has neither.
std::string_view folderOfArchive(std::string_view path) {
  std::size_t cut = path.rfind('/');
  if (cut == std::string_view::npos) cut = path.rfind('\\');
  return cut == std::string_view::npos ? std::string_view() : path.substr(0, cut + 1);
}

}  // namespace

ChmArchive& Book::openChmFile(std::string_view givenPath) {
  ChmArchive* remembered = current_;
  const int rememberedHeaderLanguage = headerLanguage_;
  const int rememberedContentLanguage = contentLanguage_;
  headerLanguage_ = kDefaultLanguage;
  contentLanguage_ = kDefaultLanguage;
  try {
    const std::string path = bookPathOf(givenPath);
    // The companion opens first: the system files it holds are read below through
    // the companion rule of readBookFile(), and its header language counts first.
    if (std::string companion = companionFileOf(path); !companion.empty())
      readSectionList(ChmArchive::open(*this, companion));
    ChmArchive& archive = ChmArchive::open(*this, path);
    readSectionList(archive);
    if (!existsInBookFile("#SYSTEM") || !existsInBookFile("#STRINGS"))
      raiseError("Probably, this file can't be displayed without corresponding .CHI file:\n%s.",
                 companionPathOf(archive.path()).c_str());
    readSystemFiles();
    presizeBuffers(archive);
    readWindowDefinitions();
    readTopicTables();
    archive.markComplete();
    // The companion was needed only while the system files were read.
    removeIncompleteArchives();
    current_ = &archive;
    return archive;
  } catch (...) {
    current_ = remembered;
    removeIncompleteArchives();
    // A merged file that does not open must not leave the book's text to be read in
    // the default code page: the languages go back to the file that is current.
    headerLanguage_ = rememberedHeaderLanguage;
    contentLanguage_ = rememberedContentLanguage;
    throw;
  }
}

ChmArchive& Book::openCollection(std::string_view path) {
  headerLanguage_ = kDefaultLanguage;
  contentLanguage_ = kDefaultLanguage;
  ChmArchive* archive = archives_.add(ChmArchive::makeCollection(bookPathOf(path)));
  current_ = archive;
  return *archive;
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

void Book::settleMainArchive() {
  if (archives_.empty()) raiseError("Nothing to display.");
  ChmArchive* first = archives_.at(0);
  if (!first->isCollection()) {
    main_ = first;
    return;
  }
  if (archives_.count() == 1) raiseError("Empty collection. No chm files were found from this collection.");
  main_ = archives_.at(1);
}

std::string Book::resolvedArchivePath(std::string file) const {
  // Books written on the handheld separate folders with backslashes.
  for (char& c : file)
    if (c == '\\') c = '/';
  if (!file.starts_with('/') && current_) file.insert(0, folderOfArchive(current_->path()));
  fs::path path(file);
  std::error_code ec;
  if (path.is_relative()) {
    fs::path absolute = fs::absolute(path, ec);
    if (!ec) path = absolute;
  }
  // Dot folders are resolved without a second round of escape decoding: the name was
  // decoded once already, and a "%" left in it is part of the file name.
  return path.lexically_normal().string();
}

ChmArchive* Book::archiveWithPath(std::string_view path) const {
  for (int i = 0; i < archives_.count(); ++i) {
    ChmArchive* archive = archives_.at(i);
    if (equalIgnoringCase(archive->path(), path)) return archive;
  }
  for (int i = 0; i < archives_.count(); ++i) {
    ChmArchive* archive = archives_.at(i);
    if (equalIgnoringCase(fs::path(archive->path()).lexically_normal().string(), path)) return archive;
  }
  return nullptr;
}

bool Book::switchArchive(std::string_view reference) {
  std::string work(reference.substr(0, ChmArchive::kMaxPath));
  if (!containsChmExtension(work) || chmLinkPattern_.match(work) <= 0) return false;
  std::string file = chmLinkPattern_.groupText(1).substr(0, ChmArchive::kMaxPath);
  if (file.empty()) return false;
  trim(file);
  decodeReferences(file, contentCodePage());
  if (file.empty()) return false;
  std::string path = resolvedArchivePath(std::move(file));
  if (ChmArchive* archive = archiveWithPath(path)) {
    current_ = archive;
    return true;
  }
  openChmFile(path);
  return true;
}

}  // namespace pgwk
