#include "base/message_loop.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/bind.h"
#include "base/message_loop_proxy.h"
#include "base/message_pump_default.h"
#include "base/ref_counted.h"
#include "base/run_loop.h"
#include "base/synchronization/waitable_event.h"
#include "base/threading/thread_task_runner_handle.h"

namespace base {
namespace {

const TimeDelta kDeadline = TimeDelta::FromSeconds(20);

void FailOnDeadline(MessageLoop* loop) {
  ADD_FAILURE() << "the loop did not quit before its deadline";
  loop->QuitImmediately();
}

// Runs |loop| until it quits; a loop that never quits fails the test.
void RunWithDeadline(MessageLoop* loop) {
  loop->PostTaskAfter(FROM_HERE, Bind(&FailOnDeadline, loop), kDeadline);
  loop->Run();
}

void Record(std::vector<int>* order, int id) {
  order->push_back(id);
}

void QuitLoop(MessageLoop* loop) {
  loop->Quit();
}

void SleepFor(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Sets a flag when its last reference goes; bound into tasks to see when
// the loop destroys them.
class DestructionFlag : public RefCountedThreadSafe<DestructionFlag> {
 public:
  explicit DestructionFlag(std::atomic<int>* destroyed)
      : destroyed_(destroyed) {}
  void Run(std::vector<int>* order, int id) { order->push_back(id); }

 private:
  friend class RefCountedThreadSafe<DestructionFlag>;
  ~DestructionFlag() { ++*destroyed_; }

  std::atomic<int>* destroyed_;
};

void Nothing() {}

TEST(MessageLoopTest, TasksRunInPostingOrder) {
  MessageLoop loop;
  std::vector<int> order;
  std::vector<int> expected;
  for (int i = 0; i < 100; ++i) {
    loop.PostTask(FROM_HERE, Bind(&Record, &order, i));
    expected.push_back(i);
  }
  loop.PostTask(FROM_HERE, Bind(&QuitLoop, &loop));
  RunWithDeadline(&loop);
  EXPECT_EQ(expected, order);
}

TEST(MessageLoopTest, TasksPostedFromAnotherThreadRunInItsPostingOrder) {
  MessageLoop loop;
  std::vector<int> order;
  std::vector<int> expected;
  for (int i = 0; i < 5000; ++i)
    expected.push_back(i);

  std::thread poster([&loop, &order] {
    for (int i = 0; i < 5000; ++i)
      loop.PostTask(FROM_HERE, Bind(&Record, &order, i));
    loop.PostTask(FROM_HERE, Bind(&QuitLoop, &loop));
  });
  RunWithDeadline(&loop);
  poster.join();
  EXPECT_EQ(expected, order);
}

TEST(MessageLoopTest, DelayedTasksRunByRunTimeThenPostingOrder) {
  MessageLoop loop;
  std::vector<int> order;
  loop.PostTaskAfter(FROM_HERE, Bind(&Record, &order, 100),
                     TimeDelta::FromMilliseconds(60));
  for (int i = 0; i < 20; ++i) {
    loop.PostTaskAfter(FROM_HERE, Bind(&Record, &order, i),
                       TimeDelta::FromMilliseconds(10));
  }
  loop.PostTask(FROM_HERE, Bind(&Record, &order, -1));
  loop.PostTaskAfter(FROM_HERE, Bind(&QuitLoop, &loop),
                     TimeDelta::FromMilliseconds(60));
  RunWithDeadline(&loop);

  std::vector<int> expected = {-1};
  for (int i = 0; i < 20; ++i)
    expected.push_back(i);
  expected.push_back(100);
  EXPECT_EQ(expected, order);
}

TEST(MessageLoopTest, OverdueDelayedTaskRunsBeforeQuitWhenIdle) {
  MessageLoop loop;
  std::vector<int> order;
  loop.PostTaskAfter(FROM_HERE, Bind(&Record, &order, 2),
                     TimeDelta::FromMilliseconds(1));
  loop.PostTask(FROM_HERE, Bind(&SleepFor, 20));
  loop.PostTask(FROM_HERE, Bind(&Record, &order, 1));
  loop.PostTask(FROM_HERE, Bind(&QuitLoop, &loop));
  RunWithDeadline(&loop);
  EXPECT_EQ((std::vector<int>{2, 1}), order);
}

TEST(MessageLoopTest, QuitBehindQueuedTasksRunsThemAndDestroysUndueOnes) {
  std::atomic<int> destroyed{0};
  std::vector<int> order;
  {
    MessageLoop loop;
    loop.PostTask(FROM_HERE, Bind(&Record, &order, 1));
    loop.PostTask(FROM_HERE, Bind(&QuitLoop, &loop));
    loop.PostTask(FROM_HERE, Bind(&Record, &order, 2));
    scoped_refptr<DestructionFlag> undue = new DestructionFlag(&destroyed);
    loop.PostTaskAfter(FROM_HERE, Bind(&DestructionFlag::Run, undue, &order, 3),
                       TimeDelta::FromHours(1));
    undue = nullptr;
    RunWithDeadline(&loop);
    EXPECT_EQ((std::vector<int>{1, 2}), order);
    EXPECT_EQ(0, destroyed);
  }
  EXPECT_EQ(1, destroyed);
}

void RunNestedLoop(MessageLoop* loop, std::vector<int>* order) {
  order->push_back(1);
  loop->PostTaskTopLevel(FROM_HERE, Bind(&Record, order, 4));
  loop->PostTask(FROM_HERE, Bind(&Record, order, 2));
  loop->PostTask(FROM_HERE, Bind(&QuitLoop, loop));
  {
    ScopedNestableTaskAllower allow(loop);
    RunLoop().Run();
  }
  order->push_back(3);
  loop->PostTask(FROM_HERE, Bind(&QuitLoop, loop));
}

TEST(MessageLoopTest, TopLevelTaskPostedInANestedLoopRunsAfterItReturns) {
  MessageLoop loop;
  std::vector<int> order;
  loop.PostTask(FROM_HERE, Bind(&RunNestedLoop, &loop, &order));
  RunWithDeadline(&loop);
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4}), order);
}

