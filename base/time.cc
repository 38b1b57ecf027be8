#include "base/time.h"

#include "base/rollover_tick_clock.h"

namespace base {

TimeTicks TimeTicks::Now() {
  // Never destroyed: threads may read the clock during process exit.
  static RolloverTickClock* clock =
      new RolloverTickClock(&SystemMillisecondCounter);
  return TimeTicks(clock->Now());
}

}  // namespace base
