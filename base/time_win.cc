#include <windows.h>
#include <mmsystem.h>

#include "base/rollover_tick_clock.h"

namespace base {

uint32_t SystemMillisecondCounter() {
  // The multimedia timer: milliseconds since the system started, wrapping
  // after 49.7 days, which the tick clock above it handles. Its resolution
  // is left as the system has it.
  return timeGetTime();
}

}  // namespace base
