#pragma once
// One opened CHM container: its header, the section-0 record, the directory header
// and the whole directory as an in-memory table of DirectoryEntry records in listing
// order. Names are converted to the container code page once, at load time. The
// archive never keeps its file open between operations.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "document/book_metadata.h"
#include "document/content_section.h"
#include "document/directory_entry.h"
#include "document/topic_table.h"
#include "foundation/ptr_array.h"

namespace pgwk {

class Book;

class ChmArchive {
 public:
  static constexpr std::size_t kHeaderSize = 88;
  static constexpr std::size_t kSection0RecordSize = 24;
  static constexpr std::size_t kDirectoryHeaderSize = 84;
  static constexpr std::uint32_t kSection0Mark = 0x1FE;
  // The longest stored name, in 16-bit units, that the reader accepts.
  static constexpr std::size_t kMaxNameUnits = 519;
  static constexpr std::size_t kMaxPath = 520;

  // Opens a container on disk, appends it to the book's archives and makes it
  // current, then loads its header and directory. If the load throws, the archive
  // stays in the list without its complete flag and the error goes on.
  static ChmArchive& open(Book& book, std::string_view path);
  // The pseudo-archive standing for a ".col" collection file: no header, no directory.
  static std::unique_ptr<ChmArchive> makeCollection(std::string_view path);

  const std::string& path() const { return path_; }
  bool isCollection() const { return isCollection_; }
  bool complete() const { return complete_; }
  void markComplete() { complete_ = true; }

  // Header facts.
  std::uint32_t version() const { return read32(header_.data(), 4); }
  std::uint32_t languageId() const { return read32(header_.data(), 20); }
  std::uint32_t section0Offset() const { return read32(header_.data(), 56); }
  std::uint32_t directoryOffset() const { return read32(header_.data(), 72); }
  // Absolute file offset at which content section 0 begins.
  std::uint32_t contentOffset() const { return contentOffset_; }
  // The container's size as its section-0 record states it: a change stamp.
  std::uint32_t recordedFileSize() const { return read32(section0_.data(), 8); }
  std::uint32_t chunkSize() const { return read32(directoryHeader_.data(), 16); }
  std::uint32_t chunkCount() const { return read32(directoryHeader_.data(), 44); }
  const std::array<std::uint8_t, kHeaderSize>& header() const { return header_; }

  // The container code page its names were converted to.
  int nameCodePage() const { return nameCodePage_; }

  std::uint32_t entryCount() const { return static_cast<std::uint32_t>(entries_.size()); }
  const std::vector<DirectoryEntry>& entries() const { return entries_; }
  const DirectoryEntry& entry(std::uint32_t position) const { return entries_[position]; }
  // The name at a position, or empty when the position is outside the table.
  std::string entryName(std::int64_t position) const;

  // The first entry whose name (ignoring one leading "/") equals the work name,
  // ignoring ASCII case; when there is none and allowFileNameOnly, the first entry
  // whose file-name part equals the work name's. Returns the position or -1.
  std::int64_t lookUp(std::string_view workName, bool allowFileNameOnly) const;

  // The content sections, empty until the Book has read the section list.
  const std::vector<ContentSection>& sections() const { return sections_; }
  void setSections(std::vector<ContentSection> sections) { sections_ = std::move(sections); }

  // What #SYSTEM, #STRINGS and #WINDOWS say; filled while the book is opened.
  BookMetadata& metadata() { return metadata_; }
  const BookMetadata& metadata() const { return metadata_; }
  // #TOPICS, #URLTBL and #URLSTR; empty when the book lacks one of them.
  TopicTables& topicTables() { return topicTables_; }
  const TopicTables& topicTables() const { return topicTables_; }

  // Whether the extension (exactly, case-sensitive) occurs among the entry names.
  bool hasExtension(std::string_view extension) const;
  const PtrArray<std::string>& extensions() const { return extensions_; }

  // The part of a stored or looked-up name after its last slash (or, if none, its
  // last backslash): what the second lookup pass compares.
  static std::string_view fileNameOfStored(std::string_view name);

  static std::uint32_t read32(const std::uint8_t* p, std::size_t at) {
    return std::uint32_t{p[at]} | std::uint32_t{p[at + 1]} << 8 | std::uint32_t{p[at + 2]} << 16 |
           std::uint32_t{p[at + 3]} << 24;
  }

 private:
  explicit ChmArchive(std::string path) : path_(std::move(path)) {}
  void load(Book& book);
  void loadDirectory(class BookFile& file, int codePage);
  void addEntries(const std::vector<std::uint8_t>& names, int codePage);
  void indexEntries();

  std::string path_;
  bool isCollection_ = false;
  bool complete_ = false;
  std::array<std::uint8_t, kHeaderSize> header_{};
  std::uint32_t contentOffset_ = 0;
  std::array<std::uint8_t, kSection0RecordSize> section0_{};
  std::array<std::uint8_t, kDirectoryHeaderSize> directoryHeader_{};
  int nameCodePage_ = 1252;
  std::vector<DirectoryEntry> entries_;
  PtrArray<std::string> extensions_{10, 5};
  std::vector<ContentSection> sections_;
  BookMetadata metadata_;
  TopicTables topicTables_;

  // Lower-case name (without one leading "/") and lower-case file-name part, each to
  // the first entry that has it: lookups answer as the linear scans in directory
  // order would, without walking thousands of entries per page.
  std::unordered_map<std::string, std::uint32_t> byName_;
  std::unordered_map<std::string, std::uint32_t> byFileName_;
};

}  // namespace pgwk
