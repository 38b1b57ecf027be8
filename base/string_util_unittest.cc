#include "base/string_util.h"

#include <string>

#include <gtest/gtest.h>

#include "base/utf_string_conversions.h"

namespace base {
namespace {

TEST(StringUtilTest, WideWhitespaceSetHasTwentySevenUnits) {
  EXPECT_EQ(27u, std::u16string(kWhitespaceUTF16).size());
  const char16_t members[] = {0x09,   0x0D,   0x20,   0x85,   0xA0,
                              0x1680, 0x180E, 0x2000, 0x200A, 0x200C,
                              0x2028, 0x2029, 0x202F, 0x205F, 0x3000};
  for (char16_t c : members) {
    SCOPED_TRACE(static_cast<int>(c));
    EXPECT_TRUE(IsWhitespace(c));
  }
  const char16_t strangers[] = {0, u'a', 0x08, 0x0E, 0x200B, 0x200D, 0xFEFF};
  for (char16_t c : strangers) {
    SCOPED_TRACE(static_cast<int>(c));
    EXPECT_FALSE(IsWhitespace(c));
  }
}

TEST(StringUtilTest, TrimWhitespaceRemovesBothEndsOnly) {
  EXPECT_EQ(u"a b", TrimWhitespace(u"\u3000\t a b\u00A0\r\n"));
  EXPECT_EQ(u"", TrimWhitespace(u" \u2028 "));
  EXPECT_EQ(u"", TrimWhitespace(u""));
  EXPECT_EQ(u"x", TrimWhitespace(u"x"));
}

TEST(StringUtilTest, TrimWhitespaceASCIIUsesTheNarrowSet) {
  EXPECT_EQ("1", TrimWhitespaceASCII("\t\n\v\f\r 1 \t"));
  EXPECT_EQ("", TrimWhitespaceASCII("  "));
  // A no-break space in UTF-8 is not narrow white space.
  EXPECT_EQ(
      "\xC2\xA0"
      "1",
      TrimWhitespaceASCII("\xC2\xA0"
                          "1"));
}

TEST(StringUtilTest, LowerASCIIKeepsEverythingButCapitals) {
  EXPECT_EQ("url=http://a/b?x=y", StringToLowerASCII("URL=http://A/b?X=y"));
  EXPECT_EQ(
      "\xC4"
      "a",
      StringToLowerASCII("\xC4"
                         "A"));
  EXPECT_EQ(u"\u00C4a", StringToLowerASCII(u"\u00C4A"));
}

TEST(StringUtilTest, ReplaceCharactersReplacesEveryOccurrence) {
  std::string out = "stale";
  EXPECT_TRUE(ReplaceCharacters("1,0,2,5", ",", ".", &out));
  EXPECT_EQ("1.0.2.5", out);
  EXPECT_FALSE(ReplaceCharacters("1.0.2.5", ",", ".", &out));
  EXPECT_EQ("1.0.2.5", out);
  EXPECT_FALSE(ReplaceCharacters("", ",", ".", &out));
  EXPECT_EQ("", out);
}

TEST(StringUtilTest, ReplaceCharactersResumesAfterTheReplacement) {
  std::string out;
  // The inserted text holds a searched character; it is not replaced again.
  EXPECT_TRUE(ReplaceCharacters("a,b", ",", ",,", &out));
  EXPECT_EQ("a,,b", out);
  EXPECT_TRUE(ReplaceCharacters("a;b,c", ",;", "", &out));
  EXPECT_EQ("abc", out);
}

TEST(StringUtilTest, HasPrefixCases) {
  const struct {
    const char* text;
    const char* prefix;
    bool case_sensitive;
    bool expected;
  } cases[] = {
      {"zip", "zip", false, true},    {"ZIP", "zip", false, true},
      {"zipped", "zip", false, true}, {"Zip", "zip", true, false},
      {"zi", "zip", false, false},    {"", "zip", false, false},
      {"gz", "zip", false, false},    {"anything", "", true, true},
      {" zip", "zip", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " / " + c.prefix);
    EXPECT_EQ(c.expected, HasPrefix(c.text, c.prefix, c.case_sensitive));
  }
}

TEST(StringUtilTest, IsStringASCII) {
  EXPECT_TRUE(IsStringASCII("Quick Launch"));
  EXPECT_TRUE(IsStringASCII(""));
  EXPECT_FALSE(IsStringASCII("caf\xC3\xA9"));
  EXPECT_TRUE(IsStringASCII(u"abc\x7F"));
  EXPECT_FALSE(IsStringASCII(u"abc\x80"));
}

}  // namespace
}  // namespace base