void QuitOuterFromNested(RunLoop* outer, std::vector<int>* order) {
  MessageLoop* loop = MessageLoop::current();
  ScopedNestableTaskAllower allow(loop);
  RunLoop nested;
  loop->PostTask(FROM_HERE, Bind(&RunLoop::Quit, outer));
  loop->PostTask(FROM_HERE, Bind(&Record, order, 1));
  loop->PostTask(FROM_HERE, Bind(&RunLoop::Quit, &nested));
  loop->PostTask(FROM_HERE, Bind(&Record, order, 3));
  nested.Run();
  order->push_back(2);
}

TEST(MessageLoopTest, QuittingAnOuterRunLoopTakesEffectWhenTheInnerReturns) {
  MessageLoop loop;
  std::vector<int> order;
  RunLoop outer;
  loop.PostTask(FROM_HERE, Bind(&QuitOuterFromNested, &outer, &order));
  loop.PostTaskAfter(FROM_HERE, Bind(&FailOnDeadline, &loop), kDeadline);
  outer.Run();
  EXPECT_EQ((std::vector<int>{1, 2}), order);
}

TEST(MessageLoopTest, RunLoopQuitBeforeRunReturnsAtOnce) {
  MessageLoop loop;
  std::vector<int> order;
  loop.PostTask(FROM_HERE, Bind(&Record, &order, 1));
  RunLoop run_loop;
  run_loop.Quit();
  run_loop.Run();
  EXPECT_TRUE(order.empty());
}

// Posts the next generation of itself from its destructor.
class Reposter : public RefCountedThreadSafe<Reposter> {
 public:
  Reposter(scoped_refptr<MessageLoopProxy> proxy,
           int generations_left,
           std::atomic<int>* destroyed,
           std::atomic<int>* accepted)
      : proxy_(std::move(proxy)),
        generations_left_(generations_left),
        destroyed_(destroyed),
        accepted_(accepted) {}
  void Run() {}

