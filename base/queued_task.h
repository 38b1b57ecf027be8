// A task waiting in a MessageLoop, and the queues that hold such records: a
// FIFO and the delayed heap. Records are values owned by whichever queue holds
// them; the queues themselves are not thread-safe.
#ifndef BASE_QUEUED_TASK_H_
#define BASE_QUEUED_TASK_H_

#include <cstdint>
#include <cstddef>
#include <utility>
#include <vector>

#include "base/callback.h"
#include "base/location.h"
#include "base/time.h"

namespace base {

struct QueuedTask {
  QueuedTask(const Location& posted_from, Closure task, TimeTicks time_posted,
             TimeTicks delayed_run_time, bool nestable);

  // Delayed-heap order: the greatest record runs first, i.e. the earliest run
  // time and, at equal times, the one posted first, across a counter wrap.
  bool operator<(const QueuedTask& other) const;

  TimeTicks time_posted;
  // Null for an immediate task.
  TimeTicks delayed_run_time;
  Closure task;
  Location posted_from;
  // Assigned when the record enters the loop's incoming queue.
  int32_t sequence_num = 0;
  // False for tasks that may run only in the outermost run loop.
  bool nestable;
};

// FIFO of records. Swap hands the whole content to another queue in one step;
// storage is reused once a queue has been emptied, so a steady stream of
// batches allocates nothing for the queues themselves.
class TaskQueue {
 public:
  bool empty() const { return front_ == tasks_.size(); }
  void Push(QueuedTask task) { tasks_.push_back(std::move(task)); }
  QueuedTask Pop();
  void Swap(TaskQueue* other);

 private:
  std::vector<QueuedTask> tasks_;
  // Index of the first record not yet popped; the ones before it are empty.
  size_t front_ = 0;
};

// Max-heap of delayed records; Pop moves the top out instead of copying it.
class DelayedTaskQueue {
 public:
  bool empty() const { return heap_.empty(); }
  const QueuedTask& top() const { return heap_.front(); }
  void Push(QueuedTask task);
  QueuedTask Pop();

 private:
  std::vector<QueuedTask> heap_;
};

}  // namespace base

#endif  // BASE_QUEUED_TASK_H_
