#include "base/message_loop_proxy_impl.h"

#include <utility>

namespace base {

MessageLoopProxyImpl::MessageLoopProxyImpl()
    : target_message_loop_(MessageLoop::current()) {}

MessageLoopProxyImpl::~MessageLoopProxyImpl() = default;

bool MessageLoopProxyImpl::PostTask(const Location& from_here, Closure task) {
  return PostTaskHelper(from_here, std::move(task), TimeDelta(), true);
}

bool MessageLoopProxyImpl::PostTaskAfter(const Location& from_here,
                                         Closure task,
                                         TimeDelta delay) {
  return PostTaskHelper(from_here, std::move(task), delay, true);
}

bool MessageLoopProxyImpl::PostTaskTopLevel(const Location& from_here,
                                            Closure task) {
  return PostTaskHelper(from_here, std::move(task), TimeDelta(), false);
}

bool MessageLoopProxyImpl::PostTaskTopLevelAfter(const Location& from_here,
                                                 Closure task,
                                                 TimeDelta delay) {
  return PostTaskHelper(from_here, std::move(task), delay, false);
}

bool MessageLoopProxyImpl::BelongsToCurrentThread() {
  AutoLock locked(message_loop_lock_);
  return target_message_loop_ && target_message_loop_ == MessageLoop::current();
}

void MessageLoopProxyImpl::OnDestruct() const {
  {
    AutoLock locked(message_loop_lock_);
    if (target_message_loop_ &&
        target_message_loop_ != MessageLoop::current()) {
      target_message_loop_->DeleteLater(
          FROM_HERE_WITH_FUNCTION("base::MessageLoopProxyImpl::OnDestruct"),
          this);
      return;
    }
  }
  // Outside the lock: the lock is part of what is deleted.
  delete this;
}

void MessageLoopProxyImpl::WillDestroyCurrentMessageLoop() {
  AutoLock locked(message_loop_lock_);
  target_message_loop_ = nullptr;
}

bool MessageLoopProxyImpl::PostTaskHelper(const Location& from_here,
                                          Closure task,
                                          TimeDelta delay,
                                          bool nestable) {
  // A refused |task| is destroyed with this parameter, after the lock is
  // released, so that its destructor may post again.
  AutoLock locked(message_loop_lock_);
  if (!target_message_loop_)
    return false;
  target_message_loop_->PostTaskHelper(from_here, std::move(task), delay,
                                       nestable);
  return true;
}

}  // namespace base
