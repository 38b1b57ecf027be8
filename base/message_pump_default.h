// The pump of a TYPE_DEFAULT loop: waits on an auto-reset event, with a
// time-out when delayed work is pending. Created by the loop; WakeUp may be
// called from any thread.
#ifndef BASE_MESSAGE_PUMP_DEFAULT_H_
#define BASE_MESSAGE_PUMP_DEFAULT_H_

#include "base/message_pump.h"
#include "base/synchronization/waitable_event.h"

namespace base {

class MessagePumpDefault : public MessagePump {
 public:
  MessagePumpDefault();

  void Run(Delegate* delegate) override;
  void Quit() override;
  void WakeUp() override;
  void WakeUpAt(const TimeTicks& delayed_work_time) override;

 protected:
  ~MessagePumpDefault() override;

 private:
  // Owning thread only; false once Quit was called, until Run returns.
  bool keep_running_ = true;
  // Auto-reset: one wait consumes one wake-up.
  WaitableEvent event_;
  // Owning thread only; null when no delayed work is pending.
  TimeTicks delayed_work_time_;
};

}  // namespace base

#endif  // BASE_MESSAGE_PUMP_DEFAULT_H_
