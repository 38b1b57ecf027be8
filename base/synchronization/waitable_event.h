// An event that threads wait on until another thread signals it, like a
// system event object: manual-reset events stay signalled until Reset();
// auto-reset events release one waiter and reset themselves. Owned by its
// creator; any thread may signal, reset or wait on it.
#ifndef BASE_SYNCHRONIZATION_WAITABLE_EVENT_H_
#define BASE_SYNCHRONIZATION_WAITABLE_EVENT_H_

#include <condition_variable>
#include <mutex>

#include "base/time.h"

namespace base {

class WaitableEvent {
 public:
  WaitableEvent(bool manual_reset, bool initially_signaled);
  WaitableEvent(const WaitableEvent&) = delete;
  WaitableEvent& operator=(const WaitableEvent&) = delete;

  void Signal();
  void Reset();
  // Polls the event; on an auto-reset event a true result consumes the
  // signal, as a zero time-out wait does.
  bool IsSignaled();
  void Wait();
  // Waits at most |max_time|, rounded up to whole milliseconds. True when
  // the event was signalled, false on time-out.
  bool TimedWait(TimeDelta max_time);

 private:
  const bool manual_reset_;
  std::mutex lock_;
  std::condition_variable signaled_changed_;
  bool signaled_;  // Guarded by lock_.
};

}  // namespace base

#endif  // BASE_SYNCHRONIZATION_WAITABLE_EVENT_H_
