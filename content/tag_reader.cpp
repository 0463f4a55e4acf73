#include "content/tag_reader.h"

#include "document/book.h"
#include "foundation/reader_error.h"
#include "foundation/regex_matcher.h"
#include "foundation/text_routines.h"

namespace pgwk {

namespace {

// Characters skipped before an attribute value starts, and those that end a value
// written without quotes.
constexpr std::string_view kBeforeValue = "= \t\r\n[";
constexpr std::string_view kEndOfUnquotedValue = " \t\r\n>;,]";
// The characters Trim removes: what may stand between an attribute name and its "=".
constexpr std::string_view kTrimmed = " \t\r\n\"';";

bool isOneOf(char c, std::string_view set) { return set.find(c) != std::string_view::npos; }

}  // namespace

TagReader::TagReader(Book& book, std::string_view text, std::size_t cursor)
    : book_(book),
      text_(text),
      cursor_(cursor),
      noCommentEndFrom_(std::string_view::npos),
      noScriptEndFrom_(std::string_view::npos) {}

bool TagReader::isWanted(std::string_view name, TagFilter filter) {
  if (filter.empty()) return true;
  if (name.starts_with('/')) name.remove_prefix(1);
  for (std::string_view wanted : filter)
    if (name == wanted) return true;
  return false;
}

void TagReader::skipPast(RegexMatcher& pattern, std::size_t& noMatchFrom) {
  // A match in a later part of the text would have been a match in the whole rest.
  if (cursor_ >= noMatchFrom) return;
  if (pattern.match(text_.substr(cursor_)) > 0) cursor_ += static_cast<std::size_t>(pattern.end(0));
  else noMatchFrom = cursor_;
}

bool TagReader::nextTag(std::string& tagText, TagFilter filter) {
  tagText.clear();
  RegexMatcher& tagStart = book_.tagStartPattern();
  while (cursor_ < text_.size()) {
    book_.setLastTextStart(text_.data() + cursor_);
    if (tagStart.match(text_.substr(cursor_)) <= 0) {
      cursor_ = text_.size() + 1;
      tagText.clear();
      return false;
    }
    std::size_t openedAt = cursor_ + static_cast<std::size_t>(tagStart.start(0));
    std::size_t nameAt = cursor_ + static_cast<std::size_t>(tagStart.start(1));
    std::size_t nameEnd = cursor_ + static_cast<std::size_t>(tagStart.end(1));
    cursor_ += static_cast<std::size_t>(tagStart.end(0));
    tagText.assign(text_.substr(nameAt, std::min(nameEnd - nameAt, kMaxTagText)));

    if (tagText.starts_with("!--")) {
      // An unterminated comment only hides its own "<!--".
      skipPast(book_.commentEndPattern(), noCommentEndFrom_);
      continue;
    }
    std::string name = tagName(book_, tagText);
    if (name == "script") {
      // Without its end tag a script only hides its opening; the tags inside are found.
      skipPast(book_.scriptEndPattern(), noScriptEndFrom_);
      continue;
    }
    if (!isWanted(name, filter)) continue;

    std::size_t restStart = cursor_;
    try {
      readRestOfTag(tagText);
      tagStart_ = openedAt;
      return true;
    } catch (const ReaderError&) {
      // An over-long tag is text: scan on just after its name.
      cursor_ = restStart;
    }
  }
  tagText.clear();
  return false;
}

void TagReader::readRestOfTag(std::string& tagText) {
  bool inQuotes = false;
  while (cursor_ < text_.size()) {
    char c = text_[cursor_];
    // A "<" and a name always precede the rest, so there is a byte before c.
    bool escaped = text_[cursor_ - 1] == '\\';
    ++cursor_;
    if (c == '"' && !escaped) inQuotes = !inQuotes;
    else if (c == '>' && !inQuotes) return;
    if (tagText.size() >= kMaxTagText) raiseError("Tag is too long:\n<%.50s...>", tagText.c_str());
    tagText.push_back(c);
  }
}

std::string TagReader::tagName(Book& book, std::string_view tagText, std::size_t maxLength) {
  RegexMatcher& pattern = book.tagNamePattern();
  if (pattern.match(tagText) <= 0) return {};
  std::string name = pattern.groupText(1);
  if (name.size() > maxLength) name.resize(maxLength);
  lowerCase(name);
  return name;
}

std::optional<std::size_t> TagReader::attributeValue(Book& book, std::string_view tagText,
                                                     std::string_view name, std::string& value,
                                                     std::size_t valueSize) {
  value.clear();
  if (name.empty()) return std::nullopt;
  std::string lower = lowerCased(tagText);
  std::size_t at = lower.find(name);
  for (; at != std::string::npos; at = lower.find(name, at + 1)) {
    std::size_t next = lower.find_first_not_of(kTrimmed, at + name.size());
    if (next != std::string::npos && lower[next] == '=') break;
  }
  if (at == std::string::npos) return std::nullopt;

  std::string raw;
  auto keep = [&raw](char c) {
    if (raw.size() < kMaxTagText) raw.push_back(c);
  };
  std::size_t pos = at + name.size();
  bool started = false;
  bool quoted = false;
  while (pos < tagText.size()) {
    char c = tagText[pos];
    if (!started) {
      if (c == ',') break;  // "x=,y": the attribute is there, its value empty
      ++pos;
      if (isOneOf(c, kBeforeValue)) continue;
      started = true;
      if (c == '"') quoted = true;
      else keep(c);
    } else if (quoted) {
      ++pos;
      if (c == '"') break;
      keep(c);
    } else {
      if (isOneOf(c, kEndOfUnquotedValue)) break;
      ++pos;
      keep(c);
    }
  }
  decodeReferences(raw, book.contentCodePage());
  if (valueSize == 0) valueSize = 1;
  if (raw.size() > valueSize - 1) raw.resize(valueSize - 1);
  trim(raw);
  value = std::move(raw);
  return pos;
}

}  // namespace pgwk
