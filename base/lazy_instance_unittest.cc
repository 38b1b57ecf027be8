#include "base/lazy_instance.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/at_exit.h"
#include "base/synchronization/waitable_event.h"

namespace base {
namespace {

std::atomic<int> g_constructions{0};
std::atomic<int> g_destructions{0};

struct Counted {
  Counted() {
    ++g_constructions;
    // Widens the window in which racing threads find it being created.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ~Counted() { ++g_destructions; }
  int value = 7;
};

LazyInstance<Counted> g_counted = LAZY_INSTANCE_INITIALIZER;
LazyInstance<Counted, LeakyLazyInstanceTraits<Counted>> g_leaky =
    LAZY_INSTANCE_INITIALIZER;

class LazyInstanceTest : public testing::Test {
 protected:
  void SetUp() override {
    g_constructions = 0;
    g_destructions = 0;
  }
};

TEST_F(LazyInstanceTest, RacingThreadsGetOneObjectConstructedOnce) {
  AtExitManager exit_manager;
  WaitableEvent start(true, false);
  constexpr int kThreads = 8;
  std::vector<Counted*> seen(kThreads, nullptr);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      if (start.TimedWait(TimeDelta::FromSeconds(30)))
        seen[i] = g_counted.Pointer();
    });
  }
  start.Signal();
  for (std::thread& thread : threads)
    thread.join();
  EXPECT_EQ(g_constructions.load(), 1);
  for (Counted* pointer : seen) {
    ASSERT_NE(pointer, nullptr);
    EXPECT_EQ(pointer, seen[0]);
    EXPECT_EQ(pointer->value, 7);
  }
}

TEST_F(LazyInstanceTest, AtExitManagerDestroysItAndALaterGetCreatesItAgain) {
  {
    AtExitManager exit_manager;
    g_counted.Get().value = 8;
    EXPECT_EQ(g_counted.Get().value, 8);
    EXPECT_EQ(g_constructions.load(), 1);
  }
  EXPECT_EQ(g_destructions.load(), 1);
  {
    AtExitManager exit_manager;
    EXPECT_EQ(g_counted.Get().value, 7);
    EXPECT_EQ(g_constructions.load(), 2);
  }
  EXPECT_EQ(g_destructions.load(), 2);
}

TEST_F(LazyInstanceTest, LeakyInstanceIsNeverDestroyed) {
  Counted* first = nullptr;
  {
    AtExitManager exit_manager;
    first = g_leaky.Pointer();
  }
  EXPECT_EQ(g_destructions.load(), 0);
  AtExitManager exit_manager;
  EXPECT_EQ(g_leaky.Pointer(), first);
  EXPECT_LE(g_constructions.load(), 1);
}

}  // namespace
}  // namespace base