 private:
  friend class RefCountedThreadSafe<Reposter>;
  ~Reposter() {
    ++*destroyed_;
    if (generations_left_ == 0)
      return;
    scoped_refptr<Reposter> next =
        new Reposter(proxy_, generations_left_ - 1, destroyed_, accepted_);
    if (proxy_->PostTask(FROM_HERE, Bind(&Reposter::Run, next)))
      ++*accepted_;
  }

  scoped_refptr<MessageLoopProxy> proxy_;
  int generations_left_;
  std::atomic<int>* destroyed_;
  std::atomic<int>* accepted_;
};

TEST(MessageLoopTest, TasksPostedByDestroyedTasksAreDestroyedToo) {
  std::atomic<int> destroyed{0};
  std::atomic<int> accepted{0};
  {
    MessageLoop loop;
    scoped_refptr<Reposter> first =
        new Reposter(loop.message_loop_proxy(), 5, &destroyed, &accepted);
    loop.PostTask(FROM_HERE, Bind(&Reposter::Run, first));
    loop.PostTaskAfter(FROM_HERE, Bind(&Reposter::Run, first),
                       TimeDelta::FromHours(1));
  }
  EXPECT_EQ(6, destroyed);
  EXPECT_EQ(5, accepted);
}

TEST(MessageLoopTest, EndlessDestructionRepostingEndsWithinThePassLimit) {
  const int kGenerations = 400;
  std::atomic<int> destroyed{0};
  std::atomic<int> accepted{0};
  {
    MessageLoop loop;
    scoped_refptr<Reposter> first = new Reposter(
        loop.message_loop_proxy(), kGenerations, &destroyed, &accepted);
    loop.PostTask(FROM_HERE, Bind(&Reposter::Run, first));
  }
  // The loop gave up after its passes; what was still posted afterwards
  // was refused by the detached proxy and destroyed at once.
  EXPECT_EQ(kGenerations + 1, destroyed);
  EXPECT_LE(accepted, 100);
  EXPECT_GT(accepted, 0);
}

TEST(MessageLoopTest, ProxyPostAfterTheLoopIsGoneFailsAndDestroysTheTask) {
  std::atomic<int> destroyed{0};
  std::vector<int> order;
  scoped_refptr<MessageLoopProxy> proxy;
  {
    MessageLoop loop;
    proxy = loop.message_loop_proxy();
    EXPECT_TRUE(proxy->BelongsToCurrentThread());
  }
  scoped_refptr<DestructionFlag> flag = new DestructionFlag(&destroyed);
  EXPECT_FALSE(
      proxy->PostTask(FROM_HERE, Bind(&DestructionFlag::Run, flag, &order, 1)));
  EXPECT_FALSE(proxy->PostTaskAfter(FROM_HERE, Bind(&Nothing),
                                    TimeDelta::FromSeconds(1)));
  EXPECT_FALSE(proxy->PostTaskTopLevel(FROM_HERE, Bind(&Nothing)));
  EXPECT_FALSE(proxy->BelongsToCurrentThread());
  flag = nullptr;
  EXPECT_EQ(1, destroyed);
  EXPECT_TRUE(order.empty());
}

TEST(MessageLoopTest, ProxyPostsRunOnTheLoopFromAnyThread) {
  MessageLoop loop;
  scoped_refptr<MessageLoopProxy> proxy = loop.message_loop_proxy();
  std::vector<int> order;
  bool posted = false;
  bool belongs_elsewhere = true;
  std::thread poster([&] {
    belongs_elsewhere = proxy->BelongsToCurrentThread();
    posted = proxy->PostTaskTopLevel(FROM_HERE, Bind(&Record, &order, 1)) &&
             proxy->PostTask(FROM_HERE, Bind(&QuitLoop, &loop));
  });
  poster.join();
  RunWithDeadline(&loop);
  EXPECT_TRUE(posted);
  EXPECT_FALSE(belongs_elsewhere);
  EXPECT_EQ((std::vector<int>{1}), order);
}

