#include "base/synchronization/waitable_event.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace base {
namespace {

const TimeDelta kDeadline = TimeDelta::FromSeconds(30);

TEST(WaitableEventTest, ManualResetStaysSignaledUntilReset) {
  WaitableEvent event(true, false);
  EXPECT_FALSE(event.IsSignaled());
  event.Signal();
  EXPECT_TRUE(event.IsSignaled());
  EXPECT_TRUE(event.IsSignaled());
  EXPECT_TRUE(event.TimedWait(kDeadline));
  event.Reset();
  EXPECT_FALSE(event.IsSignaled());
}

TEST(WaitableEventTest, AutoResetReleasesOneWaitThenResets) {
  WaitableEvent event(false, true);
  EXPECT_TRUE(event.TimedWait(kDeadline));
  EXPECT_FALSE(event.IsSignaled());
  event.Signal();
  event.Wait();
  EXPECT_FALSE(event.IsSignaled());
}

TEST(WaitableEventTest, TimedWaitRoundsUpToWholeMilliseconds) {
  WaitableEvent event(false, false);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(event.TimedWait(TimeDelta::FromMicroseconds(1)));
  // A wait never ends before its time; 1 us waits a whole millisecond.
  EXPECT_GE(std::chrono::steady_clock::now() - start,
            std::chrono::milliseconds(1));
}

TEST(WaitableEventTest, SignalFromAnotherThreadWakesTheWaiter) {
  for (bool manual_reset : {true, false}) {
    SCOPED_TRACE(manual_reset);
    WaitableEvent event(manual_reset, false);
    std::thread signaller([&] { event.Signal(); });
    EXPECT_TRUE(event.TimedWait(kDeadline));
    signaller.join();
  }
}

TEST(WaitableEventTest, WaitCenturiesLongStillWaitsForTheSignal) {
  for (int64_t days : {int64_t{1000} * 365, int64_t{106751991}}) {
    SCOPED_TRACE(days);
    WaitableEvent event(false, false);
    std::thread signaller([&] { event.Signal(); });
    EXPECT_TRUE(event.TimedWait(TimeDelta::FromDays(days)));
    signaller.join();
  }
}

TEST(WaitableEventTest, AutoResetSignalReleasesOneWaiterAtATime) {
  WaitableEvent event(false, false);
  WaitableEvent done(false, false);
  int woken = 0;
  auto wait = [&] {
    if (event.TimedWait(kDeadline)) {
      ++woken;
      done.Signal();
    }
  };
  std::thread first(wait);
  event.Signal();
  ASSERT_TRUE(done.TimedWait(kDeadline));
  std::thread second(wait);
  event.Signal();
  ASSERT_TRUE(done.TimedWait(kDeadline));
  first.join();
  second.join();
  EXPECT_EQ(woken, 2);
  EXPECT_FALSE(event.IsSignaled());
}

}  // namespace
}  // namespace base
