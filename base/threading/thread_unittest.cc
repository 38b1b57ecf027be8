#include "base/threading/thread.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/bind.h"
#include "base/ref_counted.h"
#include "base/synchronization/lock.h"
#include "base/synchronization/waitable_event.h"
#include "base/threading/platform_thread.h"

namespace base {
namespace {

const TimeDelta kDeadline = TimeDelta::FromSeconds(20);

// Records the hooks in the order the thread runs them.
class HookThread : public Thread {
 public:
  HookThread() : Thread("HookThread") {}
  ~HookThread() override { Stop(); }

  std::vector<std::string> Events() {
    AutoLock locked(lock_);
    return events_;
  }
  void Add(const std::string& event) {
    AutoLock locked(lock_);
    events_.push_back(event);
  }

 protected:
  void Init() override {
    // Slow on purpose: Start must still wait for it.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    Add(std::string("init:") + PlatformThread::GetName() + ":" +
        (MessageLoop::current() == message_loop() ? "loop" : "no-loop"));
  }
  void Run(MessageLoop* message_loop) override {
    Add("run");
    Thread::Run(message_loop);
  }
  void CleanUp() override {
    Add(std::string("cleanup:") +
        (MessageLoop::current() ? "loop" : "no-loop"));
  }

 private:
  Lock lock_;
  std::vector<std::string> events_;
};

void AddEvent(HookThread* thread, const std::string& event) {
  thread->Add(event);
}

void Record(std::vector<int>* order, int id) {
  order->push_back(id);
}

void WaitFor(WaitableEvent* event) {
  EXPECT_TRUE(event->TimedWait(kDeadline));
}

class DestructionFlag : public RefCountedThreadSafe<DestructionFlag> {
 public:
  explicit DestructionFlag(std::atomic<int>* destroyed)
      : destroyed_(destroyed) {}
  void Run(std::vector<int>* order) { order->push_back(-1); }

 private:
  friend class RefCountedThreadSafe<DestructionFlag>;
  ~DestructionFlag() { ++*destroyed_; }

  std::atomic<int>* destroyed_;
};

TEST(ThreadTest, StartReturnsOnlyAfterInitHasRun) {
  HookThread thread;
  ASSERT_TRUE(thread.Start());
  // "run" may already follow; Init must not be missing.
  const std::vector<std::string> events = thread.Events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ("init:HookThread:loop", events[0]);
  EXPECT_NE(nullptr, thread.message_loop());
  EXPECT_NE(PlatformThread::CurrentId(), thread.thread_id());
  EXPECT_EQ("HookThread", thread.message_loop()->thread_name());
}

TEST(ThreadTest, HooksRunInOrderOnTheThread) {
  HookThread thread;
  ASSERT_TRUE(thread.Start());
  thread.message_loop_proxy()->PostTask(
      FROM_HERE, Bind(&AddEvent, &thread, std::string("task")));
  thread.Stop();
  const std::vector<std::string> events = thread.Events();
  ASSERT_EQ(4u, events.size());
  EXPECT_EQ("run", events[1]);
  EXPECT_EQ("task", events[2]);
  EXPECT_EQ("cleanup:loop", events[3]);
  EXPECT_EQ(nullptr, thread.message_loop());
}

TEST(ThreadTest, StopRunsQueuedTasksFirstAndDestroysUndueOnes) {
  Thread thread("StopTest");
  ASSERT_TRUE(thread.Start());
  WaitableEvent release(false, false);
  std::vector<int> order;
  std::vector<int> expected;
  std::atomic<int> destroyed{0};

  scoped_refptr<MessageLoopProxy> proxy = thread.message_loop_proxy();
  // Holds the thread back so that everything below is queued before Stop.
  proxy->PostTask(FROM_HERE, Bind(&WaitFor, &release));
  for (int i = 0; i < 200; ++i) {
    proxy->PostTask(FROM_HERE, Bind(&Record, &order, i));
    expected.push_back(i);
  }
  scoped_refptr<DestructionFlag> undue = new DestructionFlag(&destroyed);
  proxy->PostTaskAfter(FROM_HERE, Bind(&DestructionFlag::Run, undue, &order),
                       TimeDelta::FromHours(1));
  undue = nullptr;

  thread.StopSoon();
  release.Signal();
  thread.Stop();
  EXPECT_EQ(expected, order);
  EXPECT_EQ(1, destroyed);
  EXPECT_FALSE(proxy->PostTask(FROM_HERE, Bind(&Record, &order, 999)));
}

TEST(ThreadTest, StopWithoutStartDoesNothing) {
  Thread thread("NeverStarted");
  thread.Stop();
  thread.StopSoon();
  EXPECT_EQ(nullptr, thread.message_loop());
  EXPECT_FALSE(thread.IsRunning());
}

TEST(ThreadTest, SecondStopDoesNothing) {
  Thread thread("StopTwice");
  ASSERT_TRUE(thread.Start());
  EXPECT_TRUE(thread.IsRunning());
  thread.Stop();
  EXPECT_FALSE(thread.IsRunning());
  thread.Stop();
  EXPECT_EQ(nullptr, thread.message_loop());
  EXPECT_FALSE(thread.message_loop_proxy());
}

TEST(ThreadTest, CanBeStartedAgainAfterStop) {
  Thread thread("Restarted");
  std::vector<int> order;
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(thread.StartWithOptions(
        Thread::Options(MessageLoop::TYPE_DEFAULT, 256 * 1024)));
    ASSERT_NE(nullptr, thread.message_loop());
    EXPECT_TRUE(thread.message_loop_proxy()->PostTask(
        FROM_HERE, Bind(&Record, &order, round)));
    thread.Stop();
  }
  EXPECT_EQ((std::vector<int>{0, 1, 2}), order);
}

void QuitCurrentLoop() {
  MessageLoop::current()->QuitImmediately();
}

TEST(ThreadTest, StopAfterTheLoopQuitByItselfJoinsCleanly) {
  Thread thread("QuitsItself");
  ASSERT_TRUE(thread.Start());
  scoped_refptr<MessageLoopProxy> proxy = thread.message_loop_proxy();
  ASSERT_TRUE(proxy->PostTask(FROM_HERE, Bind(&QuitCurrentLoop)));
  // Wait until the loop is gone: the proxy then refuses posts.
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(20);
  std::vector<int> order;
  while (proxy->PostTask(FROM_HERE, Bind(&Record, &order, 1))) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  thread.Stop();
  EXPECT_EQ(nullptr, thread.message_loop());
}

TEST(ThreadTest, ProxyBelongsOnlyToTheThread) {
  Thread thread("Belongs");
  ASSERT_TRUE(thread.Start());
  scoped_refptr<MessageLoopProxy> proxy = thread.message_loop_proxy();
  EXPECT_FALSE(proxy->BelongsToCurrentThread());
  std::atomic<bool> belongs{false};
  WaitableEvent done(true, false);
  struct Probe {
    static void Run(MessageLoopProxy* proxy,
                    std::atomic<bool>* belongs,
                    WaitableEvent* done) {
      *belongs = proxy->BelongsToCurrentThread();
      done->Signal();
    }
  };
  proxy->PostTask(FROM_HERE, Bind(&Probe::Run, proxy.get(), &belongs, &done));
  ASSERT_TRUE(done.TimedWait(kDeadline));
  EXPECT_TRUE(belongs);
  thread.Stop();
}

}  // namespace
}  // namespace base
