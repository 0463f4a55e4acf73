#pragma once
// A forward-only scanner over narrow book text that finds the next tag of interest,
// hands back the tag's text without its angle brackets, names it, and reads named
// attributes out of it. No document tree is built: sitemap files and book pages are
// read one tag at a time. Comments and script blocks are stepped over; a tag longer
// than kMaxTagText is taken for text, so the scan goes on after its name.
//
// The scanner uses the Book's compiled patterns and records in the Book where each
// search for a tag began (Book::lastTextStart). It is not re-entrant.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pgwk {

class Book;

// The lower-case names of the tags a caller wants; an empty filter wants every tag.
// A closing tag of a wanted name ("/ul") is wanted too.
using TagFilter = std::span<const std::string_view>;
inline constexpr std::string_view kSitemapTags[] = {"ul", "li", "object", "param"};
inline constexpr std::string_view kCollectionTags[] = {"folders", "folder", "titlestring"};

class TagReader {
 public:
  static constexpr std::size_t kMaxTagText = 3000;
  static constexpr std::size_t kMaxTagName = 30;
  // Sizes of the value buffers callers read attributes into: at most size - 1
  // characters are kept.
  static constexpr std::size_t kShortValueSize = 19;
  static constexpr std::size_t kValueSize = 520;

  // Scans text from the cursor on. The text must outlive the reader.
  TagReader(Book& book, std::string_view text, std::size_t cursor = 0);

  // Moves past the next wanted tag and puts its text (for example "a href=x.htm")
  // into tagText. Returns false, with tagText empty, when there is no further tag.
  bool nextTag(std::string& tagText, TagFilter filter = {});

  // The cursor only moves forward; after a search that found no tag it lies one past
  // the end of the text.
  std::size_t cursor() const { return cursor_; }
  bool atEnd() const { return cursor_ >= text_.size(); }
  // Where the "<" of the tag last returned stands.
  std::size_t tagStart() const { return tagStart_; }
  std::string_view text() const { return text_; }

  // The lower-case name at the start of a tag text, with its leading "/" for a
  // closing tag: "li" for "LI", "/ul" for "/UL", "object" for "OBJECT type=x".
  static std::string tagName(Book& book, std::string_view tagText, std::size_t maxLength = kMaxTagName);

  // Reads the value of the attribute `name` (given in lower case) from a tag text:
  // the first occurrence of name, as a substring ignoring ASCII case, that an "="
  // follows. The value keeps its letter case, loses its quotes, has its character
  // references and escapes decoded with the Book's content code page, is cut to
  // valueSize - 1 characters and trimmed. Returns the position in tagText just after
  // the value, or none (and an empty value) when the attribute is absent.
  static std::optional<std::size_t> attributeValue(Book& book, std::string_view tagText,
                                                   std::string_view name, std::string& value,
                                                   std::size_t valueSize = kValueSize);

 private:
  // Appends the tag's remaining characters up to its closing ">" (outside double
  // quotes) to tagText. Raises "Tag is too long" once tagText would pass kMaxTagText.
  void readRestOfTag(std::string& tagText);
  // Moves the cursor past the next match of the pattern, if there is one. noMatchFrom
  // remembers a cursor from which the pattern is known to be absent, so a text full
  // of unterminated comments or scripts is not searched to its end again and again.
  void skipPast(class RegexMatcher& pattern, std::size_t& noMatchFrom);
  static bool isWanted(std::string_view name, TagFilter filter);

  Book& book_;
  std::string_view text_;
  std::size_t cursor_;
  std::size_t tagStart_ = 0;
  std::size_t noCommentEndFrom_;
  std::size_t noScriptEndFrom_;
};

}  // namespace pgwk
