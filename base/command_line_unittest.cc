#include "base/command_line.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/string_number_conversions.h"
#include "base/utf_string_conversions.h"

namespace base {
namespace {

using Args = std::vector<std::u16string>;

std::string Narrow(const std::u16string& text) {
  return UTF16ToUTF8(text);
}

TEST(CommandLineTest, PrefixAndCaseDoNotMatter) {
  const char16_t* const texts[] = {
      u"updater.exe --url=http://h/u.xml", u"updater.exe --URL=http://h/u.xml",
      u"updater.exe -url=http://h/u.xml",  u"updater.exe /url=http://h/u.xml",
      u"updater.exe /Url=http://h/u.xml",
  };
  for (const char16_t* text : texts) {
    SCOPED_TRACE(Narrow(text));
    CommandLine line(text);
    EXPECT_TRUE(line.IsSet("url"));
    EXPECT_TRUE(line.IsSet("URL"));
    EXPECT_EQ(u"http://h/u.xml", line.Value("url"));
    EXPECT_EQ(u"http://h/u.xml", line.Value("uRl"));
  }
}

TEST(CommandLineTest, ValuesKeepTheirCase) {
  CommandLine line(u"p --URL=HTTP://Host/Update.XML");
  EXPECT_EQ(u"HTTP://Host/Update.XML", line.Value("url"));
}

TEST(CommandLineTest, SwitchWithoutValueIsSetButEmpty) {
  const char16_t* const texts[] = {u"p --url", u"p --url="};
  for (const char16_t* text : texts) {
    SCOPED_TRACE(Narrow(text));
    CommandLine line(text);
    EXPECT_TRUE(line.IsSet("url"));
    EXPECT_EQ(u"", line.Value("url"));
  }
}

TEST(CommandLineTest, AbsentSwitchHasEmptyValue) {
  CommandLine line(u"p --url=x");
  EXPECT_FALSE(line.IsSet("hwnd"));
  EXPECT_EQ(u"", line.Value("hwnd"));
}

TEST(CommandLineTest, OnlyTheFirstEqualsSignSeparates) {
  CommandLine line(u"p --url=http://h/u.xml?a=1&b=2");
  EXPECT_EQ(u"http://h/u.xml?a=1&b=2", line.Value("url"));
}

TEST(CommandLineTest, LookupWithPrefixDoesNotMatch) {
  CommandLine line(u"p --url=x");
  EXPECT_FALSE(line.IsSet("--url"));
  EXPECT_FALSE(line.IsSet("-url"));
  EXPECT_EQ(u"", line.Value("/url"));
}

TEST(CommandLineTest, QuotedValueWithLeadingBlankKeepsIt) {
  CommandLine line(u"p \"--hwnd= 123\"");
  EXPECT_EQ(u" 123", line.Value("hwnd"));
  // The number parsing then still reads the number after the blank.
  uint32_t window = 0;
  ParseUint(line.Value("hwnd"), &window);
  EXPECT_EQ(123u, window);
}

TEST(CommandLineTest, LaterValueWins) {
  CommandLine line(u"p --hwnd=1 -HWND=2");
  EXPECT_EQ(u"2", line.Value("hwnd"));
  // Both occurrences stay in argv.
  EXPECT_EQ((Args{u"p", u"--hwnd=1", u"-hwnd=2"}), line.argv());
}

TEST(CommandLineTest, PresenceCountsWhateverTheValue) {
  CommandLine line(u"p --auto=0");
  EXPECT_TRUE(line.IsSet("auto"));
}

TEST(CommandLineTest, SwitchAfterTerminatorIsOrdinary) {
  CommandLine line(u"p --url=x -- --auto");
  EXPECT_TRUE(line.IsSet("url"));
  EXPECT_FALSE(line.IsSet("auto"));
  EXPECT_EQ((Args{u"p", u"--url=x", u"--", u"--auto"}), line.argv());
  EXPECT_EQ(2u, line.first_argument_index());
}

TEST(CommandLineTest, ProgramOnlyGivesNoSwitches) {
  CommandLine line(u"\"C:\\Program Files\\Mirovue\\updater.exe\"");
  EXPECT_EQ((Args{u"C:\\Program Files\\Mirovue\\updater.exe"}), line.argv());
  EXPECT_EQ(1u, line.first_argument_index());
  EXPECT_FALSE(line.IsSet("url"));
  EXPECT_FALSE(line.IsSet(""));
}

TEST(CommandLineTest, EmptyOrBlankTextGivesOneEmptyProgram) {
  const char16_t* const texts[] = {u"", u"   ", u"\u3000\t\r\n"};
  for (const char16_t* text : texts) {
    SCOPED_TRACE(Narrow(text));
    CommandLine line(text);
    EXPECT_EQ((Args{u""}), line.argv());
    EXPECT_EQ(1u, line.first_argument_index());
  }
}

TEST(CommandLineTest, SwitchesAreNormalisedAheadOfOrdinaryArguments) {
  CommandLine line(u"  p.exe first --URL=A /Auto second -- -x  ");
  EXPECT_EQ(
      (Args{u"p.exe", u"--url=A", u"/auto", u"first", u"second", u"--", u"-x"}),
      line.argv());
  EXPECT_EQ(3u, line.first_argument_index());
}

TEST(CommandLineTest, ArgumentsAreTrimmedBeforeReading) {
  CommandLine line(u"\" p \" \" --auto \" \"\u3000--notify=0\u00A0\"");
  EXPECT_EQ(u"p", line.argv()[0]);
  EXPECT_TRUE(line.IsSet("auto"));
  EXPECT_EQ(u"0", line.Value("notify"));
}

TEST(CommandLineTest, PrefixAloneIsASwitchWithEmptyName) {
  const char16_t* const texts[] = {u"p -", u"p /", u"p --=v"};
  for (const char16_t* text : texts) {
    SCOPED_TRACE(Narrow(text));
    CommandLine line(text);
    EXPECT_TRUE(line.IsSet(""));
    EXPECT_EQ(2u, line.first_argument_index());
  }
}

TEST(CommandLineTest, SwitchNamesKeepTheLowByteOfEachUnit) {
  // U+0155 has the low byte 0x55 ('U'), which is then lowered.
  CommandLine line(u"p --\u0155rl=x");
  EXPECT_EQ(u"x", line.Value("url"));
  EXPECT_EQ(u"--url=x", line.argv()[1]);
}

TEST(CommandLineTest, ValueKeepsNonASCIIText) {
  CommandLine line(u"p --url=http://h/\u66F4\u65B0.xml");
  EXPECT_EQ(u"http://h/\u66F4\u65B0.xml", line.Value("url"));
}

TEST(SplitCommandLineTextTest, WindowsArgumentRules) {
  const struct {
    const char16_t* text;
    Args args;
  } cases[] = {
      {u"", {}},
      {u"p", {u"p"}},
      {u"p a b", {u"p", u"a", u"b"}},
      {u"p\ta \t b  ", {u"p", u"a", u"b"}},
      {u" p", {u"", u"p"}},
      {u"\"C:\\Program Files\\u.exe\" a", {u"C:\\Program Files\\u.exe", u"a"}},
      // The program rule has no escapes and ends right after its quote.
      {u"\"C:\\dir\\\" a", {u"C:\\dir\\", u"a"}},
      {u"\"a\"b c", {u"a", u"b", u"c"}},
      {u"\"unclosed program", {u"unclosed program"}},
      {u"a\"b c", {u"a\"b", u"c"}},
      {u"p \"a b\" c", {u"p", u"a b", u"c"}},
      {u"p a\\\\b", {u"p", u"a\\\\b"}},
      {u"p a\\\"b", {u"p", u"a\"b"}},
      {u"p a\\\\\\\"b", {u"p", u"a\\\"b"}},
      {u"p a\\\\\"b c\"", {u"p", u"a\\b c"}},
      {u"p \"a\\\\\" b", {u"p", u"a\\", u"b"}},
      {u"p a\\", {u"p", u"a\\"}},
      {u"p \"\"", {u"p", u""}},
      {u"p \"\" \"\"", {u"p", u"", u""}},
      {u"p a\"\"b", {u"p", u"ab"}},
      {u"p \"a\"\"b\"", {u"p", u"a\"b"}},
      {u"p \"\"\"\"", {u"p", u"\""}},
      {u"p \"a b", {u"p", u"a b"}},
      {u"p \"--hwnd= 12\"", {u"p", u"--hwnd= 12"}},
      {u"p a\nb", {u"p", u"a\nb"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    EXPECT_EQ(c.args, SplitCommandLineText(c.text));
  }
}

TEST(JoinCommandLineArgsTest, QuotesOnlyWhereNeeded) {
  const struct {
    Args args;
    const char16_t* text;
  } cases[] = {
      {{}, u""},
      {{u"p"}, u"p"},
      {{u""}, u"\"\""},
      {{u"C:\\Program Files\\u.exe", u"-launch"},
       u"\"C:\\Program Files\\u.exe\" -launch"},
      {{u"p", u"a b"}, u"p \"a b\""},
      {{u"p", u"a\\b"}, u"p a\\b"},
      {{u"p", u"a\"b"}, u"p \"a\\\"b\""},
      {{u"p", u"a b\\"}, u"p \"a b\\\\\""},
      {{u"p", u"a\\\"b"}, u"p \"a\\\\\\\"b\""},
      {{u"p", u""}, u"p \"\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    EXPECT_EQ(c.text, JoinCommandLineArgs(c.args));
  }
}

TEST(JoinCommandLineArgsTest, SplittingTheJoinedTextGivesTheArgumentsBack) {
  const Args cases[] = {
      {u"/opt/mirovue/updater"},
      {u""},
      {u"", u""},
      {u"/opt/my apps/updater", u"--url=http://127.0.0.1/u.xml?a=1&b=2"},
      {u"p", u"a b", u"\"", u"\"\"", u"a\\", u"a\\\\", u"\\\"", u"\\\\\""},
      {u"p", u"trailing\\ space\\ ", u"tab\there", u"new\nline"},
      {u"p", u" lead", u"\u66F4\u65B0\u63D0\u793A", u"\u3000"},
      {u"a\"b", u"x"},
      {u"a\"b\u2000c", u"x"},
      {u"p", u"\"quoted\"", u"a\"\"\"b", u"\\\\server\\share\\"},
  };
  for (const Args& args : cases) {
    std::u16string joined = JoinCommandLineArgs(args);
    SCOPED_TRACE(Narrow(joined));
    EXPECT_EQ(args, SplitCommandLineText(joined));
  }
}

TEST(JoinCommandLineArgsTest, ProgramThatNeedsQuotesLosesItsQuotes) {
  EXPECT_EQ(u"\"a b\" x", JoinCommandLineArgs({u"a\" b", u"x"}));
  EXPECT_EQ((Args{u"a b", u"x"}),
            SplitCommandLineText(JoinCommandLineArgs({u"a\" b", u"x"})));
}

TEST(CommandLineTest, ReadsWhatJoinWrote) {
  Args args = {u"/opt/my apps/updater", u"--url=http://h/u.xml?x=\"1 2\"",
               u"-hwnd=4242", u"plain"};
  CommandLine line(JoinCommandLineArgs(args));
  EXPECT_EQ(u"/opt/my apps/updater", line.argv()[0]);
  EXPECT_EQ(u"http://h/u.xml?x=\"1 2\"", line.Value("url"));
  EXPECT_EQ(u"4242", line.Value("hwnd"));
  EXPECT_EQ(u"plain", line.argv().back());
}

}  // namespace
}  // namespace base
