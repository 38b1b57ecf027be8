#include "base/string_number_conversions.h"

#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "base/utf_string_conversions.h"

namespace base {
namespace {

struct SignedCase {
  const char* text;
  bool result;
  int32_t value;
};

// Narrow and wide signed parsing behave alike.
const SignedCase kSignedCases[] = {
    {"0", true, 0},
    {"42", true, 42},
    {"+42", true, 42},
    {"-42", true, -42},
    {"2147483647", true, 2147483647},
    {"2147483648", false, 2147483647},
    {"99999999999", false, 2147483647},
    {"-2147483648", true, std::numeric_limits<int32_t>::min()},
    {"-2147483649", false, std::numeric_limits<int32_t>::min()},
    {"", false, 0},
    {"-", false, 0},
    {"+", false, 0},
    {"abc", false, 0},
    {"123abc", false, 123},
    {"-12x", false, -12},
    {"0x1A2B", false, 0},
    {" 12", false, 12},
    {"\t\n-7", false, -7},
    {"12 ", false, 12},
    {"1 2", false, 1},
    {"+-1", false, 0},
    {"--1", false, 0},
    {"007", true, 7},
};

TEST(StringNumberConversionsTest, ParseIntNarrow) {
  for (const SignedCase& c : kSignedCases) {
    SCOPED_TRACE(c.text);
    int32_t value = 99;
    EXPECT_EQ(c.result, ParseInt(std::string(c.text), &value));
    EXPECT_EQ(c.value, value);
  }
}

TEST(StringNumberConversionsTest, ParseIntWide) {
  for (const SignedCase& c : kSignedCases) {
    SCOPED_TRACE(c.text);
    int32_t value = 99;
    EXPECT_EQ(c.result, ParseInt(UTF8ToUTF16(c.text), &value));
    EXPECT_EQ(c.value, value);
  }
}

struct UnsignedCase {
  const char16_t* text;
  bool result;
  uint32_t value;
};

TEST(StringNumberConversionsTest, ParseUintClampsAndWrapsNegatives) {
  const UnsignedCase cases[] = {
      {u"0", true, 0u},
      {u"123", true, 123u},
      {u"4294967295", true, 4294967295u},
      {u"4294967296", false, 4294967295u},
      {u"42949672950", false, 4294967295u},
      {u"123abc", false, 123u},
      {u"0x1A2B", false, 0u},
      // Negative texts wrap modulo 2^32 unless a digit follows a leading 0.
      {u"-5", true, 4294967291u},
      {u"-2", true, 4294967294u},
      {u"-50", true, 4294967246u},
      {u"-05", false, 0u},
      {u"-0", true, 0u},
      {u"-", false, 0u},
      {u"", false, 0u},
      {u" 77", false, 77u},
      {u"\u3000"
       u"77",
       false, 77u},
      {u"\u00A0"
       u"77",
       false, 77u},
  };
  for (const UnsignedCase& c : cases) {
    SCOPED_TRACE(UTF16ToUTF8(c.text));
    uint32_t value = 99;
    EXPECT_EQ(c.result, ParseUint(c.text, &value));
    EXPECT_EQ(c.value, value);
  }
}

TEST(StringNumberConversionsTest, ParseStopsAtNonDigitUnitsBeyondASCII) {
  int32_t value = 99;
  // A full-width digit is not a digit.
  EXPECT_FALSE(ParseInt(u"1\uFF12", &value));
  EXPECT_EQ(1, value);
  // A unit whose low byte is a digit is not a digit either.
  EXPECT_FALSE(ParseInt(u"1\u0132", &value));
  EXPECT_EQ(1, value);
}

TEST(StringNumberConversionsTest, FormatIntWritesMinimalDecimal) {
  const struct {
    int32_t value;
    const char* text;
  } cases[] = {
      {0, "0"},
      {7, "7"},
      {-7, "-7"},
      {65535, "65535"},
      {1000, "1000"},
      {2147483647, "2147483647"},
      {std::numeric_limits<int32_t>::min(), "-2147483648"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.text, FormatInt(c.value));
  }
}

TEST(StringNumberConversionsTest, FormatThenParseGivesTheValueBack) {
  const int32_t values[] = {0,          1,
                            -1,         9,
                            10,         -10,
                            123456789,  -987654321,
                            2147483647, std::numeric_limits<int32_t>::min()};
  for (int32_t v : values) {
    SCOPED_TRACE(v);
    int32_t parsed = 0;
    EXPECT_TRUE(ParseInt(FormatInt(v), &parsed));
    EXPECT_EQ(v, parsed);
  }
}

}  // namespace
}  // namespace base
