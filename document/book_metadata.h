#pragma once
// What a CHM file says about itself: the #SYSTEM records (title, default topic,
// contents and index file names, language, default window), the #STRINGS pool that
// other system files point into, and the #WINDOWS definitions with the record that
// applies. The parsing here works on bytes already read and never reads past them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "document/file_buffer.h"

namespace pgwk {

// Each archive's metadata: the five #SYSTEM texts, the three system files (own
// copies) and the chosen #WINDOWS record.
struct BookMetadata {
  // The texts were fields of 520 bytes with their terminator.
  static constexpr std::size_t kMaxText = 519;

  std::string contentsFile;
  std::string indexFile;
  std::string defaultFile;
  std::string title;
  std::string defaultWindow;

  FileBuffer system;
  FileBuffer strings;
  FileBuffer windows;
  // Offset of the chosen record inside `windows`; none when the book has no usable one.
  std::optional<std::uint32_t> windowRecord;
};

// The records of #SYSTEM that the reader uses.
struct SystemRecords {
  std::string contentsFile;   // code 0
  std::string indexFile;      // code 1
  std::string defaultFile;    // code 2
  std::string title;          // code 3
  std::uint32_t language = 0; // code 4, 0 when absent
  std::string defaultWindow;  // code 5
};

// Raises "Incorrect version number for #SYSTEM file: %d." for a version other than
// 2 or 3, and a ReaderError for a record that runs past the end of the file.
SystemRecords parseSystemFile(const std::uint8_t* bytes, std::uint32_t length);

// The zero-terminated text at offset in #STRINGS; empty when the offset is outside
// the pool. A text missing its terminator ends with the pool.
std::string_view stringAt(const FileBuffer& strings, std::uint32_t offset);

// Fields of a #WINDOWS record, by their offset inside it.
enum class WindowField : std::uint32_t {
  name = 8,
  title = 20,
  contentsFile = 96,
  indexFile = 100,
  defaultTopic = 104,
  homePage = 108,
  buttons = 112,
  jump1Label = 156,
  jump2Label = 160,
  jump1Target = 164,
  jump2Target = 168,
};

inline constexpr std::uint32_t kHomeButton = 1u << 6;
inline constexpr std::uint32_t kJump1Button = 1u << 18;
inline constexpr std::uint32_t kJump2Button = 1u << 19;

// The number of records that lie wholly inside the file (at most the count it states).
std::uint32_t windowRecordCount(const FileBuffer& windows);
// The record whose window name equals defaultWindow (case-sensitive), or else the first
// one; none when the file holds no whole record.
std::optional<std::uint32_t> chooseWindowRecord(const FileBuffer& windows, const FileBuffer& strings,
                                                std::string_view defaultWindow);
// A 32-bit field of the record at recordOffset; 0 when the field lies outside the
// record or the file.
std::uint32_t windowValue(const FileBuffer& windows, std::uint32_t recordOffset, WindowField field);

}  // namespace pgwk
