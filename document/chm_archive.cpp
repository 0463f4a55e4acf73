#include "document/chm_archive.h"

#include <filesystem>
#include <new>

#include "document/book.h"
#include "document/name_rules.h"
#include "foundation/reader_error.h"
#include "foundation/text_routines.h"
#include "platform/book_file.h"
#include "platform/code_page.h"

namespace pgwk {

namespace {

constexpr std::uint32_t kChunkHeaderSize = 20;
// Chunks are 4 KiB or 8 KiB in every book seen; anything beyond this is a corrupt
// header, not a directory worth allocating for.
constexpr std::uint32_t kMaxChunkSize = 1u << 20;

// A cursor over the names buffer that never reads past its filled part.
class NamesReader {
 public:
  NamesReader(const std::vector<std::uint8_t>& names) : data_(names.data()), end_(names.size()) {}

  bool atEnd() const { return at_ >= end_; }

  // 7 bits a byte, most significant group first, kept to 32 bits.
  std::uint32_t encint() {
    std::uint32_t value = 0;
    for (;;) {
      if (at_ >= end_) corrupt();
      std::uint8_t b = data_[at_++];
      value = (value << 7) | (b & 0x7F);
      if (!(b & 0x80)) return value;
    }
  }

  const std::uint8_t* take(std::uint32_t n) {
    if (n > end_ - at_) corrupt();
    const std::uint8_t* p = data_ + at_;
    at_ += n;
    return p;
  }

