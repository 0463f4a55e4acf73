// Opening one CHM file into the Book.

#include "document/book.h"
#include "foundation/reader_error.h"

namespace pgwk {

namespace {

std::string companionPathOf(const std::string& path) {
  return path.size() < 4 ? path : path.substr(0, path.size() - 4) + ".chi";
}

}  // namespace

ChmArchive& Book::openChmFile(std::string_view path) {
  ChmArchive* remembered = current_;
  headerLanguage_ = kDefaultLanguage;
  contentLanguage_ = kDefaultLanguage;
  try {
    // A ".chi" companion belongs here, opened before the book itself, so that the
    // reads below find the system files it holds.
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
    removeIncompleteArchives();
    current_ = &archive;
    return archive;
  } catch (...) {
    current_ = remembered;
    removeIncompleteArchives();
    throw;
  }
}

}  // namespace pgwk
