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

}  // namespace
}  // namespace base
