#include "base/message_pump_default.h"

#include "base/logging.h"

namespace base {

MessagePumpDefault::MessagePumpDefault() : event_(false, false) {}

MessagePumpDefault::~MessagePumpDefault() = default;

void MessagePumpDefault::Run(Delegate* delegate) {
  DCHECK(keep_running_) << "Quit must have been called outside of Run!";
  for (;;) {
    bool did_work = delegate->RunReadyWork();
    if (!keep_running_)
      break;
    did_work |= delegate->RunDueDelayedWork(&delayed_work_time_);
    if (!keep_running_)
      break;
    if (did_work)
      continue;
    did_work = delegate->RunIdleWork();
    if (!keep_running_)
      break;
    if (did_work)
      continue;

    if (delayed_work_time_.is_null()) {
      event_.Wait();
    } else {
      const TimeDelta delay = delayed_work_time_ - TimeTicks::Now();
      if (delay > TimeDelta()) {
        event_.TimedWait(delay);
      } else {
        // Already due: the next pass runs it without waiting.
        delayed_work_time_ = TimeTicks();
      }
    }
  }
  keep_running_ = true;
}

void MessagePumpDefault::Quit() {
  keep_running_ = false;
}

void MessagePumpDefault::WakeUp() {
  event_.Signal();
}

void MessagePumpDefault::WakeUpAt(const TimeTicks& delayed_work_time) {
  delayed_work_time_ = delayed_work_time;
}

}  // namespace base
