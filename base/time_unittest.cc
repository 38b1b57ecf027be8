#include "base/time.h"

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(TimeDeltaTest, UnitsConvertToMicroseconds) {
  struct Case {
    const char* name;
    TimeDelta delta;
    int64_t microseconds;
  } cases[] = {
      {"days", TimeDelta::FromDays(2), 2LL * 24 * 3600 * 1000000},
      {"hours", TimeDelta::FromHours(3), 3LL * 3600 * 1000000},
      {"minutes", TimeDelta::FromMinutes(-4), -4LL * 60 * 1000000},
      {"seconds", TimeDelta::FromSeconds(5), 5000000},
      {"milliseconds", TimeDelta::FromMilliseconds(6), 6000},
      {"microseconds", TimeDelta::FromMicroseconds(7), 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.delta.InMicroseconds(), c.microseconds);
  }
}

TEST(TimeDeltaTest, MillisecondsTruncateOrRoundUp) {
  struct Case {
    int64_t microseconds;
    int64_t truncated;
    int64_t rounded_up;
  } cases[] = {
      {0, 0, 0},       {1, 0, 1},
      {999, 0, 1},     {1000, 1, 1},
      {1001, 1, 2},    {-1, 0, 0},
      {-999, 0, 0},    {-1000, -1, -1},
      {-1001, -1, -1}, {2500000, 2500, 2500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.microseconds);
    const TimeDelta delta = TimeDelta::FromMicroseconds(c.microseconds);
    EXPECT_EQ(delta.InMilliseconds(), c.truncated);
    EXPECT_EQ(delta.InMillisecondsRoundedUp(), c.rounded_up);
  }
}

TEST(TimeDeltaTest, ArithmeticAndComparison) {
  const TimeDelta second = TimeDelta::FromSeconds(1);
  const TimeDelta ms = TimeDelta::FromMilliseconds(1);
  EXPECT_EQ(second + ms, TimeDelta::FromMicroseconds(1001000));
  EXPECT_EQ(second - ms, TimeDelta::FromMicroseconds(999000));
  EXPECT_EQ(-ms, TimeDelta::FromMilliseconds(-1));
  EXPECT_EQ(ms * 1000, second);
  EXPECT_EQ(1000 * ms, second);
  EXPECT_EQ(second / 1000, ms);
  TimeDelta sum;
  sum += second;
  sum -= ms;
  EXPECT_EQ(sum, second - ms);
  EXPECT_LT(ms, second);
  EXPECT_GT(second, ms);
  EXPECT_LE(ms, ms);
  EXPECT_NE(ms, second);
}

TEST(TimeTicksTest, NowIsNeverNullAndNeverGoesBack) {
  TimeTicks previous = TimeTicks::Now();
  for (int i = 0; i < 1000; ++i) {
    const TimeTicks now = TimeTicks::Now();
    EXPECT_FALSE(now.is_null());
    EXPECT_GE(now, previous);
    // The source counts whole milliseconds.
    EXPECT_EQ(now.ToInternalValue() % 1000, 0);
    previous = now;
  }
}

TEST(TimeTicksTest, AddingAndSubtractingSpans) {
  const TimeTicks start = TimeTicks::FromInternalValue(5000);
  const TimeDelta span = TimeDelta::FromMilliseconds(3);
  EXPECT_EQ((start + span).ToInternalValue(), 8000);
  EXPECT_EQ((start - span).ToInternalValue(), 2000);
  EXPECT_EQ((start + span) - start, span);
  TimeTicks moved = start;
  moved += span;
  EXPECT_GT(moved, start);
  moved -= span;
  EXPECT_EQ(moved, start);
  EXPECT_TRUE(TimeTicks().is_null());
}

}  // namespace
}  // namespace base
