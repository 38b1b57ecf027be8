#include "base/rollover_tick_clock.h"

namespace base {

RolloverTickClock::RolloverTickClock(MillisecondSource source)
    : source_(source) {}

int64_t RolloverTickClock::Now() {
  // The source is read under the lock so that concurrent callers see the
  // counter in the same order as last_seen_ does; otherwise a stale reading
  // would look like a wrap.
  std::lock_guard<std::mutex> hold(lock_);
  const uint32_t now = source_();
  if (now < last_seen_)
    rollover_ms_ += int64_t{1} << 32;
  last_seen_ = now;
  return (rollover_ms_ + now) * 1000;
}

}  // namespace base
