#include <gtest/gtest.h>

#include "foundation/reader_error.h"
#include "foundation/regex_matcher.h"
#include "foundation/text_routines.h"

namespace pgwk {
namespace {

struct TextCase {
  std::string input;
  std::string expected;
};

TEST(TextRoutines, NormalisePath) {
  const TextCase cases[] = {
      {"./x//y/./z", "x/y/z"},
      {"a%2Fb", "a/b"},
      {"%41%42", "AB"},
      {"/a/b/../c", "a/c"},
      {"b/../c", "c"},
      {"a/../../b", "../b"},
      {"../../html/page.htm", "html/page.htm"},
      {"  '/x.htm'; ", "x.htm"},
      {"a%4", "a%4"},  // too short to be an escape
      {"a%%41", "aT1"},  // escapes are not validated: "%%4" makes a byte too
      {"", ""},
  };
  for (const TextCase& c : cases) {
    std::string text = c.input;
    normalisePath(text);
    EXPECT_EQ(text, c.expected) << "input: " << c.input;
  }
}

TEST(TextRoutines, Trim) {
  const TextCase cases[] = {
      {"' x ';", "x"}, {"a b", "a b"}, {"\t\r\n\"; ", ""}, {"x", "x"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(trimmed(c.input), c.expected) << c.input;
}

TEST(TextRoutines, DecodeReferences) {
  const TextCase cases[] = {
      {"Caf&eacute; &amp; bar", "Caf\xe9 & bar"},
      {"&euro;", "&euro;"},
      {"&#65;", "A"},
      {"&#0x41;", "A"},
      {"&#0101;", "A"},  // octal, as C reads it
      {"a&#66", "a&#66"},
      {"%41%42", "AB"},
      {"%4g", "\x04"},
      {"%zz1%41", "%zz1%41"},
      {"&amp;lt;", "<"},
      {"&amp;amp;", "&"},
      {"&amp;quot;", "&quot;"},  // &quot; is tried before &amp;
      {"a & b", "a & b"},        // a lone ampersand ends the decoding
      {"&nbsp;&dbquo;&Dstrok;", " \x84\xd0"},
      {"&#x41;", "&#x41;"},       // unreadable digits stay as written...
      {"&#x41;&#66;", "&#x41;B"},  // ...and the scan goes on after them
      {"&#8364;", "\x80"},        // the euro sign by number exists in 1252
      {"&#12354;", "?"},          // a character 1252 lacks
      {"%25%41", "%%41"},         // a made "%" is seen again and ends the pass
      {"&#38;#65;", "A"},         // so is a reference that makes "&"
  };
  for (const TextCase& c : cases) {
    std::string text = c.input;
    decodeReferences(text, 1252);
    EXPECT_EQ(text, c.expected) << "input: " << c.input;
  }
}

TEST(TextRoutines, DecodeNumericReferenceUsesTheCodePage) {
  std::string text = "&#12354;";
  decodeReferences(text, 932);
  EXPECT_EQ(text, "\x82\xa0");  // HIRAGANA A in Shift-JIS, both bytes kept
}

TEST(TextRoutines, FoldAndWordSeparators) {
  EXPECT_EQ(fold("encyclop\xe6" "dia"), "encyclopaedia");
  EXPECT_EQ(fold("\xdf\x8c\xc5\xff"), "ssoeay");
  EXPECT_EQ(fold("ABC xyz"), "ABC xyz");
  EXPECT_FALSE(isWordSeparator(0xE9));
  EXPECT_FALSE(isWordSeparator('Q'));
  EXPECT_FALSE(isWordSeparator('7'));
  EXPECT_TRUE(isWordSeparator('-'));
  EXPECT_TRUE(isWordSeparator(' '));
  EXPECT_TRUE(isWordSeparator(0xA9));
}

TEST(TextRoutines, CodePageOfLanguage) {
  struct Case {
    int language, setting, codePage;
  } cases[] = {
      {0x419, 0, 1251}, {0x412, 0, 1252}, {0x411, 0, 932}, {0x804, 0, 936},  {0x1404, 0, 950},
      {0x3C01, 0, 1256}, {0x42A, 0, 1258}, {0x409, 0, 1252}, {0x419, 1250, 1250}, {0x411, 1250, 1250},
  };
  for (const Case& c : cases) EXPECT_EQ(codePageOf(c.language, c.setting), c.codePage) << c.language;
  EXPECT_TRUE(isLanguageUsable(0x411, 0));
  EXPECT_FALSE(isLanguageUsable(0x409, 12345));
}

TEST(TextRoutines, NameHelpers) {
  EXPECT_EQ(fileNameOf("a\\b/c.chm"), "b/c.chm");
  EXPECT_EQ(fileNameOf("a/b/c.chm"), "c.chm");
  EXPECT_EQ(fileNameOf("c.chm"), "c.chm");
  EXPECT_TRUE(equalIgnoringCase("/Page.HTM", "/page.htm"));
  EXPECT_FALSE(equalIgnoringCase("/page.htm", "/page.html"));
  EXPECT_EQ(canonicalPath(" /A/B.htm; "), "/a/b.htm");
}

TEST(TextRoutines, LinkPrefix) {
  RegexMatcher pattern;
  pattern.compile(kChmLinkPattern);
  const TextCase cases[] = {
      {"Sub\\Book.CHM::/a.htm", "/a.htm"},
      {"book.chm", ""},
      {"page.htm", "page.htm"},
      {"ms-its:other.chm::/x.htm", "/x.htm"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(stripLinkPrefix(pattern, c.input), c.expected) << c.input;

  ASSERT_GT(pattern.match("Dir/BOOK.CHM::/topic/a.htm"), 0);
  EXPECT_EQ(pattern.groupText(1), "Dir/BOOK.CHM");
}

TEST(RegexMatcher, GroupsAndBounds) {
  RegexMatcher m;
  m.compile("(a)|(b)(c)?");
  ASSERT_EQ(m.match("b"), 3);  // group 3 did not take part and is not counted
  char buffer[16];
  EXPECT_EQ(m.group(1, buffer, 15), 0u);  // group 1 took no part: empty
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(m.group(3, buffer, 15), 0u);  // index equal to the match count: empty
  EXPECT_EQ(m.group(0, buffer, 15), 1u);
  EXPECT_STREQ(buffer, "b");

  m.compile("x(\\d+)");
  ASSERT_GT(m.match("x0123456789"), 0);
  EXPECT_EQ(m.group(1, buffer, 3), 3u);
  EXPECT_STREQ(buffer, "012");

  // An explicit length hides what follows.
  m.compile("abcdef");
  EXPECT_EQ(m.match("abcdefgh", 5), -1);
  EXPECT_EQ(m.match("abcdefgh", 6), 1);
}

TEST(RegexMatcher, RefusedPatternRaisesAndLeavesNoPattern) {
  RegexMatcher m;
  try {
    m.compile("(unclosed");
    FAIL();
  } catch (const ReaderError& e) {
    EXPECT_EQ(e.message(), "Error while regexp compile : (unclosed.");
  }
  EXPECT_FALSE(m.compiled());
}

TEST(RegexMatcher, DoubledBackslashesMatchAFolderLiterally) {
  RegexMatcher m;
  m.compile("C:\\tmp\\[\\/]x", true);  // the pattern's own [\/] becomes backslash or slash
  EXPECT_GT(m.match("C:\\tmp\\/x"), 0);
  EXPECT_GT(m.match("C:\\tmp\\\\x"), 0);
}

// The six patterns a book compiles all compile, and do what their users expect.
TEST(RegexMatcher, BookPatterns) {
  struct Case {
    const char* pattern;
    const char* subject;
    const char* group1;  // nullptr: no match expected
  } cases[] = {
      {kChmLinkPattern, "a.chm::/b.htm", "a.chm"},
      {"[\\s]*([/]*[\\w]*)", "  /Table border=1", "/Table"},
      {"<(?i)\\s*/SCRIPT\\s*>", "x < /script > y", nullptr},
      {"-->", "a --> b", nullptr},
      {"<((?:[/]?[\\w]+)|(?:!--))", "text <!-- c -->", "!--"},
      {"\\.[^\"' )>]{2,}", "src=\"pic.gif\"", nullptr},
  };
  for (const Case& c : cases) {
    RegexMatcher m;
    m.compile(c.pattern);
    ASSERT_GT(m.match(c.subject), 0) << c.pattern;
    if (c.group1) {
      EXPECT_EQ(m.groupText(1), c.group1) << c.pattern;
    }
  }
  RegexMatcher ext;
  ext.compile("\\.[^\"' )>]{2,}");
  ASSERT_GT(ext.match("src=\"pic.gif\""), 0);
  EXPECT_EQ(ext.groupText(0), ".gif");
}

}  // namespace
}  // namespace pgwk
