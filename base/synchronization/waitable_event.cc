#include "base/synchronization/waitable_event.h"

#include <chrono>

#include "base/logging.h"

namespace base {

namespace {

constexpr int64_t kLongestTimedWaitMs =
    TimeDelta::FromDays(100 * 365).InMilliseconds();

}  // namespace

WaitableEvent::WaitableEvent(bool manual_reset, bool initially_signaled)
    : manual_reset_(manual_reset), signaled_(initially_signaled) {}

void WaitableEvent::Signal() {
  std::lock_guard<std::mutex> hold(lock_);
  signaled_ = true;
  if (manual_reset_)
    signaled_changed_.notify_all();
  else
    signaled_changed_.notify_one();
}

void WaitableEvent::Reset() {
  std::lock_guard<std::mutex> hold(lock_);
  signaled_ = false;
}

bool WaitableEvent::IsSignaled() {
  return TimedWait(TimeDelta());
}

void WaitableEvent::Wait() {
  std::unique_lock<std::mutex> hold(lock_);
  signaled_changed_.wait(hold, [this] { return signaled_; });
  if (!manual_reset_)
    signaled_ = false;
}

bool WaitableEvent::TimedWait(TimeDelta max_time) {
  DCHECK(max_time >= TimeDelta::FromMicroseconds(0));
  const int64_t wait_ms = max_time.InMillisecondsRoundedUp();
  // The clock's nanosecond count would overflow for a deadline centuries
  // away; such a wait cannot time out, so it is a wait without time-out.
  if (wait_ms > kLongestTimedWaitMs) {
    Wait();
    return true;
  }
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  std::unique_lock<std::mutex> hold(lock_);
  if (!signaled_changed_.wait_until(hold, deadline,
                                    [this] { return signaled_; })) {
    return false;
  }
  if (!manual_reset_)
    signaled_ = false;
  return true;
}

}  // namespace base
