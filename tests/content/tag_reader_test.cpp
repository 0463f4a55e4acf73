#include "content/tag_reader.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "document/book.h"
#include "foundation/regex_matcher.h"

namespace pgwk {
namespace {

std::vector<std::string> allTags(Book& book, std::string_view text, TagFilter filter = {}) {
  TagReader reader(book, text);
  std::vector<std::string> tags;
  std::string tag;
  while (reader.nextTag(tag, filter)) tags.push_back(tag);
  EXPECT_TRUE(tag.empty());
  EXPECT_TRUE(reader.atEnd());
  return tags;
}

struct ScanCase {
  const char* what;
  std::string text;
  bool sitemapFilter;
  std::vector<std::string> expected;
};

TEST(TagReader, TheBookCompilesThePatternsItScansWith) {
  Book book;
  for (RegexMatcher* p : {&book.chmLinkPattern(), &book.tagNamePattern(), &book.scriptEndPattern(),
                          &book.tagStartPattern(), &book.commentEndPattern(), &book.fileReferencePattern()})
    EXPECT_TRUE(p->compiled());
  ASSERT_GT(book.fileReferencePattern().match("src=\"pic.gif\""), 0);
  EXPECT_EQ(book.fileReferencePattern().groupText(0), ".gif");
}

TEST(TagReader, FindsTheTagsOfInterest) {
  const std::string longAttributes(3000, 'x');
  const ScanCase cases[] = {
      {"doctype and a blank after < are not tags", "<!DOCTYPE html>< p><b>", false, {"b"}},
      {"tag text as written", "<LI><li>", false, {"LI", "li"}},
      {"> inside double quotes", "<a title=\"x>y\" href=z>t", false, {"a title=\"x>y\" href=z"}},
      {"> inside single quotes ends the tag", "<a title='x>y' href=z><b>", false, {"a title='x", "b"}},
      {"escaped quote does not open quotes", "<a x=\\\">y>", false, {"a x=\\\""}},
      {"comment hides a tag", "<!-- <li> --><ul>", true, {"ul"}},
      {"unterminated comment hides nothing", "<!-- <li>", true, {"li"}},
      {"comment end is searched after its start", "<!--><li>-->", true, {}},
      {"script hides a tag", "<SCRIPT>w(\"<li>\")</SCRIPT ><ul>", true, {"ul"}},
      {"script end ignores case and blanks", "<script>a<li><  /sCrIpT\t><p>", false, {"p"}},
      {"script without its end", "<script>x<li>", true, {"li"}},
      {"closing tags of wanted names", "<UL><p><LI></LI></UL>", true, {"UL", "LI", "/LI", "/UL"}},
      {"filter compares whole names", "<ulx><list><object type=a>", true, {"object type=a"}},
      {"end of text ends a tag", "<a href=x", false, {"a href=x"}},
      {"names never start with high bytes", "<\xe9t><b>", false, {"b"}},
      {"over-long tag is text", "<a " + longAttributes + "<b>", false, {"b"}},
      {"tag of exactly the limit", "<a " + std::string(2998, 'y') + ">", false, {"a " + std::string(2998, 'y')}},
      {"one past the limit", "<a " + std::string(2999, 'y') + "><b>", false, {"b"}},
      {"long names are cut, not refused", "<" + std::string(3005, 'n') + ">", false, {std::string(3000, 'n')}},
      {"no tag at all", "just text", false, {}},
      {"empty text", "", false, {}},
  };
  Book book;
  for (const ScanCase& c : cases) {
    TagFilter filter = c.sitemapFilter ? TagFilter(kSitemapTags) : TagFilter();
    EXPECT_EQ(allTags(book, c.text, filter), c.expected) << c.what;
  }
}

TEST(TagReader, OverLongTagLetsInnerTagsBeFound) {
  Book book;
  // The tag runs past the limit before its ">"; the scan resumes after "a".
  std::string text = "<a title=\"" + std::string(2990, 'x') + " <b> " + std::string(20, 'z') + "\">";
  EXPECT_EQ(allTags(book, text), std::vector<std::string>{"b"});
}

TEST(TagReader, KeepsCursorAndLastTextStart) {
  Book book;
  std::string text = "abc<b>de<!-- x --><i x>";
  TagReader reader(book, text);
  std::string tag;
  ASSERT_TRUE(reader.nextTag(tag));
  EXPECT_EQ(tag, "b");
  EXPECT_EQ(book.lastTextStart(), text.data());
  EXPECT_EQ(reader.tagStart(), 3u);
  EXPECT_EQ(reader.cursor(), 6u);
  ASSERT_TRUE(reader.nextTag(tag));
  EXPECT_EQ(tag, "i x");
  // The comment was stepped over; the last search began after it.
  EXPECT_EQ(book.lastTextStart(), text.data() + text.find("<i"));
  EXPECT_EQ(reader.cursor(), text.size());
  EXPECT_FALSE(reader.nextTag(tag));
  EXPECT_EQ(reader.cursor(), text.size());  // at the end: the cursor stays

  TagReader trailing(book, "<b> no more tags");
  ASSERT_TRUE(trailing.nextTag(tag));
  EXPECT_FALSE(trailing.nextTag(tag));
  EXPECT_EQ(trailing.cursor(), std::string_view("<b> no more tags").size() + 1);  // one past the end
}

TEST(TagReader, TagName) {
  Book book;
  const std::pair<std::string, std::string> cases[] = {
      {"LI", "li"},
      {"/UL", "/ul"},
      {"OBJECT type=\"text/sitemap\"", "object"},
      {"  p class=x", "p"},
      {"!x", ""},
      {std::string(40, 'A'), std::string(30, 'a')},
  };
  for (const auto& [tag, name] : cases) EXPECT_EQ(TagReader::tagName(book, tag), name) << tag;
  EXPECT_EQ(TagReader::tagName(book, "object", 3), "obj");
}

struct AttributeCase {
  std::string tag;
  std::string name;
  std::size_t size;
  std::optional<std::string> value;  // none: the attribute is absent
  std::string rest;                  // the tag text after the returned position
};

TEST(TagReader, AttributeValue) {
  const std::size_t big = TagReader::kValueSize;
  const std::size_t small = TagReader::kShortValueSize;
  const AttributeCase cases[] = {
      {"param name=\"Name\" value=\"Intro &amp; Setup\"", "value", big, "Intro & Setup", ""},
      {"param name=\"Name\" value=\"Intro\"", "param name", small, "Name", " value=\"Intro\""},
      {"param name=Local value=a%20b>", "value", big, "a b", ">"},
      {"img src = [pic.gif]", "src", big, "pic.gif", "]"},
      {"x=,y", "x", big, "", ",y"},
      {"img src=a.gif>", "src", big, "a.gif", ">"},
      {"img datasrc=d.gif src=s.gif", "src", big, "d.gif", " src=s.gif"},
      {"a HREF=\"Page.HTM\"", "href", big, "Page.HTM", ""},
      {"a title='single quoted'", "title", big, "single", " quoted'"},
      {"a title=\"' both '\"", "title", big, "both", ""},
      {"a titlex=\"1\" title=\"2\"", "title", big, "2", ""},
      {"a title ; = x", "title", big, "", " = x"},  // ";" may stand before "=", but starts the value
      {"a href", "href", big, std::nullopt, ""},
      {"a b=c", "href", big, std::nullopt, ""},
      {"a x=\"open", "x", big, "open", ""},
      {"a x=\"&#65;&#66;\"", "x", big, "AB", ""},
      {"a x=&#65;&#66;", "x", big, "&#65", ";&#66;"},  // ";" ends an unquoted value before it is decoded
      {"a x=\" spaced out \"", "x", big, "spaced out", ""},
      {"a x=0123456789abcdefghij", "x", small, "0123456789abcdefgh", ""},
      {"a x=", "x", big, "", ""},
  };
  Book book;
  for (const AttributeCase& c : cases) {
    std::string value = "stale";
    auto at = TagReader::attributeValue(book, c.tag, c.name, value, c.size);
    if (!c.value) {
      EXPECT_FALSE(at) << c.tag;
      EXPECT_EQ(value, "") << c.tag;
      continue;
    }
    ASSERT_TRUE(at) << c.tag;
    EXPECT_EQ(value, *c.value) << c.tag;
    EXPECT_EQ(c.tag.substr(*at), c.rest) << c.tag;
  }
}

TEST(TagReader, AttributeValueKeepsAtMostTheLimitWhileScanningOn) {
  Book book;
  std::string tag = "a x=\"" + std::string(4000, 'v') + "\" y=1";
  std::string value;
  auto at = TagReader::attributeValue(book, tag, "x", value, 5000);
  ASSERT_TRUE(at);
  EXPECT_EQ(value.size(), TagReader::kMaxTagText);
  EXPECT_EQ(tag.substr(*at), " y=1");
}

}  // namespace
}  // namespace pgwk