class CountingPump : public MessagePumpDefault {
 public:
  void WakeUp() override {
    ++wake_ups_;
    MessagePumpDefault::WakeUp();
  }
  int wake_ups() const { return wake_ups_; }

 private:
  ~CountingPump() override = default;
  std::atomic<int> wake_ups_{0};
};

void BlockUntil(WaitableEvent* entered, WaitableEvent* release) {
  entered->Signal();
  EXPECT_TRUE(release->TimedWait(kDeadline));
}

TEST(MessageLoopTest, PostsWakeThePumpOncePerBatch) {
  scoped_refptr<CountingPump> pump = new CountingPump();
  MessageLoop loop(pump);
  WaitableEvent entered(false, false);
  WaitableEvent release(false, false);
  std::vector<int> order;

  loop.PostTask(FROM_HERE, Bind(&BlockUntil, &entered, &release));
  loop.PostTask(FROM_HERE, Bind(&Record, &order, 0));
  EXPECT_EQ(1, pump->wake_ups());

  int wake_ups_while_blocked = -1;
  std::thread poster([&] {
    ASSERT_TRUE(entered.TimedWait(kDeadline));
    const int before = pump->wake_ups();
    for (int i = 1; i <= 50; ++i)
      loop.PostTask(FROM_HERE, Bind(&Record, &order, i));
    loop.PostTask(FROM_HERE, Bind(&QuitLoop, &loop));
    wake_ups_while_blocked = pump->wake_ups() - before;
    release.Signal();
  });
  RunWithDeadline(&loop);
  poster.join();
  EXPECT_EQ(1, wake_ups_while_blocked);
  EXPECT_EQ(51u, order.size());
}

class RecordingTaskObserver : public MessageLoop::TaskObserver {
 public:
  explicit RecordingTaskObserver(std::vector<int>* order) : order_(order) {}
  void WillProcessTask(TimeTicks time_posted) override {
    order_->push_back(-1);
    EXPECT_FALSE(time_posted.is_null());
  }
  void DidProcessTask(TimeTicks) override { order_->push_back(-2); }

 private:
  std::vector<int>* order_;
};

TEST(MessageLoopTest, TaskObserversAreToldAroundEachTask) {
  MessageLoop loop;
  std::vector<int> order;
  RecordingTaskObserver observer(&order);
  loop.AddTaskObserver(&observer);
  loop.PostTask(FROM_HERE, Bind(&Record, &order, 1));
  loop.PostTask(FROM_HERE, Bind(&QuitLoop, &loop));
  RunWithDeadline(&loop);
  loop.RemoveTaskObserver(&observer);
  EXPECT_EQ((std::vector<int>{-1, 1, -2, -1, -2}), order);
}

TEST(MessageLoopTest, TimePostedIsShownWhileAnyObserverRemains) {
  MessageLoop loop;
  std::vector<int> first_order;
  std::vector<int> second_order;
  RecordingTaskObserver first(&first_order);
  RecordingTaskObserver second(&second_order);
  loop.AddTaskObserver(&first);
  loop.AddTaskObserver(&second);
  loop.RemoveTaskObserver(&first);
  // |second| checks that the time posted is not null.
  loop.PostTask(FROM_HERE, Bind(&QuitLoop, &loop));
  RunWithDeadline(&loop);
  loop.RemoveTaskObserver(&second);
  EXPECT_TRUE(first_order.empty());
  EXPECT_EQ((std::vector<int>{-1, -2}), second_order);
}

class RecordingDestructionObserver : public MessageLoop::DestructionObserver {
 public:
  explicit RecordingDestructionObserver(std::atomic<int>* destroyed)
      : destroyed_(destroyed) {}
  void WillDestroyCurrentMessageLoop() override {
    tasks_destroyed_before = *destroyed_;
    loop_was_current = MessageLoop::current() != nullptr;
    ++calls;
  }

