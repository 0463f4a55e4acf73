#pragma once
// The open document: one CHM file, or a collection naming several. The Book owns
// every archive opened for it (the CHM file, the files its pages merge or its
// collection lists, and while a CHM file opens its ".chi" companion); one of them is
// current, and every read and lookup works on it. References of the form
// "other.chm::/page.htm" move the current archive, opening the file on first use;
// operations that only look elsewhere put it back, also on errors.
//
// Opening a book: openChmFile() or openCollection(), then finishOpening() of
// content/book_loading.h, which reads the contents and settles the main archive.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "document/book_files.h"
#include "document/chm_archive.h"
#include "document/error_report.h"
#include "document/file_buffer.h"
#include "document/loading_progress.h"
#include "document/sitemap_index.h"
#include "document/sitemap_tree.h"
#include "document/work_buffer.h"
#include "foundation/byte_buffer.h"
#include "foundation/ptr_array.h"
#include "foundation/regex_matcher.h"

namespace pgwk {

class LzxDecoder;

class Book : public BookFiles {
 public:
  static constexpr int kDefaultLanguage = 1033;
  // Spans at least this long are left out when the work buffers are pre-sized: a
  // rare huge file should not make every page read hold that much memory.
  static constexpr std::uint32_t kPresizeLimit = 3000000;
  static constexpr std::uint32_t kPageBufferCapacity = 10000;
  static constexpr int kPageBufferGrowth = 2000;

  // Compiles the patterns; the first that fails is shown through errorReport (when
  // given) and leaves the later ones uncompiled: the Book is created all the same.
  explicit Book(ErrorReport* errorReport = nullptr);
  ~Book() override;
  Book(const Book&) = delete;
  Book& operator=(const Book&) = delete;

  // Opens one CHM file: its ".chi" companion first when there is one (it may hold the
  // system files), then the file with its section list, system files, pre-sized
  // buffers, window definitions and topic tables. The file becomes current and the
  // companion is dropped again. On failure the previous current archive is current
  // again, every archive that did not finish opening is removed, and the error goes
  // on. Raises "Probably, this file can't be displayed without corresponding .CHI
  // file:\n%s." when neither file holds #SYSTEM and #STRINGS.
  ChmArchive& openChmFile(std::string_view path);
  // Adds the pseudo-archive of a ".col" collection and makes it current; its file is
  // read by finishOpening().
  ChmArchive& openCollection(std::string_view path);
  // The first CHM file of the book, which the metadata questions are about; set by
  // settleMainArchive() (tools that open only the directory set it themselves).
  ChmArchive* mainArchive() const { return main_; }
  void setMainArchive(ChmArchive* archive) { main_ = archive; }
  // The last step of opening: the first archive when it is a CHM file, else the
  // second (the collection's first book). Raises "Nothing to display." for a book
  // without archives and "Empty collection. No chm files were found from this
  // collection." for a collection none of whose books opened.
  void settleMainArchive();
  // Drops every archive that has not finished opening.
  void removeIncompleteArchives();

  // When a reference carries a CHM-link prefix ("other.chm::/a.htm"), makes the
  // archive it names current, opening it when the book does not hold it yet, and
  // returns true; otherwise returns false and leaves the current archive alone. A
  // relative CHM path is taken from the current archive's folder; slashes and
  // backslashes both separate. The switch is not undone; a failed one leaves the
  // current archive where it was.
  bool switchArchive(std::string_view reference) override;
  // The name itself when there is no archive or the name has a CHM-link prefix of its
  // own; otherwise the archive's path, "::" and the name.
  std::string makeReference(const ChmArchive* archive, std::string_view name);
  // The ".chi" companion of an archive in the book, or none.
  ChmArchive* companionOf(const ChmArchive& archive) const;
  // Whether the current archive or its companion has the name.
  bool existsInBookFile(std::string_view name);

