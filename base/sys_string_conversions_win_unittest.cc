#include "base/sys_string_conversions.h"

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "base/win/wide_text.h"

namespace base {
namespace {

// What the system's own conversion gives with its defaults.
std::string SystemWideToAnsi(const std::u16string& wide) {
  char buffer[256];
  const int length = WideCharToMultiByte(CP_ACP, 0, AsWCHAR(wide.c_str()),
                                         static_cast<int>(wide.size()), buffer,
                                         sizeof(buffer), nullptr, nullptr);
  return std::string(buffer, length > 0 ? length : 0);
}

TEST(SysStringConversionsWinTest, TheAnsiCodePageIsGBK) {
  EXPECT_EQ(936u, GetACP());
}

TEST(SysStringConversionsWinTest, TextTheCodePageHoldsConvertsAsTheSystemDoes) {
  const std::u16string texts[] = {
      u"\u66F4\u65B0\u63D0\u793A",  // 更新提示
      u"Mirovue\u4F9D\u65E7\u5728\u8FD0\u884C",
      u"C:\\\u7A0B\u5E8F\\update.zip \u20AC",
  };
  for (const std::u16string& text : texts) {
    EXPECT_EQ(SystemWideToAnsi(text), WideToAnsi(text));
    EXPECT_EQ(text, AnsiToWide(WideToAnsi(text)));
  }
}

TEST(SysStringConversionsWinTest, NoLookAlikeStandsInForAMissingCharacter) {
  // The system's default would write the accented capital as a lower-case
  // letter of GBK's pinyin row; an exact conversion has no such letter.
  EXPECT_NE("?", SystemWideToAnsi(u"\u00C0"));
  EXPECT_EQ("?", WideToAnsi(u"\u00C0"));
  EXPECT_EQ("a?b", WideToAnsi(u"a\u00C0b"));
}

TEST(SysStringConversionsWinTest, ACharacterBeyondThePlaneIsOneQuestionMark) {
  // The system writes one '?' per unit of the pair.
  EXPECT_EQ("??", SystemWideToAnsi(u"\U0001F600"));
  EXPECT_EQ("?", WideToAnsi(u"\U0001F600"));
  EXPECT_EQ("?\xB8\xFC?", WideToAnsi(u"\U0001F600\u66F4\U00020000"));
}

TEST(SysStringConversionsWinTest, EachBadByteIsOneReplacementCharacter) {
  EXPECT_EQ(u"\uFFFD\uFFFD\u66F4\uFFFD", AnsiToWide("\xFF\xFF\xB8\xFC\xB8"));
  // 0x80 is the euro sign in code page 936; 0xFF never begins a character.
  EXPECT_EQ(u"x\u20AC\uFFFDy", AnsiToWide("x\x80\xFFy"));
}

}  // namespace
}  // namespace base