  int calls = 0;
  int tasks_destroyed_before = -1;
  bool loop_was_current = false;

 private:
  std::atomic<int>* destroyed_;
};

TEST(MessageLoopTest, DestructionObserversAreToldAfterPendingTasksGo) {
  std::atomic<int> destroyed{0};
  std::vector<int> order;
  RecordingDestructionObserver observer(&destroyed);
  {
    MessageLoop loop;
    loop.AddDestructionObserver(&observer);
    scoped_refptr<DestructionFlag> flag = new DestructionFlag(&destroyed);
    loop.PostTask(FROM_HERE, Bind(&DestructionFlag::Run, flag, &order, 1));
  }
  EXPECT_EQ(1, observer.calls);
  EXPECT_EQ(1, observer.tasks_destroyed_before);
  EXPECT_TRUE(observer.loop_was_current);
  EXPECT_TRUE(order.empty());
}

TEST(MessageLoopTest, CurrentIsTheCallingThreadsLoop) {
  EXPECT_EQ(nullptr, MessageLoop::current());
  {
    MessageLoop loop;
    EXPECT_EQ(&loop, MessageLoop::current());
    MessageLoop* seen_elsewhere = &loop;
    std::thread other(
        [&seen_elsewhere] { seen_elsewhere = MessageLoop::current(); });
    other.join();
    EXPECT_EQ(nullptr, seen_elsewhere);
  }
  EXPECT_EQ(nullptr, MessageLoop::current());
}

TEST(MessageLoopTest, ThreadTaskRunnerHandleGivesTheLoopsProxy) {
  EXPECT_FALSE(ThreadTaskRunnerHandle::IsSet());
  {
    MessageLoop loop;
    ASSERT_TRUE(ThreadTaskRunnerHandle::IsSet());
    EXPECT_EQ(loop.message_loop_proxy(), ThreadTaskRunnerHandle::Get());
    std::vector<int> order;
    ThreadTaskRunnerHandle::Get()->PostTask(FROM_HERE,
                                            Bind(&Record, &order, 1));
    loop.PostTask(FROM_HERE, Bind(&QuitLoop, &loop));
    RunWithDeadline(&loop);
    EXPECT_EQ((std::vector<int>{1}), order);
  }
  EXPECT_FALSE(ThreadTaskRunnerHandle::IsSet());
  EXPECT_FALSE(ThreadTaskRunnerHandle::Get());
}

class DeletionRecorder {
 public:
  DeletionRecorder(std::vector<int>* order, int id) : order_(order), id_(id) {}
  ~DeletionRecorder() { order_->push_back(id_); }

 private:
  std::vector<int>* order_;
  int id_;
};

TEST(MessageLoopTest, DeleteLaterDeletesFromATopLevelTask) {
  MessageLoop loop;
  std::vector<int> order;
  loop.DeleteLater(FROM_HERE, new DeletionRecorder(&order, 1));
  loop.PostTask(FROM_HERE, Bind(&Record, &order, 2));
  loop.PostTask(FROM_HERE, Bind(&QuitLoop, &loop));
  RunWithDeadline(&loop);
  EXPECT_EQ((std::vector<int>{1, 2}), order);
}

TEST(MessageLoopTest, QuitImmediatelyLeavesTheRestQueued) {
  std::atomic<int> destroyed{0};
  std::vector<int> order;
  {
    MessageLoop loop;
    loop.PostTask(FROM_HERE, Bind(&Record, &order, 1));
    loop.PostTask(FROM_HERE, Bind(&MessageLoop::QuitImmediately, &loop));
    scoped_refptr<DestructionFlag> flag = new DestructionFlag(&destroyed);
    loop.PostTask(FROM_HERE, Bind(&DestructionFlag::Run, flag, &order, 2));
    flag = nullptr;
    RunWithDeadline(&loop);
    EXPECT_EQ((std::vector<int>{1}), order);
    EXPECT_EQ(0, destroyed);
  }
  EXPECT_EQ(1, destroyed);
}

}  // namespace
}  // namespace base