  // Content sections and reads.
  void readSectionList(ChmArchive& archive);
  // The bytes of a stored file. With ownCopy the result owns them; without, it points
  // into the output buffer and stays valid only until the next read on this Book.
  FileBuffer readFile(std::string_view name, bool ownCopy);
  // A whole file, own copy, from the current archive or else its companion; the
  // current archive is the same afterwards, also on failure.
  void readBookFile(std::string_view name, FileBuffer& into);
  // What the sitemap parsers read through: the file a reference names, as an own
  // copy (the prefix may move the current archive, as with readFile()), and the
  // contents file name of the current archive.
  std::string readFile(std::string_view reference) override;
  std::string contentsFileName() override { return contentsFile(); }
  // Sizes the work buffers for the largest span below kPresizeLimit among the
  // archive's files in compressed sections.
  void presizeBuffers(ChmArchive& archive);
  WorkBuffer& inputBuffer() { return input_; }
  WorkBuffer& outputBuffer() { return output_; }
  LzxDecoder& decoder() { return *decoder_; }
  // Called when the container of the current archive has disappeared, before the
  // read fails: the reader closes the book then.
  void setBookFileMissingHandler(std::function<void()> handler) { bookFileMissing_ = std::move(handler); }

  // Book metadata. Loading works on the current archive.
  void readSystemFiles();
  void readWindowDefinitions();
  // The questions; "main" ones are about the main archive, the others about the
  // current one. An empty text means none.
  std::string title(const ChmArchive* archive = nullptr, bool preferSystemTitle = false) const;
  std::string defaultTopic();
  std::string defaultTopicWithPrefix();
  std::string homePage() const;
  std::string homePageWithPrefix() const;
  std::string homeOrDefault();
  std::string jumpLabel() const;
  std::string jumpTarget() const;
  std::string jumpTargetWithPrefix() const;
  std::string contentsFile() const;
  std::string indexFile() const;
  std::string indexFileWithPrefix() const;

  // Topic tables. Loading works on the current archive.
  void readTopicTables();
  std::uint32_t topicCount(const ChmArchive* archive = nullptr) const;
  // "Incorrect topic id" outside 0..count-1, "Untitled topic" for a topic without a
  // title, else the title in #STRINGS.
  std::string topicTitle(std::int64_t topic, const ChmArchive& archive) const;
  std::optional<std::string> topicLocation(std::int64_t topic, const ChmArchive* archive = nullptr) const;
  // The first topic whose location equals the location (ignoring ASCII case, the
  // prefix, references and a fragment), or -1.
  std::int64_t topicOfLocation(std::string_view location);

  // Languages and code pages.
  int headerLanguage() const { return headerLanguage_; }
  void setHeaderLanguage(int language) { headerLanguage_ = language; }
  int contentLanguage() const { return contentLanguage_; }
  void setContentLanguage(int language) { contentLanguage_ = language; }
  // The user's character-set setting; 0 lets each book's language decide.
  int characterSetSetting() const { return characterSetSetting_; }
  void setCharacterSetSetting(int codePage) { characterSetSetting_ = codePage; }
  // Code page of stored names (the header language's).
  int containerCodePage() const;
  // Code page of the book's text (the content language's).
  int contentCodePage() const;

  // Archives.
  PtrArray<ChmArchive>& archives() { return archives_; }
  const PtrArray<ChmArchive>& archives() const { return archives_; }
  ChmArchive* currentArchive() const { return current_; }
  void setCurrentArchive(ChmArchive* archive) { current_ = archive; }
  // -1 gives the current archive; 0..count-1 the archive at that position; else none.
  ChmArchive* archiveAt(int index) const;
  // The first archive whose file name equals the name, ignoring ASCII case; or none.
  ChmArchive* archiveNamed(std::u16string_view fileName) const;
  // The part of the archive's path after its last slash or backslash, as wide text
  // (paths are UTF-8 on this system), at most kMaxPath characters.
  static std::u16string archiveFileName(const ChmArchive& archive);
  // Whether the book is a collection: its first archive is the collection file.
  bool isCollection() const;

  // Directory questions; a null archive means the current one.
  const DirectoryEntry* findEntry(std::string_view name, const ChmArchive* archive = nullptr);
  bool exists(std::string_view name, const ChmArchive* archive = nullptr) { return findEntry(name, archive); }
  // Position of the entry in the current archive, or -1.
  std::int64_t entryPosition(std::string_view name);
  std::string entryName(std::int64_t position, const ChmArchive* archive = nullptr) const;
  bool hasExtension(std::string_view extension, const ChmArchive* archive = nullptr) const;

