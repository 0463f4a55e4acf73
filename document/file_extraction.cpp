// Reading stored files: the section list, plain reads from uncompressed sections,
// span extraction from the LZX section through the Book's two work buffers, whole
// book files with their companion rule, and pre-sizing of the buffers.

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>

#include "document/book.h"
#include "document/lzx_decoder.h"
#include "foundation/reader_error.h"
#include "foundation/text_routines.h"
#include "platform/book_file.h"

namespace pgwk {

namespace {

// The current archive as it was when the object was made comes back when it goes,
// also when an error passes through.
class CurrentArchiveKeeper {
 public:
  explicit CurrentArchiveKeeper(Book& book) : book_(book), kept_(book.currentArchive()) {}
  ~CurrentArchiveKeeper() { book_.setCurrentArchive(kept_); }
  CurrentArchiveKeeper(const CurrentArchiveKeeper&) = delete;
  CurrentArchiveKeeper& operator=(const CurrentArchiveKeeper&) = delete;

 private:
  Book& book_;
  ChmArchive* kept_;
};

std::string text(std::string_view view) { return std::string(view); }

bool containerExists(const std::string& path) {
  std::error_code ec;
  bool exists = std::filesystem::exists(path, ec);
  // Any trouble other than absence is left for the open to report.
  return exists || ec;
}

// Reads length bytes at offset of the container into the block that target() gives.
// Each read opens and closes the container: the reader holds no file open between
// operations. The target is asked for only once the bytes are known to lie inside
// the file, so a damaged length cannot make it allocate gigabytes.
template <typename Target>
void readFromContainer(const ChmArchive& archive, std::uint64_t offset, std::uint32_t length,
                       std::string_view name, Target target) {
  BookFile file(archive.path());
  if (!file.isOpen()) raiseError("Can't open chm file: %s.", archive.path().c_str());
  if (!file.seek(offset)) raiseError("Can't move file pointer to get file %s buffer.\n", text(name).c_str());
  std::int64_t size = file.size();
  if (size >= 0 && offset + length > static_cast<std::uint64_t>(size))
    raiseError("Can't read file %s buffer: it runs past the end of the book.\n", text(name).c_str());
  std::uint8_t* block = target();
  if (length && file.read(block, length) != length) raiseError("Can't read file %s buffer.\n", text(name).c_str());
}

std::unique_ptr<std::uint8_t[]> ownBlock(std::uint32_t length, std::string_view name) {
  try {
    // One zero byte past the data, so a stored text without its terminator still ends.
    auto block = std::make_unique_for_overwrite<std::uint8_t[]>(std::size_t{length} + 1);
    block[length] = 0;
    return block;
  } catch (const std::bad_alloc&) {
    raiseError("Can't allocate memory for file %s buffer.\n", text(name).c_str());
  }
}

bool skippedWhenPresizing(std::string_view name) {
  if (name.starts_with("::DataSpace/Storage/")) return true;
  if (name.size() > 1 && name[1] == '$' && equalIgnoringCase(name, "/$FIftiMain")) return true;
  return name.ends_with('/');
}

}  // namespace

struct Book::SectionTables {
  LzxControl control;
  ResetTable resetTable;
};

void Book::readSectionList(ChmArchive& archive) {
  CurrentArchiveKeeper keeper(*this);
  current_ = &archive;
  archive.setSections({});
  std::vector<ContentSection> sections;
  {
    FileBuffer list;
    try {
      list = readFile(kSectionListName, false);
    } catch (const ReaderError& e) {
      raiseError("Can't get buffer for file %s.\n%s", kSectionListName.data(), e.what());
    }
    try {
      sections = parseSectionList(list.data(), list.length());
    } catch (const std::bad_alloc&) {
      raiseError("Can't allocate memory for content sections list.\n");
    }
  }
  for (std::size_t i = 1; i < sections.size(); ++i) {
    if (const DirectoryEntry* content = findEntry(sectionContentName(sections[i].name), &archive))
      sections[i].offset = content->offset;
  }
  archive.setSections(std::move(sections));
}

FileBuffer Book::readFile(std::string_view name, bool ownCopy) {
  switchArchive(name);
  const ChmArchive* archive = current_;
  const DirectoryEntry* found = archive ? findEntry(name, archive) : nullptr;
  if (!found) raiseError("Can't find entry for file %s\n", text(name).c_str());
  const DirectoryEntry entry = *found;
  const std::vector<ContentSection>& sections = archive->sections();
  if (entry.section < sections.size()) {
    const ContentSection& section = sections[entry.section];
    if (!section.compressed) return readPlain(*archive, entry, section.offset, name, ownCopy);
    return readCompressed(*archive, entry, section, name, ownCopy);
  }
  // Before the section list is known every read is a plain one from section 0:
  // that is how the list itself is read.
  if (sections.empty()) return readPlain(*archive, entry, 0, name, ownCopy);
  raiseError("Wrong content section id.\n");
}

FileBuffer Book::readPlain(const ChmArchive& archive, const DirectoryEntry& entry, std::uint32_t sectionOffset,
                           std::string_view name, bool ownCopy) {
  if (!containerExists(archive.path())) {
    if (bookFileMissing_) bookFileMissing_();
    raiseError("%s\n\nFile does not exist.", archive.path().c_str());
  }
  const std::uint64_t at = std::uint64_t{archive.contentOffset()} + sectionOffset + entry.offset;
  if (ownCopy) {
    std::unique_ptr<std::uint8_t[]> block;
    readFromContainer(archive, at, entry.length, name, [&] {
      block = ownBlock(entry.length, name);
      return block.get();
    });
    return FileBuffer::owning(std::move(block), entry.length);
  }
  readFromContainer(archive, at, entry.length, name, [&] {
    output_.ensure(entry.length);
    return output_.data();
  });
  return FileBuffer::borrowing(output_.data(), entry.length);
}

Book::SectionTables Book::readSectionTables(const ContentSection& section) {
  if (readingSectionTables_) raiseError("The tables of content section %s are compressed.\n", section.name.c_str());
  readingSectionTables_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{readingSectionTables_};
  // Both tables land in the output buffer; their values are copied out before the
  // next read or the buffers' growth can overwrite them.
  FileBuffer control = readFile(sectionControlDataName(section.name), false);
  LzxControl lzx = parseControlData(control.data(), control.length());
  FileBuffer table = readFile(sectionResetTableName(section.name), false);
  return SectionTables{lzx, ResetTable::parse(table.data(), table.length(), section.name)};
}

FileBuffer Book::readCompressed(const ChmArchive& archive, const DirectoryEntry& entry,
                                const ContentSection& givenSection, std::string_view name, bool ownCopy) {
  const ContentSection section = givenSection;
  SectionTables tables = readSectionTables(section);
  std::optional<Span> found = tables.resetTable.spanOf(tables.control.windowBlocks, entry.offset, entry.length);
  if (!found) raiseError("File %s lies outside its content section.\n", text(name).c_str());
  const Span span = *found;

  output_.ensure(span.uncompressedLength());
  // The input buffer grows only once the span is known to lie inside the file: a
  // damaged reset table must not leave the Book holding gigabytes.
  readFromContainer(archive, std::uint64_t{archive.contentOffset()} + section.offset + span.compressedStart,
                    span.compressedLength(), name, [&] {
                      input_.ensure(span.compressedLength());
                      return input_.data();
                    });
  input_.padAfter(span.compressedLength());

  int result = decoder_->initialise(static_cast<int>(tables.control.windowBits));
  if (result == 0)
    result = decoder_->decode(input_.data(), span.compressedLength(), output_.data(), span.uncompressedLength());
  if (result != 0) raiseError("Can't decompress file %s (LZX error %d).\n", text(name).c_str(), result);

  const std::uint8_t* start = output_.data() + (entry.offset - span.uncompressedStart);
  if (ownCopy) {
    std::unique_ptr<std::uint8_t[]> block = ownBlock(entry.length, name);
    if (entry.length) std::memcpy(block.get(), start, entry.length);
    return FileBuffer::owning(std::move(block), entry.length);
  }
  return FileBuffer::borrowing(start, entry.length);
}

ChmArchive* Book::companionOf(const ChmArchive& archive) const {
  const std::string& path = archive.path();
  if (path.size() < 4) return nullptr;
  std::string companion = path.substr(0, path.size() - 4) + ".chi";
  for (int i = 0; i < archives_.count(); ++i) {
    ChmArchive* candidate = archives_.at(i);
    if (candidate != &archive && equalIgnoringCase(candidate->path(), companion)) return candidate;
  }
  return nullptr;
}

bool Book::existsInBookFile(std::string_view name) {
  if (!current_) return false;
  if (exists(name, current_)) return true;
  ChmArchive* companion = companionOf(*current_);
  return companion && exists(name, companion);
}

void Book::readBookFile(std::string_view name, FileBuffer& into) {
  ChmArchive* holder = nullptr;
  if (current_ && exists(name, current_)) {
    holder = current_;
  } else if (ChmArchive* companion = current_ ? companionOf(*current_) : nullptr; companion && exists(name, companion)) {
    holder = companion;
  }
  if (!holder) raiseError("File '%s' not found in CHM or CHI archives.\n", text(name).c_str());
  CurrentArchiveKeeper keeper(*this);
  current_ = holder;
  into = readFile(name, true);
}

void Book::presizeBuffers(ChmArchive& archive) {
  CurrentArchiveKeeper keeper(*this);
  current_ = &archive;
  const std::vector<ContentSection>& sections = archive.sections();
  std::uint32_t largestUncompressed = 0;
  std::uint32_t largestCompressed = 0;
  std::optional<std::uint32_t> tablesSection;
  std::optional<SectionTables> tables;
  for (const DirectoryEntry& entry : archive.entries()) {
    if (skippedWhenPresizing(entry.name)) continue;
    // Files of uncompressed sections have no span to size for, and their section
    // has no control data: asking for it would make every such book fail to open.
    if (entry.section >= sections.size() || !sections[entry.section].compressed) continue;
    if (tablesSection != entry.section) {
      tables = readSectionTables(sections[entry.section]);
      tablesSection = entry.section;
    }
    std::optional<Span> span = tables->resetTable.spanOf(tables->control.windowBlocks, entry.offset, entry.length);
    // A file outside its section fails when it is read, with its name.
    if (!span || span->uncompressedLength() >= kPresizeLimit) continue;
    largestUncompressed = std::max(largestUncompressed, span->uncompressedLength());
    largestCompressed = std::max(largestCompressed, span->compressedLength());
  }
  input_.ensure(largestCompressed);
  output_.ensure(largestUncompressed);
}

}  // namespace pgwk
