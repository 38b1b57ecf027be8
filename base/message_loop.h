// A per-thread task queue. Any thread may post tasks; the owning thread (the
// one that constructed the loop, which also destroys it) runs them one at a
// time in posting order, with delayed tasks, nested RunLoops and quitting.
#ifndef BASE_MESSAGE_LOOP_H_
#define BASE_MESSAGE_LOOP_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/callback.h"
#include "base/location.h"
#include "base/message_pump.h"
#include "base/queued_task.h"
#include "base/ref_counted.h"
#include "base/time.h"

namespace base {

class MessageLoopProxy;
class MessageLoopProxyImpl;
class RunLoop;
class ThreadTaskRunnerHandle;

namespace internal {

template <class T>
struct DeleteHelper {
  static void DoDelete(const void* object) {
    delete static_cast<const T*>(object);
  }
};

}  // namespace internal

class MessageLoop : public MessagePump::Delegate {
 public:
  enum Type {
    TYPE_DEFAULT = 0,
  };

  // Told before and after each task, on the owning thread. The time posted is
  // read from the clock only while an observer is registered: a task posted
  // while there is none (or while one is being added) shows a null time.
  class TaskObserver {
   public:
    virtual void WillProcessTask(TimeTicks time_posted) = 0;
    virtual void DidProcessTask(TimeTicks time_posted) = 0;

   protected:
    virtual ~TaskObserver() = default;
  };

  // Told once, on the owning thread, after the pending tasks are destroyed
  // and before the loop itself goes away.
  class DestructionObserver {
   public:
    virtual void WillDestroyCurrentMessageLoop() = 0;

   protected:
    virtual ~DestructionObserver() = default;
  };

  explicit MessageLoop(Type type = TYPE_DEFAULT);
  // A TYPE_DEFAULT loop driven by |pump|, for tests that watch the pump.
  explicit MessageLoop(scoped_refptr<MessagePump> pump);
  MessageLoop(const MessageLoop&) = delete;
  MessageLoop& operator=(const MessageLoop&) = delete;
  // Destroys every task still queued (tasks destroyed may post more; those
  // are destroyed too, within 100 passes).
  ~MessageLoop() override;

  // The loop of the calling thread, or null.
  static MessageLoop* current();

  // Any thread. The loop keeps the only reference to |task|.
  void PostTask(const Location& from_here, Closure task);
  void PostTaskAfter(const Location& from_here, Closure task, TimeDelta delay);
  // Tasks that run only in the outermost run loop.
  void PostTaskTopLevel(const Location& from_here, Closure task);
  void PostTaskTopLevelAfter(const Location& from_here,
                             Closure task,
                             TimeDelta delay);

  // Deletes |object| from a top-level task on this loop. An object whose task
  // never runs (the loop is destroyed first) is not deleted.
  template <class T>
  void DeleteLater(const Location& from_here, const T* object) {
    PostTaskTopLevel(from_here, Bind(&internal::DeleteHelper<T>::DoDelete,
                                     static_cast<const void*>(object)));
  }

  // Owning thread. Runs until Quit or QuitImmediately.
  void Run();
  // Quits the innermost run loop once no immediate or due delayed work is left.
  void Quit();
  // Quits the innermost run loop after the current task.
  void QuitImmediately();

  // Owning thread. While a task runs, nested run loops run nothing unless it
  // allows nestable tasks (see ScopedNestableTaskAllower).
  void SetNestableTasksAllowed(bool allowed);
  bool NestableTasksAllowed() const { return nestable_tasks_allowed_; }

  Type type() const { return type_; }

  // Set once, by the owning Thread.
  void set_thread_name(const std::string& thread_name);
  const std::string& thread_name() const { return thread_name_; }

  // The loop's thread-safe task runner; it outlives the loop and refuses
  // posts once the loop is gone.
  scoped_refptr<MessageLoopProxy> message_loop_proxy() const;

  // Owning thread; observers must not be added or removed while notified.
  void AddTaskObserver(TaskObserver* observer);
  void RemoveTaskObserver(TaskObserver* observer);
  void AddDestructionObserver(DestructionObserver* observer);
  void RemoveDestructionObserver(DestructionObserver* observer);

  // MessagePump::Delegate, owning thread.
  bool RunReadyWork() override;
  bool RunDueDelayedWork(TimeTicks* next_delayed_work_time) override;
  bool RunIdleWork() override;

 private:
  friend class RunLoop;
  friend class MessageLoopProxyImpl;

  static constexpr size_t kCacheLineSize = 64;

  void Init();
  void PostTaskHelper(const Location& from_here,
                      Closure task,
                      TimeDelta delay,
                      bool nestable);
  void AddToIncomingQueue(QueuedTask* queued_task);
  // Moves the incoming queue into the empty work queue in one step.
  void ReloadWorkQueue();
  // Runs |queued_task| (returns true) unless it is non-nestable and a nested
  // loop is running, in which case it is deferred (returns false).
  bool DeferOrRunTask(QueuedTask queued_task);
  void RunTask(const QueuedTask& queued_task);
  // Destroys every queued record; returns whether there were any.
  bool DeletePendingTasks();

  Type type_;

  // Owning thread only: work_queue_, delayed_work_queue_, recent_time_,
  // deferred_non_nestable_work_queue_, observers, run_loop_.
  TaskQueue work_queue_;
  DelayedTaskQueue delayed_work_queue_;
  // Cached tick time, refreshed only when the top delayed task may not be due.
  TimeTicks recent_time_;
  TaskQueue deferred_non_nestable_work_queue_;

  scoped_refptr<MessagePump> pump_;
  std::vector<DestructionObserver*> destruction_observers_;
  bool nestable_tasks_allowed_ = true;
  std::string thread_name_;
  RunLoop* run_loop_ = nullptr;

  std::vector<TaskObserver*> task_observers_;

  // What posting threads touch sits on cache lines of its own, so that the
  // owning thread's writes while it runs tasks do not slow every post down.
  // The incoming queue's lock is never taken twice by one thread.
  alignas(kCacheLineSize) std::mutex incoming_queue_lock_;
  // Guarded by incoming_queue_lock_.
  TaskQueue incoming_queue_;
  // Guarded by incoming_queue_lock_; wraps past its largest value.
  int32_t next_sequence_num_ = 0;
  // Written by the owning thread, read by posting threads: whether posts need
  // to read the clock for the time posted.
  std::atomic<bool> has_task_observers_{false};

  // Owning thread again, from the next cache line on.
  alignas(kCacheLineSize)
      scoped_refptr<MessageLoopProxyImpl> message_loop_proxy_;
  std::unique_ptr<ThreadTaskRunnerHandle> thread_task_runner_handle_;
};

// Lets a task run a nested loop that runs tasks, for the scope's lifetime.
class ScopedNestableTaskAllower {
 public:
  explicit ScopedNestableTaskAllower(MessageLoop* loop);
  ScopedNestableTaskAllower(const ScopedNestableTaskAllower&) = delete;
  ScopedNestableTaskAllower& operator=(const ScopedNestableTaskAllower&) =
      delete;
  ~ScopedNestableTaskAllower();

 private:
  MessageLoop* loop_;
  bool old_state_;
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_H_