 private:
  [[noreturn]] static void corrupt() {
    raiseError("Corrupt directory: an entry runs past the end of the directory chunks.");
  }
  const std::uint8_t* data_;
  std::size_t end_;
  std::size_t at_ = 0;
};

// The stored names are UTF-8, decoded without validation: a byte with fewer than two
// leading one bits stands for itself; a lead byte with n of them takes its low bits
// and six bits of each of the next n - 1 bytes, kept to 16 bits.
std::u16string decodeStoredName(const std::uint8_t* bytes, std::uint32_t length) {
  std::u16string units;
  units.reserve(length);
  std::uint32_t i = 0;
  while (i < length) {
    std::uint8_t lead = bytes[i++];
    int ones = 0;
    while (ones < 8 && (lead & (0x80 >> ones))) ++ones;
    std::uint32_t unit = lead;
    if (ones >= 2) {
      unit = ones >= 7 ? 0 : lead & (0xFF >> (ones + 1));
      for (int k = 1; k < ones && i < length; ++k) unit = (unit << 6) | (bytes[i++] & 0x3F);
    }
    units.push_back(static_cast<char16_t>(unit & 0xFFFF));
  }
  return units;
}

bool isPlainAscii(const std::uint8_t* bytes, std::uint32_t length) {
  for (std::uint32_t i = 0; i < length; ++i)
    if (bytes[i] >= 0x80) return false;
  return true;
}

[[noreturn]] void nameTooLong() {
  raiseError("Corrupt directory: a stored name is longer than %zu characters.", ChmArchive::kMaxNameUnits);
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

}  // namespace

std::size_t ChmArchive::CaseBlindHash::operator()(std::string_view text) const noexcept {
  std::size_t hash = 14695981039346656037ull;  // FNV-1a over the lower-cased bytes
  for (char c : text) hash = (hash ^ static_cast<unsigned char>(asciiLower(c))) * 1099511628211ull;
  return hash;
}

bool ChmArchive::CaseBlindEqual::operator()(std::string_view a, std::string_view b) const noexcept {
  return equalIgnoringCase(a, b);
}

namespace {

std::string archivePath(std::string_view given) {
  std::string path(given.substr(0, ChmArchive::kMaxPath));
  trim(path);
  // Book-internal callers may hand over a relative path; the reader works with
  // absolute ones so that an archive's folder is always known.
  if (!path.empty() && path[0] != '/') {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (!ec) path = absolute.lexically_normal().string();
  }
  return path;
}

}  // namespace

ChmArchive& ChmArchive::open(Book& book, std::string_view givenPath) {
  std::string path = archivePath(givenPath);
  {
    BookFile probe(path);
    if (!probe.isOpen()) raiseError("Can't open file: %s.", path.c_str());
  }
  ChmArchive* archive = book.archives().add(std::unique_ptr<ChmArchive>(new ChmArchive(path)));
  book.setCurrentArchive(archive);
  archive->load(book);
  return *archive;
}

std::unique_ptr<ChmArchive> ChmArchive::makeCollection(std::string_view path) {
  std::unique_ptr<ChmArchive> archive(new ChmArchive(trimmed(path.substr(0, kMaxPath))));
  archive->isCollection_ = true;
  archive->complete_ = true;
  return archive;
}

void ChmArchive::load(Book& book) {
  BookFile file(path_);
  if (!file.isOpen()) raiseError("Can't open file: %s.", path_.c_str());

  if (file.read(header_.data(), kHeaderSize) != kHeaderSize) raiseError("Can't read chm's header.");

  int language = static_cast<int>(languageId());
  if (book.headerLanguage() == Book::kDefaultLanguage && language != 0 &&
      isLanguageUsable(language, book.characterSetSetting()))
    book.setHeaderLanguage(language);

  if (version() == 3) {
    std::uint8_t stored[8];
    if (file.read(stored, sizeof stored) != sizeof stored)
      raiseError("Can't read content offset (for chm version 3 only).");
    contentOffset_ = read32(stored, 0);
  } else {
    // Older containers do not store where section 0 begins: it follows the
    // directory, whose offset and length the header gives.
    contentOffset_ = directoryOffset() + read32(header_.data(), 80);
  }

  if (!file.seek(section0Offset())) raiseError("Can't move file pointer on section 0 position.");
  if (file.read(section0_.data(), kSection0RecordSize) != kSection0RecordSize)
    raiseError("Can't read section 0 buffer.");
  if (read32(section0_.data(), 0) != kSection0Mark) raiseError("Error format of section 0 (expect 01FE).");

  if (!file.seek(directoryOffset())) raiseError("Can't move file pointer on section 1 position.");
  if (file.read(directoryHeader_.data(), kDirectoryHeaderSize) != kDirectoryHeaderSize)
    raiseError("Can't read section 1 buffer.");

  nameCodePage_ = book.containerCodePage();
  loadDirectory(file, nameCodePage_);
}

void ChmArchive::loadDirectory(BookFile& file, int codePage) {
  const std::uint32_t size = chunkSize();
  const std::uint32_t count = chunkCount();
  const std::uint64_t chunksStart = std::uint64_t{directoryOffset()} + kDirectoryHeaderSize;
  if (count > 0 && (size < kChunkHeaderSize || size > kMaxChunkSize))
    raiseError("Corrupt directory: chunk size %u is not usable.", size);

  // The names buffer grows chunk by chunk as listing chunks are read, so a chunk
  // count from a corrupt header never decides an allocation: the read past the end
  // of the file stops such a directory.
  std::vector<std::uint8_t> names;
  bool metLastChunk = false;
  std::uint8_t chunkHeader[kChunkHeaderSize];
  for (std::uint32_t i = 0; i < count && !metLastChunk; ++i) {
    int number = static_cast<int>(i + 1);
    if (!file.seek(chunksStart + std::uint64_t{i} * size))
      raiseError("Can't move file pointer on directory chunk %d position.", number);
    if (file.read(chunkHeader, kChunkHeaderSize) != kChunkHeaderSize)
      raiseError("Can't read directory chunk %d buffer.\n", number);
    if (chunkHeader[3] != 'L') continue;
    std::uint32_t freeSpace = read32(chunkHeader, 4);
    if (freeSpace > size - kChunkHeaderSize)
      raiseError("Corrupt directory: chunk %d claims more free space than it holds.", number);
    std::uint32_t entryArea = size - kChunkHeaderSize - freeSpace;
    std::size_t filled = names.size();
    try {
      names.resize(filled + entryArea);
    } catch (const std::bad_alloc&) {
      raiseError("Can't allocate memory for files names buffer.");
    }
    if (file.read(names.data() + filled, entryArea) != entryArea)
      raiseError("Can't read file names buffer for directory chunk %d.\n", number);
    metLastChunk = read32(chunkHeader, 16) == 0xFFFFFFFFu;
  }
  if (!metLastChunk) raiseError("Can't find last directory chunk\n");
  addEntries(names, codePage);
}

void ChmArchive::addEntries(const std::vector<std::uint8_t>& names, int codePage) {
  std::size_t count = 0;
  for (NamesReader walk(names); !walk.atEnd(); ++count) {
    walk.take(walk.encint());
    walk.encint();
    walk.encint();
    walk.encint();
  }
  try {
    entries_.assign(count, DirectoryEntry{});
  } catch (const std::bad_alloc&) {
    raiseError("Can't allocate memory for files props buffer.");
  }

  NamesReader walk(names);
  std::string extension;
  for (DirectoryEntry& entry : entries_) {
    std::uint32_t length = walk.encint();
    const std::uint8_t* bytes = walk.take(length);
    if (isPlainAscii(bytes, length)) {
      // Most names are ASCII: the same bytes in every code page the reader knows.
      if (length > kMaxNameUnits) nameTooLong();
      entry.name.assign(reinterpret_cast<const char*>(bytes), length);
    } else {
      std::u16string units = decodeStoredName(bytes, length);
      if (units.size() > kMaxNameUnits) nameTooLong();
      entry.name = codePageFromUtf16(units, codePage);
    }
    extensionOf(entry.name, extension);
    if (!extension.empty() && !hasExtension(extension))
      extensions_.add(std::make_unique<std::string>(extension));
    entry.section = walk.encint();
    entry.offset = walk.encint();
    entry.length = walk.encint();
  }
  indexEntries();
}

void ChmArchive::indexEntries() {
  byName_.reserve(entries_.size());
  byFileName_.reserve(entries_.size());
  for (std::uint32_t i = 0; i < entries_.size(); ++i) {
    std::string_view name = entries_[i].name;
    if (name.starts_with("/")) name.remove_prefix(1);
    byName_.try_emplace(name, i);
    byFileName_.try_emplace(fileNameOfStored(entries_[i].name), i);
  }
}

std::string_view ChmArchive::fileNameOfStored(std::string_view name) {
  std::size_t cut = name.rfind('/');
  if (cut == std::string_view::npos) cut = name.rfind('\\');
  return cut == std::string_view::npos ? name : name.substr(cut + 1);
}

std::string ChmArchive::entryName(std::int64_t position) const {
  if (position < 0 || position >= static_cast<std::int64_t>(entries_.size())) return {};
  return entries_[static_cast<std::size_t>(position)].name;
}

std::int64_t ChmArchive::lookUp(std::string_view workName, bool allowFileNameOnly) const {
  auto exact = byName_.find(workName);
  if (exact != byName_.end()) return exact->second;
  if (!allowFileNameOnly) return -1;
  auto byFile = byFileName_.find(fileNameOfStored(workName));
  if (byFile == byFileName_.end()) return -1;
  return byFile->second;
}

bool ChmArchive::hasExtension(std::string_view extension) const {
  for (int i = 0; i < extensions_.count(); ++i)
    if (*extensions_.at(i) == extension) return true;
  return false;
}

}  // namespace pgwk
