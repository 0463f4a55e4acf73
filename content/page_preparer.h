#pragma once
// PagePreparer copies a requested page out of the book into the temporary folder,
// with the style sheets, scripts and pictures it refers to, rewriting the references
// that would not resolve there, and tells which local file to show. Pages that the
// page merely links to are not copied; a page with frames is replaced by a list of
// its frames.

#include <cstdint>
#include <string>
#include <string_view>

#include "content/page_options.h"
#include "content/reference_scanner.h"
#include "foundation/byte_buffer.h"
#include "foundation/ptr_array.h"

namespace pgwk {

class Book;
class ChmArchive;
class FileBuffer;
struct DirectoryEntry;

// One file of the page being prepared.
struct PreparedFile {
  const DirectoryEntry* entry = nullptr;  // not owned
  ChmArchive* chmFile = nullptr;          // not owned
  bool scan = false;   // its text is searched for references
  bool frame = false;  // found as a frame source of the requested page
};

class PagePreparer {
 public:
  static constexpr int kPageBufferCapacity = 10000;
  static constexpr int kPageBufferGrowth = 2000;
  static constexpr const char* kMergedFileErrorCaption = "Merged file open error";

  // The temporary folder gets a trailing "/" when it has none. Merged files that
  // cannot be opened are reported through the book's error report.
  PagePreparer(Book& book, std::string temporaryFolder);

  // Prepares the location: a name inside the book, optionally with a CHM-link prefix
  // ("other.chm::/page.htm") and a "#" fragment. A location that is not in the book
  // prepares nothing and leaves the local file as it was. Raises ReaderError when a
  // file cannot be read, created or written. The book's current archive is the same
  // afterwards.
  void preparePage(std::string_view location, const PageOptions& options);

  // "file://" + the local path of the requested page (+ its fragment), in the book's
  // code page: the text the reader's navigation works with.
  const std::string& localFile() const { return localFile_; }
  // The same as a URL of the file on disk (UTF-8), for a browser.
  const std::string& localFileUrl() const { return localFileUrl_; }
  const std::string& temporaryFolder() const { return temporaryFolder_; }
  const PtrArray<PreparedFile>& preparedFiles() const { return prepared_; }

 private:
  void processList(const PageOptions& options);
  // Returns false when the frames page was written in place of the page and no
  // further file may be written.
  bool writeRecord(int position, const FileBuffer& file, const PageOptions& options);
  void scanForReferences(const PreparedFile& file, const PageOptions& options);
  void followReference(const PreparedFile& file, const FoundReference& found, std::size_t& cursor,
                       const PageOptions& options);
  std::string framesPage();
  bool hasFrameRecords() const;
  bool isListed(const DirectoryEntry* entry, const ChmArchive* archive) const;
  // The entry of a stored file of that name in the archive; none for a folder.
  const DirectoryEntry* fileEntryOf(std::string_view name, const ChmArchive* archive);
  int archiveNumber(const ChmArchive* archive) const;
  std::string localPathOf(const PreparedFile& file) const;

  Book& book_;
  std::string temporaryFolder_;
  PtrArray<PreparedFile> prepared_{5, 5};
  ByteBuffer page_{kPageBufferCapacity, kPageBufferGrowth};
  std::string localFile_;
  std::string localFileUrl_;
};

}  // namespace pgwk
