#include "base/message_loop.h"

#include <algorithm>
#include <utility>

#include "base/lazy_instance.h"
#include "base/logging.h"
#include "base/message_loop_proxy_impl.h"
#include "base/message_pump_default.h"
#include "base/run_loop.h"
#include "base/threading/thread_local.h"
#include "base/threading/thread_task_runner_handle.h"

namespace base {

namespace {

LazyInstance<ThreadLocalPointer<MessageLoop>> g_current_loop =
    LAZY_INSTANCE_INITIALIZER;

// Destroying a task may post another; give up after this many passes.
constexpr int kMaxDestructionPasses = 100;

template <class T>
void RemoveObserver(std::vector<T*>* observers, T* observer) {
  observers->erase(std::remove(observers->begin(), observers->end(), observer),
                   observers->end());
}

}  // namespace

MessageLoop::MessageLoop(Type type) : type_(type) {
  DCHECK_EQ(TYPE_DEFAULT, type_);
  pump_ = new MessagePumpDefault();
  Init();
}

MessageLoop::MessageLoop(scoped_refptr<MessagePump> pump)
    : type_(TYPE_DEFAULT), pump_(std::move(pump)) {
  Init();
}

void MessageLoop::Init() {
  DCHECK(!current()) << "should only have one message loop per thread";
  g_current_loop.Get().Set(this);
  message_loop_proxy_ = new MessageLoopProxyImpl();
  thread_task_runner_handle_ =
      std::make_unique<ThreadTaskRunnerHandle>(message_loop_proxy_);
}

MessageLoop::~MessageLoop() {
  DCHECK_EQ(this, current());
  DCHECK(!run_loop_);

  bool did_work = false;
  for (int i = 0; i < kMaxDestructionPasses; ++i) {
    DeletePendingTasks();
    ReloadWorkQueue();
    did_work = DeletePendingTasks();
    if (!did_work)
      break;
  }
  DCHECK(!did_work);

  for (size_t i = 0; i < destruction_observers_.size(); ++i)
    destruction_observers_[i]->WillDestroyCurrentMessageLoop();

  thread_task_runner_handle_.reset();
  message_loop_proxy_->WillDestroyCurrentMessageLoop();
  message_loop_proxy_ = nullptr;

  g_current_loop.Get().Set(nullptr);
}

MessageLoop* MessageLoop::current() {
  return g_current_loop.Get().Get();
}

void MessageLoop::PostTask(const Location& from_here, Closure task) {
  PostTaskHelper(from_here, std::move(task), TimeDelta(), true);
}

void MessageLoop::PostTaskAfter(const Location& from_here,
                                Closure task,
                                TimeDelta delay) {
  PostTaskHelper(from_here, std::move(task), delay, true);
}

void MessageLoop::PostTaskTopLevel(const Location& from_here, Closure task) {
  PostTaskHelper(from_here, std::move(task), TimeDelta(), false);
}

void MessageLoop::PostTaskTopLevelAfter(const Location& from_here,
                                        Closure task,
                                        TimeDelta delay) {
  PostTaskHelper(from_here, std::move(task), delay, false);
}

void MessageLoop::Run() {
  RunLoop run_loop;
  run_loop.Run();
}

void MessageLoop::Quit() {
  DCHECK_EQ(this, current());
  if (run_loop_) {
    run_loop_->quit_when_idle_received_ = true;
  } else {
    NOTREACHED() << "Must be inside Run to call Quit";
  }
}

void MessageLoop::QuitImmediately() {
  DCHECK_EQ(this, current());
  if (run_loop_) {
    pump_->Quit();
  } else {
    NOTREACHED() << "Must be inside Run to call Quit";
  }
}

void MessageLoop::SetNestableTasksAllowed(bool allowed) {
  nestable_tasks_allowed_ = allowed;
}

void MessageLoop::set_thread_name(const std::string& thread_name) {
  DCHECK(thread_name_.empty()) << "Should not rename this thread!";
  thread_name_ = thread_name;
}

scoped_refptr<MessageLoopProxy> MessageLoop::message_loop_proxy() const {
  return message_loop_proxy_;
}

void MessageLoop::AddTaskObserver(TaskObserver* observer) {
  task_observers_.push_back(observer);
  has_task_observers_.store(true, std::memory_order_relaxed);
}

void MessageLoop::RemoveTaskObserver(TaskObserver* observer) {
  RemoveObserver(&task_observers_, observer);
  has_task_observers_.store(!task_observers_.empty(),
                            std::memory_order_relaxed);
}

void MessageLoop::AddDestructionObserver(DestructionObserver* observer) {
  destruction_observers_.push_back(observer);
}

void MessageLoop::RemoveDestructionObserver(DestructionObserver* observer) {
  RemoveObserver(&destruction_observers_, observer);
}

bool MessageLoop::RunReadyWork() {
  if (!nestable_tasks_allowed_)
    return false;
  for (;;) {
    ReloadWorkQueue();
    if (work_queue_.empty())
      return false;
    do {
      QueuedTask queued_task = work_queue_.Pop();
      if (queued_task.delayed_run_time.is_null()) {
        // One task per call, so that delayed and idle work interleave.
        if (DeferOrRunTask(std::move(queued_task)))
          return true;
        continue;
      }
      const TimeTicks run_time = queued_task.delayed_run_time;
      const int32_t sequence_num = queued_task.sequence_num;
      delayed_work_queue_.Push(std::move(queued_task));
      if (delayed_work_queue_.top().sequence_num == sequence_num)
        pump_->WakeUpAt(run_time);
    } while (!work_queue_.empty());
  }
}

bool MessageLoop::RunDueDelayedWork(TimeTicks* next_delayed_work_time) {
  if (!nestable_tasks_allowed_ || delayed_work_queue_.empty()) {
    recent_time_ = *next_delayed_work_time = TimeTicks();
    return false;
  }

  // The clock is read only when the cached time says the top may not be due,
  // so a run of overdue tasks costs no clock reads.
  const TimeTicks next_run_time = delayed_work_queue_.top().delayed_run_time;
  if (next_run_time > recent_time_) {
    recent_time_ = TimeTicks::Now();
    if (next_run_time > recent_time_) {
      *next_delayed_work_time = next_run_time;
      return false;
    }
  }

  QueuedTask queued_task = delayed_work_queue_.Pop();
  if (!delayed_work_queue_.empty())
    *next_delayed_work_time = delayed_work_queue_.top().delayed_run_time;
  return DeferOrRunTask(std::move(queued_task));
}

bool MessageLoop::RunIdleWork() {
  if (run_loop_->run_depth_ == 1 &&
      !deferred_non_nestable_work_queue_.empty()) {
    QueuedTask queued_task = deferred_non_nestable_work_queue_.Pop();
    RunTask(queued_task);
    return true;
  }
  if (run_loop_->quit_when_idle_received_)
    pump_->Quit();
  return false;
}

void MessageLoop::PostTaskHelper(const Location& from_here,
                                 Closure task,
                                 TimeDelta delay,
                                 bool nestable) {
  DCHECK(!task.is_null()) << from_here.ToString();
  // The clock is read only when its value is used: for a delayed run time, or
  // for the time posted that task observers are shown. An immediate task
  // posted while no observer is registered keeps a null time posted. Zero and
  // negative delays mean "as soon as possible".
  const bool delayed = delay > TimeDelta();
  if (!delayed) {
    DCHECK(delay.InMilliseconds() == 0) << "delay should not be negative";
  }
  const TimeTicks now =
      delayed || has_task_observers_.load(std::memory_order_relaxed)
          ? TimeTicks::Now()
          : TimeTicks();
  QueuedTask queued_task(from_here, std::move(task), now,
                         delayed ? now + delay : TimeTicks(), nestable);
  AddToIncomingQueue(&queued_task);
}

void MessageLoop::AddToIncomingQueue(QueuedTask* queued_task) {
  // Only the post that makes the queue non-empty wakes the pump: the owning
  // thread drains the whole batch before it waits again.
  scoped_refptr<MessagePump> pump;
  {
    std::lock_guard<std::mutex> locked(incoming_queue_lock_);
    queued_task->sequence_num = next_sequence_num_;
    next_sequence_num_ =
        static_cast<int32_t>(static_cast<uint32_t>(next_sequence_num_) + 1u);
    const bool was_empty = incoming_queue_.empty();
    incoming_queue_.Push(std::move(*queued_task));
    if (!was_empty)
      return;
    pump = pump_;
  }
  // Outside the lock; the reference keeps the pump alive even if the loop
  // is destroyed meanwhile.
  pump->WakeUp();
}

void MessageLoop::ReloadWorkQueue() {
  if (!work_queue_.empty())
    return;
  std::lock_guard<std::mutex> locked(incoming_queue_lock_);
  if (incoming_queue_.empty())
    return;
  incoming_queue_.Swap(&work_queue_);
  DCHECK(incoming_queue_.empty());
}

bool MessageLoop::DeferOrRunTask(QueuedTask queued_task) {
  if (queued_task.nestable || run_loop_->run_depth_ == 1) {
    RunTask(queued_task);
    return true;
  }
  deferred_non_nestable_work_queue_.Push(std::move(queued_task));
  return false;
}

void MessageLoop::RunTask(const QueuedTask& queued_task) {
  DCHECK(nestable_tasks_allowed_);
  nestable_tasks_allowed_ = false;

  // Kept on the stack so that a crash dump shows where the task came from.
  const void* volatile program_counter =
      queued_task.posted_from.program_counter();
  (void)program_counter;

  for (size_t i = 0; i < task_observers_.size(); ++i)
    task_observers_[i]->WillProcessTask(queued_task.time_posted);
  queued_task.task.Run();
  for (size_t i = 0; i < task_observers_.size(); ++i)
    task_observers_[i]->DidProcessTask(queued_task.time_posted);

  nestable_tasks_allowed_ = true;
}

bool MessageLoop::DeletePendingTasks() {
  bool did_work = !work_queue_.empty();
  while (!work_queue_.empty()) {
    QueuedTask queued_task = work_queue_.Pop();
    // Delayed records go to the heap so that they are destroyed in due order.
    if (!queued_task.delayed_run_time.is_null())
      delayed_work_queue_.Push(std::move(queued_task));
  }
  did_work |= !deferred_non_nestable_work_queue_.empty();
  while (!deferred_non_nestable_work_queue_.empty())
    deferred_non_nestable_work_queue_.Pop();
  did_work |= !delayed_work_queue_.empty();
  while (!delayed_work_queue_.empty())
    delayed_work_queue_.Pop();
  return did_work;
}

ScopedNestableTaskAllower::ScopedNestableTaskAllower(MessageLoop* loop)
    : loop_(loop), old_state_(loop->NestableTasksAllowed()) {
  loop_->SetNestableTasksAllowed(true);
}

ScopedNestableTaskAllower::~ScopedNestableTaskAllower() {
  loop_->SetNestableTasksAllowed(old_state_);
}

}  // namespace base