  // The compiled pattern for CHM-link prefixes ("other.chm::").
  RegexMatcher& chmLinkPattern() { return chmLinkPattern_; }
  // The patterns the tag reader scans with: the name at the start of a tag text, the
  // end of a script element, the start of a tag or comment, the end of a comment.
  RegexMatcher& tagNamePattern() { return tagNamePattern_; }
  RegexMatcher& scriptEndPattern() { return scriptEndPattern_; }
  RegexMatcher& tagStartPattern() { return tagStartPattern_; }
  RegexMatcher& commentEndPattern() { return commentEndPattern_; }
  // A dot followed by at least two characters that cannot end a file reference.
  RegexMatcher& fileReferencePattern() { return fileReferencePattern_; }

  // Where the tag reader's most recent search for a tag began: the text from there up
  // to the tag found is the text that precedes it.
  const char* lastTextStart() const { return lastTextStart_; }
  void setLastTextStart(const char* position) { lastTextStart_ = position; }

  // The table of contents and the keyword index, with their text pools. They are
  // filled by content/book_loading.h.
  SitemapTree& contents() { return contents_; }
  const SitemapTree& contents() const { return contents_; }
  SitemapIndex& keywordIndex() { return keywordIndex_; }
  const SitemapIndex& keywordIndex() const { return keywordIndex_; }
  // Whether any archive of the book names a keyword-index file. Leaves the current
  // archive as it was.
  bool hasKeywordIndex();
  // Once the panes have copied what they show: the contents entry names, the index
  // keywords. Locations and topic titles stay for navigation.
  void releaseContentsTexts() { contents_.releaseNameTexts(); }
  void releaseIndexTexts() { keywordIndex_.releaseKeywordTexts(); }

  // Set once the reader shows the book in full.
  bool isOpen() const { return open_; }
  void setOpen(bool open) { open_ = open; }
  // The work buffer of page preparation.
  ByteBuffer& pageBuffer() { return pageBuffer_; }

  // What the shell passes in: the loading dialog and the message boxes. Without them
  // progress goes nowhere and errors that are shown are dropped.
  LoadingProgress& loadingProgress() { return progress_ ? *progress_ : silentProgress_; }
  void setLoadingProgress(LoadingProgress* progress) { progress_ = progress; }
  ErrorReport& errorReport() { return errorReport_ ? *errorReport_ : silentReport_; }
  void setErrorReport(ErrorReport* report) { errorReport_ = report; }

 private:
  // The name as lookups compare it: prefix stripped, references decoded, normalised,
  // fragment cut.
  std::string lookupName(std::string_view name);
  std::int64_t lookUpPosition(std::string_view name, const ChmArchive& archive);
  FileBuffer readPlain(const ChmArchive& archive, const DirectoryEntry& entry, std::uint32_t sectionOffset,
                       std::string_view name, bool ownCopy);
  FileBuffer readCompressed(const ChmArchive& archive, const DirectoryEntry& entry, const ContentSection& section,
                            std::string_view name, bool ownCopy);
  struct SectionTables;
  SectionTables readSectionTables(const ContentSection& section);
  std::string withPrefix(const ChmArchive* archive, std::string_view name) const;
  // The full path a reference's CHM file stands for, from the current archive's folder.
  std::string resolvedArchivePath(std::string file) const;
  ChmArchive* archiveWithPath(std::string_view path) const;

  int headerLanguage_ = kDefaultLanguage;
  int contentLanguage_ = kDefaultLanguage;
  int characterSetSetting_ = 0;
  PtrArray<ChmArchive> archives_{1, 1};
  ChmArchive* current_ = nullptr;
  ChmArchive* main_ = nullptr;
  RegexMatcher chmLinkPattern_;
  RegexMatcher tagNamePattern_;
  RegexMatcher scriptEndPattern_;
  RegexMatcher tagStartPattern_;
  RegexMatcher commentEndPattern_;
  RegexMatcher fileReferencePattern_;
  const char* lastTextStart_ = nullptr;
  bool open_ = false;
  SitemapTree contents_;
  SitemapIndex keywordIndex_;
  LoadingProgress silentProgress_;
  ErrorReport silentReport_;
  std::unique_ptr<LzxDecoder> decoder_;
  WorkBuffer input_;
  WorkBuffer output_;
  ByteBuffer pageBuffer_{kPageBufferCapacity, kPageBufferGrowth};
  std::function<void()> bookFileMissing_;
  // Set while a section's control data and reset table are read: they must lie in
  // an uncompressed section, or a damaged book would recurse without end.
  bool readingSectionTables_ = false;
  LoadingProgress* progress_ = nullptr;
  ErrorReport* errorReport_ = nullptr;
};

}  // namespace pgwk
