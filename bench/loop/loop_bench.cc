// Throughput of the framework's task loop against a plain mutex-and-condition-
// variable queue: a second thread posts 1,000,000 empty tasks to a consumer
// thread, which runs them. Prints tasks per second of both and, last, their
// ratio (framework loop over plain queue), best of a few alternating rounds.
// Like for like, each side posts copies of one task made before the clock
// starts: a copied Closure adds a reference to its shared bound state, a copied
// std::function of an empty lambda copies it in place. Neither allocates per
// post, so the figures compare the queues, not Bind against a lambda; binding
// afresh for every post would add one allocation per task to the loop only.
// On both sides the poster and the consumer are pinned to cores of their own,
// so that the scheduler's placement of the two threads, which otherwise
// swings either figure by a factor of two, does not decide the ratio.
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "base/bind.h"
#include "base/message_loop_proxy.h"
#include "base/synchronization/waitable_event.h"
#include "base/threading/thread.h"

namespace {

constexpr int kTasks = 1000000;
constexpr int kRounds = 9;

using Clock = std::chrono::steady_clock;

void EmptyTask() {}

// Keeps the calling thread on |cpu| (of the two this machine has at least).
void PinToCpu(int cpu) {
  cpu_set_t set;
  CPU_ZERO(&set);
  CPU_SET(cpu % std::max(1u, std::thread::hardware_concurrency()), &set);
  sched_setaffinity(0, sizeof(set), &set);
}

void PinConsumer() {
  PinToCpu(1);
}

void SignalDone(base::WaitableEvent* done) {
  done->Signal();
}

// Seconds from the first post until the consumer has run the last task.
double TimeFrameworkLoop() {
  base::Thread thread("LoopBench");
  if (!thread.Start())
    return -1;
  base::WaitableEvent done(true, false);
  base::MessageLoop* loop = thread.message_loop();
  const base::Closure task = base::Bind(&EmptyTask);
  loop->PostTask(FROM_HERE, base::Bind(&PinConsumer));
  const Clock::time_point start = Clock::now();
  std::thread poster([loop, &done, task] {
    PinToCpu(0);
    for (int i = 0; i < kTasks; ++i)
      loop->PostTask(FROM_HERE, task);
    loop->PostTask(FROM_HERE, base::Bind(&SignalDone, &done));
  });
  const bool finished = done.TimedWait(base::TimeDelta::FromMinutes(5));
  const double seconds =
      std::chrono::duration<double>(Clock::now() - start).count();
  poster.join();
  thread.Stop();
  return finished ? seconds : -1;
}

// The reference: one lock per push and per pop, a wake-up when the queue
// becomes non-empty.
class PlainQueue {
 public:
  void Push(std::function<void()> task) {
    bool was_empty;
    {
      std::lock_guard<std::mutex> hold(lock_);
      was_empty = tasks_.empty();
      tasks_.push_back(std::move(task));
    }
    if (was_empty)
      not_empty_.notify_one();
  }

  std::function<void()> Pop() {
    std::unique_lock<std::mutex> hold(lock_);
    not_empty_.wait(hold, [this] { return !tasks_.empty(); });
    std::function<void()> task = std::move(tasks_.front());
    tasks_.pop_front();
    return task;
  }

 private:
  std::mutex lock_;
  std::condition_variable not_empty_;
  std::deque<std::function<void()>> tasks_;
};

double TimePlainQueue() {
  PlainQueue queue;
  bool stop = false;
  std::thread consumer([&queue, &stop] {
    PinConsumer();
    while (!stop)
      queue.Pop()();
  });
  base::WaitableEvent done(true, false);
  const std::function<void()> task = [] {};
  const Clock::time_point start = Clock::now();
  std::thread poster([&queue, &done, &stop, task] {
    PinToCpu(0);
    for (int i = 0; i < kTasks; ++i)
      queue.Push(task);
    queue.Push([&done, &stop] {
      stop = true;
      done.Signal();
    });
  });
  const bool finished = done.TimedWait(base::TimeDelta::FromMinutes(5));
  const double seconds =
      std::chrono::duration<double>(Clock::now() - start).count();
  poster.join();
  consumer.join();
  return finished ? seconds : -1;
}

}  // namespace

int main() {
  double best_loop = 1e9;
  double best_plain = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    const double loop_seconds = TimeFrameworkLoop();
    const double plain_seconds = TimePlainQueue();
    if (loop_seconds <= 0 || plain_seconds <= 0) {
      std::fprintf(stderr, "a run did not finish\n");
      return 1;
    }
    best_loop = std::min(best_loop, loop_seconds);
    best_plain = std::min(best_plain, plain_seconds);
  }
  const double loop_rate = kTasks / best_loop;
  const double plain_rate = kTasks / best_plain;
  std::printf("framework loop: %.0f tasks/s\n", loop_rate);
  std::printf("plain queue:    %.0f tasks/s\n", plain_rate);
  std::printf("ratio: %.3f\n", loop_rate / plain_rate);
  return 0;
}
