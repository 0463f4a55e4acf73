// Arbitrary bytes as a book's system files: #SYSTEM, #STRINGS, #WINDOWS, #TOPICS,
// #URLTBL and #URLSTR, through every parser and question that reads them.
//
// Input layout: six little-endian 16-bit lengths, then the six files back to back in
// that order (a length past the end of the input takes what is left).

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "document/book_metadata.h"
#include "document/topic_table.h"
#include "foundation/reader_error.h"

namespace {

// An exact-size copy, so that any read past the file is caught.
pgwk::FileBuffer exactCopy(const std::uint8_t* data, std::size_t length) {
  auto block = std::make_unique_for_overwrite<std::uint8_t[]>(length ? length : 1);
  if (length) std::memcpy(block.get(), data, length);
  return pgwk::FileBuffer::owning(std::move(block), static_cast<std::uint32_t>(length));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kFiles = 6;
  if (size < 2 * kFiles) return 0;
  pgwk::FileBuffer files[kFiles];
  std::size_t at = 2 * kFiles;
  for (std::size_t i = 0; i < kFiles; ++i) {
    std::size_t length = std::size_t{data[2 * i]} | std::size_t{data[2 * i + 1]} << 8;
    if (length > size - at) length = size - at;
    files[i] = exactCopy(data + at, length);
    at += length;
  }
  const pgwk::FileBuffer& system = files[0];
  const pgwk::FileBuffer& strings = files[1];
  const pgwk::FileBuffer& windows = files[2];

  std::string defaultWindow;
  try {
    pgwk::SystemRecords records = pgwk::parseSystemFile(system.data(), system.length());
    defaultWindow = records.defaultWindow;
  } catch (const pgwk::ReaderError&) {
  }

  if (std::optional<std::uint32_t> record = pgwk::chooseWindowRecord(windows, strings, defaultWindow)) {
    for (std::uint32_t field = 0; field < 200; field += 4) {
      std::uint32_t value = pgwk::windowValue(windows, *record, static_cast<pgwk::WindowField>(field));
      pgwk::stringAt(strings, value);
    }
  }

  pgwk::TopicTables tables;
  tables.topics = std::move(files[3]);
  tables.urlTable = std::move(files[4]);
  tables.urlStrings = std::move(files[5]);
  for (std::uint32_t topic = 0; topic < tables.count(); ++topic) {
    pgwk::stringAt(strings, tables.titleOffset(topic));
    tables.location(topic);
  }
  return 0;
}
