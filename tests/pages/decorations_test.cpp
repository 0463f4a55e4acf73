// Page decorations on page text: XML islands, frame sources, pictures off, and the
// highlighting of search words.

#include <gtest/gtest.h>

#include "content/page_decorations.h"
#include "document/book.h"
#include "foundation/byte_buffer.h"

namespace pgwk {
namespace {

std::string decorated(std::string_view page, const PageOptions& options) {
  Book book;  // only its patterns and code pages are used
  ByteBuffer buffer(16, 8);  // small, so that edits make it grow
  buffer.append(page);
  decoratePage(book, buffer, options);
  return std::string(buffer.view());
}

PageOptions picturesOff() {
  PageOptions o;
  o.showImages = false;
  return o;
}

TEST(Decorations, NeutraliseXmlMarkFramesAndDropPictures) {
  const struct {
    const char* page;
    PageOptions options;
    const char* expected;
  } cases[] = {
      {"<xml id=d><x>1</x></xml>", {}, "<!-- no xml !--><x>1</x><!-- no xml !-->"},
      {"<XML>a</Xml >", {}, "<!-- no xml !-->a<!-- no xml !-->"},
      {"<frame src=nav.htm name=n>", {}, "<frame src=\"FRM::nav.htm\" name=n>"},
      {"<FRAME NAME=\"b\" SRC=\"body.htm\">", {}, "<FRAME NAME=\"b\" SRC=\"FRM::body.htm\">"},
      {"<frame src = 'x.htm'>", {}, "<frame src = \"FRM::x.htm\">"},
      {"<frame src=\"a%20b.htm\">", {}, "<frame src=\"FRM::a b.htm\">"},
      {"<frame name=x>", {}, "<frame name=x>"},
      {"<frame src=,x>", {}, "<frame src=\"FRM::\",x>"},
      {"<iframe src=nav.htm>", {}, "<iframe src=nav.htm>"},
      {"<frame src=a.htm><frame src=b.htm>", {}, "<frame src=\"FRM::a.htm\"><frame src=\"FRM::b.htm\">"},
      {"<IMG SRC=a.gif>", picturesOff(), "<!-- no images !-->"},
      {"<p><img src=\"a.gif\" alt=\">\">x</p>", picturesOff(), "<p><!-- no images !-->x</p>"},
      {"<background src=b.gif>t", picturesOff(), "<!-- no images !-->t"},
      {"<table background=b.gif>", picturesOff(), "<table background=b.gif>"},
      {"<IMG SRC=a.gif>", {}, "<IMG SRC=a.gif>"},
      {"<!-- <img src=a.gif> -->", picturesOff(), "<!-- <img src=a.gif> -->"},
      {"<script>var s='<img src=a.gif>';</script>", picturesOff(), "<script>var s='<img src=a.gif>';</script>"},
      {"<img src=a.gif", picturesOff(), "<!-- no images !-->"},
  };
  for (const auto& c : cases) EXPECT_EQ(decorated(c.page, c.options), c.expected) << c.page;
}

PageOptions highlighting(std::string text, bool wholeWords, bool marks = true, bool anchors = true) {
  PageOptions o;
  o.highlightWhilePreparing = true;
  o.highlightText = std::move(text);
  o.wholeWords = wholeWords;
  o.highlightWords = marks;
  o.scrollToWord = anchors;
  return o;
}

std::string marked(std::string_view word) {
  return std::string(kHighlightOpen) + std::string(kSearchAnchor) + std::string(word) + std::string(kHighlightClose);
}

TEST(Highlighting, MarksAndAnchorsEveryMatchOfTheTextBetweenTags) {
  const std::string open(kHighlightOpen), anchor(kSearchAnchor), close(kHighlightClose);
  const struct {
    const char* page;
    PageOptions options;
    std::string expected;
  } cases[] = {
      {"<p>Foo food</p>", highlighting("foo", false), "<p>" + marked("Foo") + " " + marked("foo") + "d</p>"},
      {"<p>Foo food</p>", highlighting("foo", true), "<p>" + marked("Foo") + " food</p>"},
      {"<p>aab</p>", highlighting("ab", false), "<p>aab</p>"},
      {"<p>encyclop\xE6" "dia</p>", highlighting("encyclopaedia", true), "<p>" + marked("encyclop\xE6" "dia") + "</p>"},
      {"<p>caf\xE9 cafe</p>", highlighting("cafe", true), "<p>" + marked("caf\xE9") + " " + marked("cafe") + "</p>"},
      {"<p>two words here</p>", highlighting("words here", true), "<p>two " + marked("words here") + "</p>"},
      // A run ends at a tag: the match must lie inside one run.
      {"<p>fo<b>o</b> foo</p>", highlighting("foo", false), "<p>fo<b>o</b> " + marked("foo") + "</p>"},
      // Whole words look at the characters around the match inside the run.
      {"<p>x-foo-y</p>", highlighting("foo", true), "<p>x-" + marked("foo") + "-y</p>"},
      {"<p>foo</p>", highlighting("foo", true, true, false), "<p>" + open + "foo" + close + "</p>"},
      {"<p>foo</p>", highlighting("foo", true, false, true), "<p>" + anchor + "foo</p>"},
      {"<p>foo</p>", highlighting("foo", true, false, false), "<p>foo</p>"},
      // Tag text, comments and scripts are not text.
      {"<a title=foo>x</a><!-- foo --><script>foo</script>", highlighting("foo", false),
       "<a title=foo>x</a><!-- foo --><script>foo</script>"},
      // Text after the last tag is not looked at.
      {"<p>foo</p>foo", highlighting("foo", false), "<p>" + marked("foo") + "</p>foo"},
      {"<p>foo</p>", highlighting("", false), "<p>foo</p>"},
  };
  for (const auto& c : cases) EXPECT_EQ(decorated(c.page, c.options), c.expected) << c.page;
}

TEST(Highlighting, OnlyWhileASearchHitIsOpened) {
  PageOptions options = highlighting("foo", false);
  options.highlightWhilePreparing = false;
  EXPECT_EQ(decorated("<p>foo</p>", options), "<p>foo</p>");
}

TEST(Highlighting, EveryMatchGetsItsAnchorInALongPage) {
  std::string page = "<html><body>";
  for (int i = 0; i < 500; ++i) page += "<p>the word here and word there</p>\n";
  std::string out = decorated(page, highlighting("word", true));
  std::size_t anchors = 0;
  for (std::size_t at = out.find(kSearchAnchor); at != std::string::npos; at = out.find(kSearchAnchor, at + 1))
    ++anchors;
  EXPECT_EQ(anchors, 1000u);
}

}  // namespace
}  // namespace pgwk
