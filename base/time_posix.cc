#include <time.h>

#include "base/rollover_tick_clock.h"

namespace base {

uint32_t SystemMillisecondCounter() {
  // Truncated to 32 bits on purpose: the counter wraps like the Windows
  // multimedia timer, and the tick clock above it handles the wrap.
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000 +
                               static_cast<uint64_t>(now.tv_nsec) / 1000000);
}

}  // namespace base
