#pragma once
// Turns a book's sitemap files into the Book's navigation models: a contents file
// (.hhc: nested "UL" lists of "LI" items carrying an "OBJECT" with "param" tags) or a
// collection file (.col: "folder" elements whose "titlestring" names a group or
// points to a CHM file) into the SitemapTree, a keyword-index file (.hhk) into the
// SitemapIndex. Texts go to the models' string pools.
//
// Merged contents ("Merge" parameters) and the books of a collection are followed
// through BookFiles, which moves the Book's current archive; the parser puts it back
// after each. A merged or collected file that cannot be opened becomes an entry under
// the tree's missing-files entry; one that cannot be read or parsed is shown through
// the Book's error report and skipped. Progress goes to the Book's loading progress.

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "document/sitemap_index.h"
#include "document/sitemap_tree.h"

namespace pgwk {

class Book;
class BookFiles;
class ChmArchive;
class TagReader;

class SitemapParser {
 public:
  // Bounds on following merges, so that contents files which merge each other (or
  // themselves, or one file from many places) cannot make the parse endless.
  static constexpr std::size_t kMaxMergeDepth = 16;
  static constexpr int kMaxMergesOfOneFile = 8;
  static constexpr int kMaxMerges = 4096;

  SitemapParser(Book& book, BookFiles& files) : book_(book), files_(files) {}

  // Appends the entries of a contents file under parent. Raises
  // "Error while parse TOC file.\n%s" with the inner message.
  void parseContents(std::string_view text, TocEntry& parent);
  // Reads a collection file into root. Raises "Error while parse COL file.\n%s".
  void parseCollection(std::string_view text, TocEntry& root);
  // Adds a keyword-index file to the Book's index and sorts its top-level keywords.
  // Raises "Error while parse Index file.\n%s".
  void parseKeywordIndex(std::string_view text);

 private:
  // A parse that no merge started forgets the merges of the parse before.
  void startParse();
  void readList(TagReader& reader, std::string& tag, TocEntry& parent);
  void readObject(TagReader& reader, std::string& tag, TocEntry& entry);
  void readParameter(std::string_view tag, TocEntry& entry);
  void readFolders(TagReader& reader, std::string& tag, TocEntry& root);
  void readKeywordList(TagReader& reader, std::string& tag, KeywordEntry& parent);
  void readKeywordObject(TagReader& reader, std::string& tag, KeywordEntry& entry);

  void merge(const std::string& reference, TocEntry& entry);
  void openBookReference(std::string_view fileName, TocEntry& enclosing);
  // Reads a merged or collected contents file from the current archive and parses
  // it under parent; a failure is shown (naming the file as written), not raised.
  void parseReferencedContents(const std::string& name, const std::string& written, TocEntry& parent);
  void addMissingFile(std::string_view message);

  Book& book_;
  BookFiles& files_;
  // A contents file as merges name it: its archive and its name as a lookup compares.
  using MergedFile = std::pair<const ChmArchive*, std::string>;
  // The contents files being parsed because a merge or a collection named them,
  // innermost last; how often each file was merged in this parse, and in all.
  std::vector<MergedFile> merging_;
  std::map<MergedFile, int> mergesOf_;
  int mergeCount_ = 0;
};

// The contents entry whose location is the page the reference names (in its CHM
// file, or in the current one when it has no CHM-link prefix), ignoring ASCII case;
// when there is none and the reference has a "#", the entry of the page without the
// fragment. Leaves the current archive as it was. None when no entry matches.
TocEntry* findContentsEntry(Book& book, BookFiles& files, TocEntry& root, std::string_view reference);

}  // namespace pgwk
