// Extends a 32-bit millisecond counter (the system's multimedia timer) to 64
// bits by counting its wraps, and reports microseconds. One process-wide
// instance backs TimeTicks::Now(); tests build their own over a fake counter.
// Thread-safe: Now() may be called from any thread.
#ifndef BASE_ROLLOVER_TICK_CLOCK_H_
#define BASE_ROLLOVER_TICK_CLOCK_H_

#include <cstdint>
#include <mutex>

namespace base {

class RolloverTickClock {
 public:
  using MillisecondSource = uint32_t (*)();

  explicit RolloverTickClock(MillisecondSource source);
  RolloverTickClock(const RolloverTickClock&) = delete;
  RolloverTickClock& operator=(const RolloverTickClock&) = delete;

  // Microseconds since the counter's zero, counting every wrap seen so far.
  // A wrap is only noticed if Now() runs at least once per 2^32 ms.
  int64_t Now();

 private:
  const MillisecondSource source_;
  std::mutex lock_;
  uint32_t last_seen_ = 0;   // Guarded by lock_.
  int64_t rollover_ms_ = 0;  // Guarded by lock_.
};

// The system's 32-bit millisecond counter (timeGetTime's counterpart).
uint32_t SystemMillisecondCounter();

}  // namespace base

#endif  // BASE_ROLLOVER_TICK_CLOCK_H_
