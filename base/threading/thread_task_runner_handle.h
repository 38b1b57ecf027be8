// Makes a thread's task runner (its loop's proxy) reachable from code on that
// thread. Created and destroyed on that thread by its MessageLoop; at most one
// per thread.
#ifndef BASE_THREADING_THREAD_TASK_RUNNER_HANDLE_H_
#define BASE_THREADING_THREAD_TASK_RUNNER_HANDLE_H_

#include "base/message_loop_proxy.h"
#include "base/ref_counted.h"

namespace base {

class ThreadTaskRunnerHandle {
 public:
  // The calling thread's task runner, or null when it has none.
  static scoped_refptr<MessageLoopProxy> Get();
  static bool IsSet();

  explicit ThreadTaskRunnerHandle(scoped_refptr<MessageLoopProxy> task_runner);
  ThreadTaskRunnerHandle(const ThreadTaskRunnerHandle&) = delete;
  ThreadTaskRunnerHandle& operator=(const ThreadTaskRunnerHandle&) = delete;
  ~ThreadTaskRunnerHandle();

 private:
  scoped_refptr<MessageLoopProxy> task_runner_;
};

}  // namespace base

#endif  // BASE_THREADING_THREAD_TASK_RUNNER_HANDLE_H_
