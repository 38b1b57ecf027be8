// The waiting half of a MessageLoop: Run calls back into the loop for work and
// sleeps when there is none. Shared by reference count between the loop and
// posting threads; WakeUp may be called from any thread, the rest only from
// the loop's own thread.
#ifndef BASE_MESSAGE_PUMP_H_
#define BASE_MESSAGE_PUMP_H_

#include "base/ref_counted.h"
#include "base/time.h"

namespace base {

class MessagePump : public RefCountedThreadSafe<MessagePump> {
 public:
  // Implemented by the loop; each call returns whether it did something.
  class Delegate {
   public:
    virtual ~Delegate() = default;
    virtual bool RunReadyWork() = 0;
    // |next_delayed_work_time| receives the run time of the next delayed task,
    // or null when there is none.
    virtual bool RunDueDelayedWork(TimeTicks* next_delayed_work_time) = 0;
    virtual bool RunIdleWork() = 0;
  };

  MessagePump() = default;
  MessagePump(const MessagePump&) = delete;
  MessagePump& operator=(const MessagePump&) = delete;

  // Runs until Quit is called from inside one of the delegate's calls.
  virtual void Run(Delegate* delegate) = 0;
  virtual void Quit() = 0;
  // There is immediate work: stop waiting. Any thread.
  virtual void WakeUp() = 0;
  // The earliest delayed work is due at |delayed_work_time|.
  virtual void WakeUpAt(const TimeTicks& delayed_work_time) = 0;

 protected:
  friend class RefCountedThreadSafe<MessagePump>;
  virtual ~MessagePump() = default;
};

}  // namespace base

#endif  // BASE_MESSAGE_PUMP_H_
