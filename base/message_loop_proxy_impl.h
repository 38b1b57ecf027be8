// The task runner of a MessageLoop: forwards posts to the loop while it exists.
// Created by the loop on its own thread; the loop detaches it when destroyed.
// Any thread may post through it.
#ifndef BASE_MESSAGE_LOOP_PROXY_IMPL_H_
#define BASE_MESSAGE_LOOP_PROXY_IMPL_H_

#include "base/message_loop.h"
#include "base/message_loop_proxy.h"
#include "base/synchronization/lock.h"

namespace base {

class MessageLoopProxyImpl : public MessageLoopProxy {
 public:
  bool PostTask(const Location& from_here, Closure task) override;
  bool PostTaskAfter(const Location& from_here,
                     Closure task,
                     TimeDelta delay) override;
  bool PostTaskTopLevel(const Location& from_here, Closure task) override;
  bool PostTaskTopLevelAfter(const Location& from_here,
                             Closure task,
                             TimeDelta delay) override;
  bool BelongsToCurrentThread() override;

 protected:
  void OnDestruct() const override;

 private:
  friend class MessageLoop;
  friend struct internal::DeleteHelper<MessageLoopProxyImpl>;

  // Targets the calling thread's loop.
  MessageLoopProxyImpl();
  ~MessageLoopProxyImpl() override;

  // Called by the loop as it is destroyed: later posts return false.
  void WillDestroyCurrentMessageLoop();

  bool PostTaskHelper(const Location& from_here,
                      Closure task,
                      TimeDelta delay,
                      bool nestable);

  mutable Lock message_loop_lock_;
  // Guarded by message_loop_lock_.
  MessageLoop* target_message_loop_;
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_PROXY_IMPL_H_
