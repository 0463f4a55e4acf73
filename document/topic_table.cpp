#include "document/topic_table.h"

#include <cstring>

#include "document/book.h"
#include "foundation/text_routines.h"

namespace pgwk {

namespace {

std::uint32_t read32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

// Longer locations are cut to this many bytes, as the reader's work area was.
constexpr std::size_t kMaxLocation = 527;
// Where the location text starts inside its #URLSTR record.
constexpr std::uint32_t kLocationField = 8;
constexpr std::uint32_t kUrlStringField = 8;

}  // namespace

std::uint32_t TopicTables::titleOffset(std::uint32_t topic) const {
  return read32(topics.data() + std::size_t{topic} * kTopicRecordSize + 4);
}

std::optional<std::string_view> TopicTables::location(std::uint32_t topic) const {
  std::uint32_t record = read32(topics.data() + std::size_t{topic} * kTopicRecordSize + 8);
  // The whole field read must lie in #URLTBL, not just the record's start.
  if (std::uint64_t{record} + kUrlStringField + 4 > urlTable.length()) return std::nullopt;
  std::uint32_t string = read32(urlTable.data() + record + kUrlStringField);
  if (std::uint64_t{string} + kLocationField > urlStrings.length()) return std::nullopt;
  const std::uint8_t* start = urlStrings.data() + string + kLocationField;
  std::uint32_t left = urlStrings.length() - string - kLocationField;
  const void* zero = std::memchr(start, 0, left);
  std::size_t size = zero ? static_cast<const std::uint8_t*>(zero) - start : left;
  return std::string_view(reinterpret_cast<const char*>(start), size);
}

void Book::readTopicTables() {
  TopicTables& tables = current_->topicTables();
  tables = TopicTables{};
  if (!existsInBookFile("#topics") || !existsInBookFile("#urltbl") || !existsInBookFile("#urlstr")) return;
  readBookFile("#topics", tables.topics);
  readBookFile("#urltbl", tables.urlTable);
  readBookFile("#urlstr", tables.urlStrings);
}

std::uint32_t Book::topicCount(const ChmArchive* archive) const {
  if (!archive) archive = current_;
  return archive ? archive->topicTables().count() : 0;
}

std::string Book::topicTitle(std::int64_t topic, const ChmArchive& archive) const {
  const TopicTables& tables = archive.topicTables();
  if (topic < 0 || topic >= tables.count()) return std::string(kIncorrectTopicTitle);
  std::uint32_t offset = tables.titleOffset(static_cast<std::uint32_t>(topic));
  const FileBuffer& strings = archive.metadata().strings;
  // An offset outside #STRINGS is a damaged table: the topic has no usable title.
  if (offset == 0xFFFFFFFFu || offset >= strings.length()) return std::string(kUntitledTopicTitle);
  return std::string(stringAt(strings, offset));
}

std::optional<std::string> Book::topicLocation(std::int64_t topic, const ChmArchive* archive) const {
  if (!archive) archive = current_;
  if (!archive) return std::nullopt;
  const TopicTables& tables = archive->topicTables();
  if (topic < 0 || topic >= tables.count()) return std::nullopt;
  std::optional<std::string_view> location = tables.location(static_cast<std::uint32_t>(topic));
  if (!location) return std::nullopt;
  return std::string(*location);
}

std::int64_t Book::topicOfLocation(std::string_view location) {
  std::string work(location.substr(0, kMaxLocation));
  switchArchive(work);
  work = stripLinkPrefix(chmLinkPattern_, work);
  decodeReferences(work, contentCodePage());
  normalisePath(work);
  std::size_t hash = work.find('#');
  if (hash != std::string::npos) work.resize(hash);
  if (!current_) return -1;
  const TopicTables& tables = current_->topicTables();
  for (std::uint32_t topic = 0; topic < tables.count(); ++topic) {
    std::optional<std::string_view> candidate = tables.location(topic);
    if (candidate && equalIgnoringCase(*candidate, work)) return topic;
  }
  return -1;
}

}  // namespace pgwk
