// A thread-safe handle for posting tasks to one MessageLoop. It may outlive
// the loop: posts then return false and destroy the task. Any thread may hold
// references and post.
#ifndef BASE_MESSAGE_LOOP_PROXY_H_
#define BASE_MESSAGE_LOOP_PROXY_H_

#include "base/callback.h"
#include "base/location.h"
#include "base/ref_counted.h"
#include "base/time.h"

namespace base {

class MessageLoopProxy;

// The last reference hands the proxy to OnDestruct, which picks the thread
// that deletes it.
struct MessageLoopProxyTraits {
  static void Destruct(const MessageLoopProxy* proxy);
};

class MessageLoopProxy
    : public RefCountedThreadSafe<MessageLoopProxy, MessageLoopProxyTraits> {
 public:
  MessageLoopProxy(const MessageLoopProxy&) = delete;
  MessageLoopProxy& operator=(const MessageLoopProxy&) = delete;

  // Each returns true when the task was queued; false when the loop is gone,
  // in which case the task has been destroyed.
  virtual bool PostTask(const Location& from_here, Closure task) = 0;
  virtual bool PostTaskAfter(const Location& from_here,
                             Closure task,
                             TimeDelta delay) = 0;
  virtual bool PostTaskTopLevel(const Location& from_here, Closure task) = 0;
  virtual bool PostTaskTopLevelAfter(const Location& from_here,
                                     Closure task,
                                     TimeDelta delay) = 0;
  // Whether the caller runs on the target loop's thread.
  virtual bool BelongsToCurrentThread() = 0;

 protected:
  friend struct MessageLoopProxyTraits;

  MessageLoopProxy() = default;
  virtual ~MessageLoopProxy() = default;

  // Called on the last release, from whichever thread released it.
  virtual void OnDestruct() const = 0;
};

inline void MessageLoopProxyTraits::Destruct(const MessageLoopProxy* proxy) {
  proxy->OnDestruct();
}

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_PROXY_H_
