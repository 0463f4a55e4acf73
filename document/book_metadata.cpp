#include "document/book_metadata.h"

#include <cstring>

#include "document/book.h"
#include "document/name_rules.h"
#include "foundation/reader_error.h"
#include "foundation/text_routines.h"

namespace pgwk {

namespace {

std::uint32_t read16(const std::uint8_t* p) { return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8; }
std::uint32_t read32(const std::uint8_t* p) { return read16(p) | read16(p + 2) << 16; }

constexpr std::uint32_t kWindowsHeaderSize = 8;

// A record's text: up to its zero byte, or to the record's end when it has none, and
// never longer than the field it was kept in.
std::string recordText(const std::uint8_t* data, std::uint32_t length) {
  const void* zero = std::memchr(data, 0, length);
  std::size_t size = zero ? static_cast<const std::uint8_t*>(zero) - data : length;
  if (size > BookMetadata::kMaxText) size = BookMetadata::kMaxText;
  return std::string(reinterpret_cast<const char*>(data), size);
}

}  // namespace

SystemRecords parseSystemFile(const std::uint8_t* bytes, std::uint32_t length) {
  if (length < 4) raiseError("Corrupt #SYSTEM file: it is too short to hold a version.");
  std::int32_t version = static_cast<std::int32_t>(read32(bytes));
  if (version != 2 && version != 3) raiseError("Incorrect version number for #SYSTEM file: %d.", version);
  SystemRecords records;
  std::uint32_t at = 4;
  while (at < length) {
    if (length - at < 4) raiseError("Corrupt #SYSTEM file: a record header runs past its end.");
    std::int16_t code = static_cast<std::int16_t>(read16(bytes + at));
    // The length is read unsigned: taken as signed, a length of 0x8000 or more would
    // step backwards and walk the same records for ever.
    std::uint32_t size = read16(bytes + at + 2);
    const std::uint8_t* data = bytes + at + 4;
    if (size > length - at - 4) raiseError("Corrupt #SYSTEM file: record %d runs past its end.", code);
    switch (code) {
      case 0: records.contentsFile = recordText(data, size); break;
      case 1: records.indexFile = recordText(data, size); break;
      case 2: records.defaultFile = recordText(data, size); break;
      case 3: records.title = recordText(data, size); break;
      case 4:
        if (size >= 4) records.language = read32(data);
        break;
      case 5: records.defaultWindow = recordText(data, size); break;
      default: break;
    }
    at += 4 + size;
  }
  return records;
}

std::string_view stringAt(const FileBuffer& strings, std::uint32_t offset) {
  if (offset >= strings.length()) return {};
  const std::uint8_t* start = strings.data() + offset;
  std::uint32_t left = strings.length() - offset;
  const void* zero = std::memchr(start, 0, left);
  std::size_t size = zero ? static_cast<const std::uint8_t*>(zero) - start : left;
  return std::string_view(reinterpret_cast<const char*>(start), size);
}

std::uint32_t windowRecordCount(const FileBuffer& windows) {
  if (windows.length() < kWindowsHeaderSize) return 0;
  std::uint32_t stated = read32(windows.data());
  std::uint32_t recordSize = read32(windows.data() + 4);
  if (recordSize == 0) return 0;
  std::uint32_t fitting = (windows.length() - kWindowsHeaderSize) / recordSize;
  return stated < fitting ? stated : fitting;
}

std::uint32_t windowValue(const FileBuffer& windows, std::uint32_t recordOffset, WindowField field) {
  if (windows.length() < kWindowsHeaderSize) return 0;
  std::uint32_t recordSize = read32(windows.data() + 4);
  std::uint32_t at = static_cast<std::uint32_t>(field);
  if (at + 4 > recordSize) return 0;
  std::uint64_t absolute = std::uint64_t{recordOffset} + at;
  if (absolute + 4 > windows.length()) return 0;
  return read32(windows.data() + absolute);
}

std::optional<std::uint32_t> chooseWindowRecord(const FileBuffer& windows, const FileBuffer& strings,
                                                std::string_view defaultWindow) {
  std::uint32_t count = windowRecordCount(windows);
  if (count == 0) return std::nullopt;
  std::uint32_t recordSize = read32(windows.data() + 4);
  if (!defaultWindow.empty()) {
    for (std::uint32_t i = 0; i < count; ++i) {
      std::uint32_t record = kWindowsHeaderSize + i * recordSize;
      if (stringAt(strings, windowValue(windows, record, WindowField::name)) == defaultWindow) return record;
    }
  }
  return kWindowsHeaderSize;
}

// Loading.

void Book::readSystemFiles() {
  ChmArchive& archive = *current_;
  BookMetadata& metadata = archive.metadata();
  readBookFile("#SYSTEM", metadata.system);
  SystemRecords records = parseSystemFile(metadata.system.data(), metadata.system.length());
  metadata.contentsFile = std::move(records.contentsFile);
  metadata.indexFile = std::move(records.indexFile);
  metadata.defaultFile = std::move(records.defaultFile);
  metadata.title = std::move(records.title);
  metadata.defaultWindow = std::move(records.defaultWindow);
  int language = static_cast<int>(records.language);
  if (language != 0 && isLanguageUsable(language, characterSetSetting_)) contentLanguage_ = language;
  readBookFile("#STRINGS", metadata.strings);
}

void Book::readWindowDefinitions() {
  BookMetadata& metadata = current_->metadata();
  metadata.windowRecord.reset();
  if (!existsInBookFile("#WINDOWS")) return;
  readBookFile("#WINDOWS", metadata.windows);
  metadata.windowRecord = chooseWindowRecord(metadata.windows, metadata.strings, metadata.defaultWindow);
}

// Questions.

namespace {

// A text field of the archive's window record; empty without a record.
std::string windowText(const ChmArchive& archive, WindowField field) {
  const BookMetadata& metadata = archive.metadata();
  if (!metadata.windowRecord) return {};
  return std::string(stringAt(metadata.strings, windowValue(metadata.windows, *metadata.windowRecord, field)));
}

bool windowHasButton(const ChmArchive& archive, std::uint32_t button) {
  const BookMetadata& metadata = archive.metadata();
  return metadata.windowRecord &&
         (windowValue(metadata.windows, *metadata.windowRecord, WindowField::buttons) & button) != 0;
}

bool isPageOrImage(std::string_view name) {
  std::string extension = extensionOf(name);
  return isPageExtension(extension) || isImageExtension(extension);
}

}  // namespace

std::string Book::withPrefix(const ChmArchive* archive, std::string_view name) const {
  if (!archive || name.empty()) return {};
  std::string reference = archive->path();
  reference += "::";
  reference += name;
  return reference;
}

std::string Book::title(const ChmArchive* archive, bool preferSystemTitle) const {
  if (!archive) archive = main_;
  if (!archive) return {};
  const BookMetadata& metadata = archive->metadata();
  if (preferSystemTitle && !metadata.title.empty()) return metadata.title;
  // A title offset of 0 points at the pool's empty first text: no title of its own.
  if (metadata.windowRecord && windowValue(metadata.windows, *metadata.windowRecord, WindowField::title) != 0) {
    std::string windowTitle = windowText(*archive, WindowField::title);
    if (!windowTitle.empty()) return windowTitle;
  }
  if (!metadata.title.empty()) return metadata.title;
  return archive->path();
}

std::string Book::defaultTopic() {
  if (!main_) return {};
  const BookMetadata& metadata = main_->metadata();
  if (!metadata.defaultFile.empty()) {
    if (isPageOrImage(metadata.defaultFile)) return metadata.defaultFile;
  } else {
    std::string windowTopic = windowText(*main_, WindowField::defaultTopic);
    if (!windowTopic.empty() && isPageOrImage(windowTopic)) return windowTopic;
  }
  std::string home = homePageWithPrefix();
  if (!home.empty()) return home;
  for (const char* candidate : {"default.htm", "default.html", "index.htm", "index.html"})
    if (exists(candidate, main_)) return candidate;
  return {};
}

std::string Book::defaultTopicWithPrefix() { return withPrefix(main_, defaultTopic()); }

std::string Book::homePage() const {
  if (!main_ || !windowHasButton(*main_, kHomeButton)) return {};
  return windowText(*main_, WindowField::homePage);
}

std::string Book::homePageWithPrefix() const { return withPrefix(main_, homePage()); }

std::string Book::homeOrDefault() {
  std::string home = homePageWithPrefix();
  return home.empty() ? defaultTopicWithPrefix() : home;
}

std::string Book::jumpLabel() const {
  if (!main_) return {};
  if (windowHasButton(*main_, kJump1Button)) return windowText(*main_, WindowField::jump1Label);
  if (windowHasButton(*main_, kJump2Button)) return windowText(*main_, WindowField::jump2Label);
  return {};
}

std::string Book::jumpTarget() const {
  if (!main_) return {};
  if (windowHasButton(*main_, kJump1Button)) return windowText(*main_, WindowField::jump1Target);
  if (windowHasButton(*main_, kJump2Button)) return windowText(*main_, WindowField::jump2Target);
  return {};
}

std::string Book::jumpTargetWithPrefix() const { return withPrefix(main_, jumpTarget()); }

std::string Book::contentsFile() const {
  if (!current_) return {};
  if (!current_->metadata().contentsFile.empty()) return current_->metadata().contentsFile;
  return windowText(*current_, WindowField::contentsFile);
}

std::string Book::indexFile() const {
  if (!current_) return {};
  if (!current_->metadata().indexFile.empty()) return current_->metadata().indexFile;
  return windowText(*current_, WindowField::indexFile);
}

std::string Book::indexFileWithPrefix() const { return withPrefix(current_, indexFile()); }

}  // namespace pgwk
