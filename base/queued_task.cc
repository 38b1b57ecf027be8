#include "base/queued_task.h"

#include <algorithm>
#include <utility>

namespace base {

QueuedTask::QueuedTask(const Location& posted_from,
                       Closure task,
                       TimeTicks time_posted,
                       TimeTicks delayed_run_time,
                       bool nestable)
    : time_posted(time_posted),
      delayed_run_time(delayed_run_time),
      task(std::move(task)),
      posted_from(posted_from),
      nestable(nestable) {}

bool QueuedTask::operator<(const QueuedTask& other) const {
  if (delayed_run_time < other.delayed_run_time)
    return false;
  if (delayed_run_time > other.delayed_run_time)
    return true;
  // Wrapping difference, so that a number handed out just after the counter
  // wrapped still counts as later than one handed out just before.
  const uint32_t difference = static_cast<uint32_t>(sequence_num) -
                              static_cast<uint32_t>(other.sequence_num);
  return static_cast<int32_t>(difference) > 0;
}

QueuedTask TaskQueue::Pop() {
  QueuedTask front = std::move(tasks_.front());
  tasks_.pop_front();
  return front;
}

void DelayedTaskQueue::Push(QueuedTask task) {
  heap_.push_back(std::move(task));
  std::push_heap(heap_.begin(), heap_.end());
}

QueuedTask DelayedTaskQueue::Pop() {
  std::pop_heap(heap_.begin(), heap_.end());
  QueuedTask top = std::move(heap_.back());
  heap_.pop_back();
  return top;
}

}  // namespace base
