#include "base/time.h"

#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(TimeTicksWinTest, TheClockIsTheMultimediaTimer) {
  // The clock counts the timer's milliseconds plus its wraps, so its low 32
  // bits of milliseconds lie between two readings of the timer.
  for (int i = 0; i < 100; ++i) {
    const DWORD before = timeGetTime();
    const int64_t now_ms = TimeTicks::Now().ToInternalValue() / 1000;
    const DWORD after = timeGetTime();
    const DWORD low = static_cast<DWORD>(now_ms);
    EXPECT_LE(low - before, after - before);
  }
}

TEST(TimeTicksWinTest, TheClockAdvancesWithRealTime) {
  const TimeTicks start = TimeTicks::Now();
  Sleep(200);
  const TimeDelta elapsed = TimeTicks::Now() - start;
  EXPECT_GE(elapsed, TimeDelta::FromMilliseconds(150));
  EXPECT_LT(elapsed, TimeDelta::FromSeconds(10));
}

}  // namespace
}  // namespace base
