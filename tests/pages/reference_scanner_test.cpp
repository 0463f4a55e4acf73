// Finding references in page text, style sheets and scripts.

#include <gtest/gtest.h>

#include <set>

#include "content/reference_scanner.h"
#include "foundation/regex_matcher.h"
#include "foundation/text_routines.h"

namespace pgwk {
namespace {

std::vector<std::string> referencesIn(std::string_view text, std::size_t cursor = 0) {
  RegexMatcher fileReference;
  fileReference.compile(kFileReferencePattern);
  RegexMatcher chmLink;
  chmLink.compile(kChmLinkPattern);
  const std::set<std::string> stored = {".htm", ".gif", ".png", ".css", ".js", ".jpg"};
  ReferenceScanner scanner(fileReference, chmLink,
                           [&](std::string_view e) { return stored.count(std::string(e)) != 0; });
  std::vector<std::string> found;
  while (auto reference = scanner.findNext(text, cursor)) {
    found.emplace_back(reference->in(text));
    cursor = reference->end;
  }
  return found;
}

using Refs = std::vector<std::string>;

TEST(ReferenceScanner, FindsReferencesByTheirDelimiters) {
  const struct {
    const char* text;
    Refs expected;
  } cases[] = {
      {R"(<img src="pic/x.gif">)", {"pic/x.gif"}},
      {"<img src=pic/x.gif>", {"pic/x.gif"}},
      {"<img src='a b.gif' alt=x>", {"a b.gif"}},
      {"body { background: url(img/bg.png) }", {"img/bg.png"}},
      {R"(body { background: url("img/bg.png") })", {"img/bg.png"}},
      // Line breaks and tabs open a reference but do not end the match, so of two
      // names on separate lines only the last is seen.
      {"see\ta.gif\nand\nb.png", {"b.png"}},
      {"see\ta.gif and b.png", {"a.gif", "b.png"}},
      {R"(<link href="other.chm::/s.css"><a href="x.chm">)", {"other.chm::/s.css", "x.chm"}},
      {R"(<frame src="FRM::nav.htm">)", {"FRM::nav.htm"}},
      {R"(<img src="http://example.com/a.gif">)", {"http://example.com/a.gif"}},
      {R"(<script src="lib.js"></script><p>Version 1.0 of e.g. this.</p>)", {"lib.js"}},
      {R"(<a href="page.htm#sec2">)", {"page.htm#sec2"}},
      {R"(<a href="x.xyz">unknown extension</a>)", {}},
      {"a.gif", {}},  // nothing before the name opens it
      {"=a.gif", {"a.gif"}},
      {"<p>file.gif</p>", {}},  // ">" is not an opening delimiter
  };
  for (const auto& c : cases) EXPECT_EQ(referencesIn(c.text), c.expected) << c.text;
}

TEST(ReferenceScanner, WalkBackStopsAtTheCursorAndAfter1040Characters) {
  EXPECT_EQ(referencesIn(R"("abc.gif")", 1), Refs{});
  EXPECT_EQ(referencesIn(R"("abc.gif")", 0), Refs{"abc.gif"});
  // The delimiter exactly at the cursor is still examined.
  EXPECT_EQ(referencesIn(R"(x "abc.gif")", 2), Refs{"abc.gif"});

  std::string fits = "\"" + std::string(1039 - 4, 'a') + ".gif\"";
  ASSERT_EQ(referencesIn(fits).size(), 1u);
  EXPECT_EQ(referencesIn(fits)[0].size(), 1039u);
  std::string tooLong = "\"" + std::string(1040 - 4, 'a') + ".gif\"";
  EXPECT_EQ(referencesIn(tooLong), Refs{});
}

TEST(ReferenceScanner, SurvivesTextWithZerosAndNoDelimiters) {
  std::string text("\0\0.gif\0 =x.png", 14);
  EXPECT_EQ(referencesIn(text), Refs{"x.png"});
  EXPECT_EQ(referencesIn(std::string(5000, '.')), Refs{});
  EXPECT_EQ(referencesIn(""), Refs{});
}

}  // namespace
}  // namespace pgwk
