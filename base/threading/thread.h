// A thread with its own MessageLoop: Start creates the thread and returns once
// the loop exists and Init has run; Stop quits the loop after the work already
// queued and joins. Start, Stop and the destructor are for the owning thread;
// StopSoon and posting through message_loop_proxy() for any other thread.
#ifndef BASE_THREADING_THREAD_H_
#define BASE_THREADING_THREAD_H_

#include <atomic>
#include <cstddef>
#include <string>

#include "base/message_loop.h"
#include "base/message_loop_proxy.h"
#include "base/ref_counted.h"
#include "base/threading/platform_thread.h"

namespace base {

class Thread : public PlatformThread::Delegate {
 public:
  struct Options {
    Options() = default;
    Options(MessageLoop::Type type, size_t size)
        : message_loop_type(type), stack_size(size) {}

    MessageLoop::Type message_loop_type = MessageLoop::TYPE_DEFAULT;
    // 0: the system default.
    size_t stack_size = 0;
  };

  explicit Thread(const std::string& name);
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  // Stops the thread. A subclass that overrides Init, Run or CleanUp must
  // call Stop in its own destructor, while those overrides still exist.
  ~Thread() override;

  // False when the thread could not be created; the Thread stays stopped.
  bool Start();
  bool StartWithOptions(const Options& options);
  // Quits the loop once the queued work is done and joins the thread. Does
  // nothing when not started. The Thread may be started again afterwards.
  void Stop();
  // Asks the loop to quit once the queued work is done, without waiting.
  // Not from the thread itself.
  void StopSoon();

  // The thread's loop between Start and the end of the thread body.
  MessageLoop* message_loop() const { return message_loop_; }
  // The loop's task runner between Start and Stop; it refuses posts once the
  // loop has ended.
  scoped_refptr<MessageLoopProxy> message_loop_proxy() const {
    return message_loop_proxy_;
  }
  const std::string& thread_name() const { return name_; }
  // Valid once Start has returned.
  PlatformThreadId thread_id() const { return thread_id_; }
  // True from the end of Init to the end of Run.
  bool IsRunning() const { return running_; }

  void ThreadBody() override;

 protected:
  // Run on the thread before the loop runs; Start returns after it.
  virtual void Init() {}
  // Runs the loop; returns when it quits.
  virtual void Run(MessageLoop* message_loop);
  // Run on the thread after the loop has quit, while it still exists.
  virtual void CleanUp() {}

 private:
  struct StartupData;

  // Owning thread only.
  bool started_ = false;
  bool stopping_ = false;
  std::atomic<bool> running_{false};
  // Points at the starter's stack while a start is in progress.
  StartupData* startup_data_ = nullptr;
  PlatformThreadHandle thread_;
  // Written by the thread before Start returns and as its body ends.
  MessageLoop* message_loop_ = nullptr;
  // Set by the thread before Start returns, cleared by Stop after the join.
  scoped_refptr<MessageLoopProxy> message_loop_proxy_;
  PlatformThreadId thread_id_ = 0;
  const std::string name_;
};

}  // namespace base

#endif  // BASE_THREADING_THREAD_H_
