// A task waiting in a MessageLoop, and the queues that hold such records: a
// FIFO and the delayed heap. Records are values owned by whichever queue holds
// them; the queues themselves are not thread-safe.
#ifndef BASE_QUEUED_TASK_H_
#define BASE_QUEUED_TASK_H_

#include <cstdint>
#include <deque>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/callback.h"
#include "base/location.h"
#include "base/time.h"

namespace base {

struct QueuedTask {
  QueuedTask(const Location& posted_from,
             Closure task,
             TimeTicks time_posted,
             TimeTicks delayed_run_time,
             bool nestable);

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

// Records are moved, never copied, through the queues and the heap; a copy
// would add and later drop a reference on the task's shared bound state.
static_assert(std::is_nothrow_move_constructible<QueuedTask>::value &&
                  std::is_nothrow_move_assignable<QueuedTask>::value,
              "queues must be able to move records without copying them");

// FIFO of records. Swap hands the whole content to another queue in one step.
// Storage comes in small blocks, given back as the records are popped: a burst
// neither moves the records it already holds nor pins its memory afterwards.
class TaskQueue {
 public:
  bool empty() const { return tasks_.empty(); }
  void Push(QueuedTask task) { tasks_.push_back(std::move(task)); }
  QueuedTask Pop();
  void Swap(TaskQueue* other) { tasks_.swap(other->tasks_); }

 private:
  std::deque<QueuedTask> tasks_;
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
