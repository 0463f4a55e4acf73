#pragma once
// The table of contents of an open book: a tree of TocEntry nodes under a root the
// tree owns, with every entry's texts in two string pools (names, locations) and the
// entries chained in document order (an entry, its descendants, then its next
// sibling), across merged files and the books of a collection. The root and the
// missing-files entry with its children are not chained.

#include <cstdint>
#include <memory>
#include <string_view>

#include "document/string_pool.h"
#include "foundation/ptr_array.h"

namespace pgwk {

class ChmArchive;

struct TocEntry {
  static constexpr int kChildCapacity = 1;
  static constexpr int kChildGrowth = 5;

  TocEntry() = default;
  TocEntry(const TocEntry&) = delete;
  TocEntry& operator=(const TocEntry&) = delete;
  // Tears down the subtree without recursion, so a deeply nested list cannot exhaust
  // the stack.
  ~TocEntry();

  int name = StringPool::kNone;      // offset into the name pool
  int location = StringPool::kNone;  // offset into the location pool; normalised
  int imageNumber = 0;               // icon of the contents pane
  ChmArchive* chmFile = nullptr;     // current when the location was read; none for groups
  std::uintptr_t viewHandle = 0;     // the contents pane's item for this entry
  PtrArray<TocEntry> children{kChildCapacity, kChildGrowth};
  TocEntry* previous = nullptr;      // document order
  TocEntry* next = nullptr;
};

// The number of entries below the entry, at any depth.
int countEntries(const TocEntry& entry);

class SitemapTree {
 public:
  // The image of an entry standing for a merged or collected file that did not open,
  // and of the entry that gathers them.
  static constexpr int kMissingFileImage = 12;
  static constexpr int kMissingFilesImage = 7;

  SitemapTree();
  SitemapTree(const SitemapTree&) = delete;
  SitemapTree& operator=(const SitemapTree&) = delete;

  TocEntry& root() { return *root_; }
  const TocEntry& root() const { return *root_; }

  StringPool& names() { return names_; }
  StringPool& locations() { return locations_; }
  // Creates whichever pool does not exist yet.
  void createPools(std::uint32_t capacity, int growth);
  std::string_view nameOf(const TocEntry& entry) const { return names_.textAt(entry.name); }
  std::string_view locationOf(const TocEntry& entry) const { return locations_.textAt(entry.location); }
  // The names are needed only until the contents pane has copied them.
  void releaseNameTexts() { names_.release(); }

  // Document order. link() puts the entry after the last linked one; unlinking closes
  // the gap. An entry that is destroyed while linked must be unlinked first, with
  // its whole subtree.
  TocEntry* first() const { return first_; }
  TocEntry* last() const { return last_; }
  void link(TocEntry& entry);
  void unlink(TocEntry& entry);
  void unlinkSubtree(TocEntry& entry);

  // Collects the files that failed to open while the contents were read; owned by the
  // tree until adoptMissingFiles() moves it among the top-level entries.
  TocEntry& missingFiles() { return *missingFiles_; }
  // Appends the missing-files entry, titled "Missing files (N)", to the top-level
  // entries when it has children; otherwise keeps it.
  void adoptMissingFiles();

  // Called once the contents are read: counts the entries of the whole tree.
  void complete() { entryCount_ = countEntries(*root_); }
  int entryCount() const { return entryCount_; }

 private:
  std::unique_ptr<TocEntry> root_;
  std::unique_ptr<TocEntry> missingFiles_;
  StringPool names_;
  StringPool locations_;
  TocEntry* first_ = nullptr;
  TocEntry* last_ = nullptr;
  int entryCount_ = 0;
};

}  // namespace pgwk
