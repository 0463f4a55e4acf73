#pragma once
// The three system files that number a book's pages: #TOPICS gives topic n a title
// (an offset into #STRINGS) and a record of #URLTBL, which points at the record of
// #URLSTR that holds the page's location inside the book.

#include <cstdint>
#include <optional>
#include <string_view>

#include "document/file_buffer.h"

namespace pgwk {

struct TopicTables {
  static constexpr std::uint32_t kTopicRecordSize = 16;
  static constexpr std::uint32_t kUrlTableRecordSize = 12;

  FileBuffer topics;
  FileBuffer urlTable;
  FileBuffer urlStrings;

  std::uint32_t count() const { return topics.length() / kTopicRecordSize; }
  bool empty() const { return count() == 0; }
  // The title's offset in #STRINGS; 0xFFFFFFFF (-1) when the topic has none.
  // Callers stay below count().
  std::uint32_t titleOffset(std::uint32_t topic) const;
  // The location of the topic; none when a table entry on the way lies outside its
  // file. Callers stay below count().
  std::optional<std::string_view> location(std::uint32_t topic) const;
};

inline constexpr std::string_view kIncorrectTopicTitle = "Incorrect topic id";
inline constexpr std::string_view kUntitledTopicTitle = "Untitled topic";

}  // namespace pgwk
