#pragma once
// The open document: one CHM file, or a collection naming several. The Book owns
// every archive opened for it; one of them is current, and every read and lookup
// works on it.

#include <cstdint>
#include <string>
#include <string_view>

#include "document/chm_archive.h"
#include "foundation/ptr_array.h"
#include "foundation/regex_matcher.h"

namespace pgwk {

class Book {
 public:
  static constexpr int kDefaultLanguage = 1033;

  Book();
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
};

}  // namespace pgwk
