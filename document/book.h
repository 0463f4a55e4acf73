#pragma once
// The open document: one CHM file, or a collection naming several. The Book owns
// every archive opened for it; one of them is current, and every read and lookup
// works on it.

#include <cstdint>
#include <string>
#include <string_view>

#include "document/chm_archive.h"
#include "document/error_report.h"
#include "document/loading_progress.h"
#include "document/sitemap_index.h"
#include "document/sitemap_tree.h"
#include "foundation/ptr_array.h"
#include "foundation/regex_matcher.h"

namespace pgwk {

class Book {
 public:
  static constexpr int kDefaultLanguage = 1033;

  // Compiles the patterns; the first that fails is shown through errorReport (when
  // given) and leaves the later ones uncompiled: the Book is created all the same.
  explicit Book(ErrorReport* errorReport = nullptr);
  Book(const Book&) = delete;
  Book& operator=(const Book&) = delete;

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

  // The table of contents and the keyword index, with their text pools.
  SitemapTree& contents() { return contents_; }
  const SitemapTree& contents() const { return contents_; }
  SitemapIndex& keywordIndex() { return keywordIndex_; }
  const SitemapIndex& keywordIndex() const { return keywordIndex_; }

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

  int headerLanguage_ = kDefaultLanguage;
  int contentLanguage_ = kDefaultLanguage;
  int characterSetSetting_ = 0;
  PtrArray<ChmArchive> archives_{1, 1};
  ChmArchive* current_ = nullptr;
  RegexMatcher chmLinkPattern_;
  RegexMatcher tagNamePattern_;
  RegexMatcher scriptEndPattern_;
  RegexMatcher tagStartPattern_;
  RegexMatcher commentEndPattern_;
  RegexMatcher fileReferencePattern_;
  const char* lastTextStart_ = nullptr;
  SitemapTree contents_;
  SitemapIndex keywordIndex_;
  LoadingProgress* progress_ = nullptr;
  ErrorReport* errorReport_ = nullptr;
  LoadingProgress silentProgress_;
  ErrorReport silentReport_;
};

}  // namespace pgwk
