#include "content/page_decorations.h"

#include <array>
#include <optional>
#include <string>

#include "content/tag_reader.h"
#include "document/book.h"
#include "foundation/byte_buffer.h"
#include "foundation/text_routines.h"

namespace pgwk {

namespace {

// A frame source is read into a buffer of this size, so it keeps one less.
constexpr std::size_t kFrameSourceSize = 520;
// The characters skipped between an attribute's name and its value, and those the
// tag reader passes over when it looks for the "=".
constexpr std::string_view kBeforeValue = "= \t\r\n[";
constexpr std::string_view kAroundEquals = " \t\r\n\"';";

std::uint32_t u32(std::size_t n) { return static_cast<std::uint32_t>(n); }

// Replaces [from, to) of the page; returns the position just after the new text.
std::size_t replace(ByteBuffer& page, std::size_t from, std::size_t to, std::string_view with) {
  page.splice(u32(from), u32(to - from), with.data(), u32(with.size()));
  return from + with.size();
}

// Where the value of the attribute starts in a tag text, found the way the tag
// reader finds the attribute: the first occurrence of the name, in any letter case,
// that an "=" follows.
std::size_t attributeValueStart(std::string_view tagText, std::string_view name) {
  std::string lower = lowerCased(tagText);
  for (std::size_t at = lower.find(name); at != std::string::npos; at = lower.find(name, at + 1)) {
    std::size_t next = lower.find_first_not_of(kAroundEquals, at + name.size());
    if (next == std::string::npos || lower[next] != '=') continue;
    std::size_t start = at + name.size();
    while (start < tagText.size() && tagText[start] != ',' && kBeforeValue.find(tagText[start]) != std::string_view::npos)
      ++start;
    return start;
  }
  return std::string_view::npos;
}

// Returns the cursor from which the walk goes on.
std::size_t markFrameSource(Book& book, ByteBuffer& page, std::size_t tagStart, std::size_t cursor,
                            std::string_view tagText) {
  std::string source;
  std::optional<std::size_t> end = TagReader::attributeValue(book, tagText, "src", source, kFrameSourceSize);
  if (!end) return cursor;
  std::size_t start = attributeValueStart(tagText, "src");
  if (start == std::string_view::npos || start > *end) return cursor;
  // The tag text is the page's text from just after the "<".
  std::string marked = "\"" + std::string(kFrameSourceMark) + source + "\"";
  std::size_t from = tagStart + 1 + start;
  std::size_t to = tagStart + 1 + *end;
  replace(page, from, to, marked);
  return cursor + marked.size() - (to - from);
}

// Each byte lower-cased and folded, as the highlight text was.
const std::array<std::string, 256>& foldedBytes() {
  static const std::array<std::string, 256> table = [] {
    std::array<std::string, 256> t;
    for (int b = 0; b < 256; ++b) {
      std::string one(1, static_cast<char>(b));
      lowerCase(one);
      t[b] = fold(one);
    }
    return t;
  }();
  return table;
}

bool separatorAt(const ByteBuffer& page, std::size_t position) {
  return isWordSeparator(page.data()[position]);
}

// Highlights in [runStart, runEnd); returns how much the run grew.
std::size_t highlightRun(ByteBuffer& page, std::size_t runStart, std::size_t runEnd, std::string_view text,
                         const PageOptions& options) {
  const auto& folded = foldedBytes();
  std::size_t grown = 0;
  std::size_t m = 0;
  std::size_t matchStart = runStart;
  std::size_t i = runStart;
  while (i < runEnd) {
    const std::string& f = folded[page.data()[i]];
    if (text.substr(m).starts_with(f)) {
      if (m == 0) matchStart = i;
      m += f.size();
      ++i;
      if (m < text.size()) continue;
      m = 0;
      std::size_t matchEnd = i;
      if (options.wholeWords) {
        bool before = matchStart == runStart || separatorAt(page, matchStart - 1);
        bool after = matchEnd == runEnd || separatorAt(page, matchEnd);
        if (!before || !after) continue;
      }
      std::string marked;
      if (options.highlightWords) marked += kHighlightOpen;
      if (options.scrollToWord) marked += kSearchAnchor;
      marked.append(page.chars() + matchStart, matchEnd - matchStart);
      if (options.highlightWords) marked += kHighlightClose;
      i = replace(page, matchStart, matchEnd, marked);
      std::size_t growth = marked.size() - (matchEnd - matchStart);
      runEnd += growth;
      grown += growth;
    } else {
      // The partial match is abandoned; this character does not start a new one.
      m = 0;
      ++i;
    }
  }
  return grown;
}

}  // namespace

void decoratePage(Book& book, ByteBuffer& page, const PageOptions& options) {
  // One reader walks the page until an edit moves the text under it; then a new one
  // goes on from just after the edit.
  std::optional<TagReader> reader;
  std::size_t cursor = 0;
  std::string tagText;
  while (cursor < page.length()) {
    if (!reader) reader.emplace(book, page.view(), cursor);
    if (!reader->nextTag(tagText)) break;
    cursor = reader->cursor();
    std::size_t tagStart = reader->tagStart();
    std::string name = TagReader::tagName(book, tagText);
    std::size_t edited = cursor;
    if (name == "xml" || name == "/xml") {
      edited = replace(page, tagStart, std::min<std::size_t>(cursor, page.length()), kNoXmlComment);
    } else if (name == "frame") {
      edited = markFrameSource(book, page, tagStart, cursor, tagText);
    } else if ((name == "img" || name == "background") && !options.showImages) {
      edited = replace(page, tagStart, std::min<std::size_t>(cursor, page.length()), kNoImagesComment);
    } else {
      continue;
    }
    cursor = edited;
    reader.reset();
  }
  if (options.highlightWhilePreparing && (options.highlightWords || options.scrollToWord))
    highlightSearchText(book, page, options.highlightText, options);
}

void highlightSearchText(Book& book, ByteBuffer& page, std::string_view highlightText,
                         const PageOptions& options) {
  if (highlightText.empty()) return;
  std::optional<TagReader> reader;
  std::size_t cursor = 0;
  std::string tagText;
  while (cursor < page.length()) {
    if (!reader) reader.emplace(book, page.view(), cursor);
    if (!reader->nextTag(tagText)) break;
    std::size_t runStart = static_cast<std::size_t>(book.lastTextStart() - page.chars());
    std::size_t grown = highlightRun(page, runStart, reader->tagStart(), highlightText, options);
    cursor = reader->cursor() + grown;
    if (grown) reader.reset();
  }
}

}  // namespace pgwk
