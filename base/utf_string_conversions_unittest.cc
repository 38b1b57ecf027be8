#include "base/utf_string_conversions.h"

#include <string>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(UTFStringConversionsTest, ValidTextRoundTrips) {
  const char* const texts[] = {
      "",
      "plain ASCII",
      "\xE6\x9B\xB4\xE6\x96\xB0\xE6\x8F\x90\xE7\xA4\xBA",  // 更新提示
      "\xC2\xA0\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF",
      "\xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    EXPECT_EQ(text, UTF16ToUTF8(UTF8ToUTF16(text)));
  }
}

TEST(UTFStringConversionsTest, DecodesToExpectedUnits) {
  EXPECT_EQ(u"\u66F4\u65B0", UTF8ToUTF16("\xE6\x9B\xB4\xE6\x96\xB0"));
  EXPECT_EQ(u"\U0001F600", UTF8ToUTF16("\xF0\x9F\x98\x80"));
  EXPECT_EQ(std::u16string(1, u'\0') + u"a",
            UTF8ToUTF16(std::string("\0a", 2)));
}

TEST(UTFStringConversionsTest, MalformedUTF8BecomesReplacementCharacters) {
  const struct {
    std::string input;
    std::u16string expected;
  } cases[] = {
      {"\x80", u"\uFFFD"},
      {"a\xFF"
       "b",
       u"a\uFFFD"
       u"b"},
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xE6\x9B", u"\uFFFD"},  // truncated at the end
      {"\xE6\x9B"
       "a",
       u"\uFFFD"
       u"a"},  // truncated inside
      {"\xF0\x9F\x98", u"\uFFFD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(c.expected, UTF8ToUTF16(c.input));
  }
}

TEST(UTFStringConversionsTest, UnpairedSurrogatesBecomeReplacementCharacters) {
  const char* const kReplacement = "\xEF\xBF\xBD";
  EXPECT_EQ(std::string("a") + kReplacement,
            UTF16ToUTF8(std::u16string(u"a") + char16_t(0xD800)));
  EXPECT_EQ(std::string(kReplacement) + "b",
            UTF16ToUTF8(std::u16string(1, char16_t(0xDC00)) + u"b"));
  std::u16string reversed = {char16_t(0xDC00), char16_t(0xD800)};
  EXPECT_EQ(std::string(kReplacement) + kReplacement, UTF16ToUTF8(reversed));
}

TEST(UTFStringConversionsTest, ASCIIToUTF16WidensEachByte) {
  EXPECT_EQ(u"Quick Launch", ASCIIToUTF16("Quick Launch"));
}

}  // namespace
}  // namespace base
