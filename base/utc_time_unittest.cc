#include "base/utc_time.h"

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(UtcTimeTest, ReadsAndWritesTheSecondsSince1970) {
  const struct {
    const char* text;
    int64_t seconds;
  } kCases[] = {
      {"1970-01-01T00:00:00Z", 0},
      {"1969-12-31T23:59:59Z", -1},
      {"2000-02-29T12:00:00Z", 951825600},
      {"2038-01-19T03:14:08Z", 2147483648},
      {"2100-03-01T00:00:00Z", 4107542400},
      {"9999-12-31T23:59:59Z", 253402300799},
      {"0000-01-01T00:00:00Z", -62167219200},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    int64_t seconds = 0;
    ASSERT_TRUE(ParseUtcTime(c.text, &seconds));
    EXPECT_EQ(c.seconds, seconds);
    EXPECT_EQ(c.text, FormatUtcTime(c.seconds));
  }
}

TEST(UtcTimeTest, RefusesAnythingButTheOneForm) {
  const char* const kRefused[] = {
      "",
      "2030-01-01T00:00:00",
      "2030-01-01T00:00:00z",
      "2030-01-01 00:00:00Z",
      "2030-01-01T00:00:00+00:00",
      " 2030-01-01T00:00:00Z",
      "2030-01-01T00:00:00Z ",
      "2030-1-01T00:00:00Z",
      "2030-13-01T00:00:00Z",
      "2030-00-01T00:00:00Z",
      "2030-02-29T00:00:00Z",
      "2100-02-29T00:00:00Z",
      "2030-04-31T00:00:00Z",
      "2030-01-00T00:00:00Z",
      "2030-01-01T24:00:00Z",
      "2030-01-01T00:60:00Z",
      "2030-01-01T00:00:60Z",
      "+030-01-01T00:00:00Z",
      "2030-01-01T0a:00:00Z",
  };
  for (const char* text : kRefused) {
    SCOPED_TRACE(text);
    int64_t seconds = 0;
    EXPECT_FALSE(ParseUtcTime(text, &seconds));
  }
}

TEST(UtcTimeTest, NowIsAfterTheTimeThisWasWritten) {
  int64_t written = 0;
  ASSERT_TRUE(ParseUtcTime("2024-01-01T00:00:00Z", &written));
  EXPECT_GT(UtcNowSeconds(), written);
}

// 784111777 is 1994-11-06T08:49:37Z, the example of the HTTP standards.
TEST(UtcTimeTest, ReadsHttpDatesInTheirThreeForms) {
  const struct {
    const char* text;
    int64_t seconds;
  } kCases[] = {
      {"Sun, 06 Nov 1994 08:49:37 GMT", 784111777},
      {"Sunday, 06-Nov-94 08:49:37 GMT", 784111777},
      {"Sun Nov  6 08:49:37 1994", 784111777},
      {"Thu, 01 Jan 1970 00:00:00 GMT", 0},
      {"Friday, 01-Jan-27 00:00:00 GMT", 1798761600},
      {"Fri Jan 01 00:00:00 2027", 1798761600},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    int64_t seconds = 0;
    ASSERT_TRUE(ParseHttpDate(c.text, &seconds));
    EXPECT_EQ(c.seconds, seconds);
  }
  const char* const kRefused[] = {
      "",
      "120",
      "Sun, 06 Nov 1994 08:49:37 UTC",
      "Sun, 6 Nov 1994 08:49:37 GMT",
      "Sun, 06 Nvm 1994 08:49:37 GMT",
      "Sun, 31 Feb 1994 08:49:37 GMT",
      "Sun, 06 Nov 1994 24:00:00 GMT",
      "Sunday, 06-Nov-1994 08:49:37 GMT",
      "Sun Nov  6 08:49:37 94",
      "1994-11-06T08:49:37Z",
  };
  for (const char* text : kRefused) {
    SCOPED_TRACE(text);
    int64_t seconds = 7;
    EXPECT_FALSE(ParseHttpDate(text, &seconds));
  }
}

}  // namespace
}  // namespace base
