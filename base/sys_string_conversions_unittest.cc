#include "base/sys_string_conversions.h"

#include <string>

#include <gtest/gtest.h>

#include "base/utf_string_conversions.h"

namespace base {
namespace {

TEST(SysStringConversionsTest, ChineseTextTakesTwoBytesPerCharacterInGBK) {
  std::string ansi = WideToAnsi(u"\u66F4\u65B0\u63D0\u793A");  // 更新提示
  EXPECT_EQ(8u, ansi.size());
  EXPECT_EQ("\xB8\xFC\xD0\xC2\xCC\xE1\xCA\xBE", ansi);
  // The balloon text mixes ASCII and Chinese.
  EXPECT_EQ(15u, WideToAnsi(u"\u53D1\u73B0\u65B0\u7684\u7248\u672C:%s").size());
}

TEST(SysStringConversionsTest, ASCIIIsUnchanged) {
  EXPECT_EQ("http://127.0.0.1:18080/update/update.xml?a=1&b=2",
            WideToAnsi(u"http://127.0.0.1:18080/update/update.xml?a=1&b=2"));
}

TEST(SysStringConversionsTest, EmptyInputGivesEmptyString) {
  EXPECT_EQ("", WideToAnsi(u""));
  EXPECT_EQ(u"", AnsiToWide(""));
}

TEST(SysStringConversionsTest, UnmappableCharactersBecomeQuestionMarks) {
  // Thai, an emoji (one character, two units) and an unpaired surrogate.
  std::u16string wide = u"a\u0E01b\U0001F600c";
  wide.push_back(char16_t(0xD800));
  wide += u"d";
  EXPECT_EQ("a?b?c?d", WideToAnsi(wide));
}

TEST(SysStringConversionsTest, AnsiRoundTripsGBKText) {
  std::u16string wide = u"C:\\\u7A0B\u5E8F\\Mirovue\\\u66F4\u65B0.zip \u20AC";
  EXPECT_EQ(wide, AnsiToWide(WideToAnsi(wide)));
}

TEST(SysStringConversionsTest, InvalidAnsiBytesBecomeReplacementCharacters) {
  // 0xFF never occurs in GBK; 0xB8 alone is an incomplete pair.
  EXPECT_EQ(
      u"a\uFFFD"
      u"b",
      AnsiToWide("a\xFF"
                 "b"));
  EXPECT_EQ(u"a\uFFFD", AnsiToWide("a\xB8"));
}

TEST(SysStringConversionsTest, LongTextConvertsWhole) {
  std::u16string wide;
  for (int i = 0; i < 1000; ++i)
    wide += u"\u66F4x";
  std::string ansi = WideToAnsi(wide);
  EXPECT_EQ(3000u, ansi.size());
  EXPECT_EQ(wide, AnsiToWide(ansi));
}

}  // namespace
}  // namespace base
