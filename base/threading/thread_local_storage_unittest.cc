#include "base/threading/thread_local_storage.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(ThreadLocalStorageTest, ValuesAreSeparateForEachThread) {
  ThreadLocalStorage::Slot slot(nullptr);
  ASSERT_TRUE(slot.initialized());
  int mine = 0;
  int theirs = 0;
  slot.Set(&mine);
  void* seen_by_other = &mine;
  std::thread other([&] {
    seen_by_other = slot.Get();
    slot.Set(&theirs);
  });
  other.join();
  EXPECT_EQ(seen_by_other, nullptr);
  EXPECT_EQ(slot.Get(), &mine);
  slot.Set(nullptr);
}

std::vector<void*> g_destroyed;  // Written by exiting threads, read after join.

void RecordDestroyed(void* value) {
  g_destroyed.push_back(value);
}

TEST(ThreadLocalStorageTest, DestructorGetsTheValueWhenTheThreadExits) {
  g_destroyed.clear();
  static ThreadLocalStorage::Slot slot;
  ASSERT_TRUE(slot.Initialize(&RecordDestroyed));
  int value = 0;
  std::thread([&] { slot.Set(&value); }).join();
  std::thread([] {}).join();  // A thread that stored nothing.
  ASSERT_EQ(g_destroyed.size(), 1u);
  EXPECT_EQ(g_destroyed[0], &value);
}

// Slot numbers grow, so |g_second| is scanned before |g_first|: a value that
// g_first's destructor stores into g_second is only seen by another scan.
ThreadLocalStorage::Slot g_first;
ThreadLocalStorage::Slot g_second;
int g_second_value = 0;

void StoreIntoSecond(void*) {
  g_second.Set(&g_second_value);
}

TEST(ThreadLocalStorageTest, DestructorStoringAnotherSlotCausesAnotherScan) {
  g_destroyed.clear();
  ASSERT_TRUE(g_first.Initialize(&StoreIntoSecond));
  ASSERT_TRUE(g_second.Initialize(&RecordDestroyed));
  int value = 0;
  std::thread([&] { g_first.Set(&value); }).join();
  ASSERT_EQ(g_destroyed.size(), 1u);
  EXPECT_EQ(g_destroyed[0], &g_second_value);
}

ThreadLocalStorage::Slot g_restoring;
std::atomic<int> g_restoring_calls{0};

void StoreItselfAgain(void* value) {
  ++g_restoring_calls;
  g_restoring.Set(value);
}

TEST(ThreadLocalStorageTest, ScansStopAfterSixtyFour) {
  ASSERT_TRUE(g_restoring.Initialize(&StoreItselfAgain));
  int value = 0;
  std::thread([&] { g_restoring.Set(&value); }).join();
  EXPECT_EQ(g_restoring_calls.load(),
            ThreadLocalStorage::kThreadLocalStorageSize);
}

TEST(ThreadLocalStorageTest, SlotsBeyondSixtyThreeStayUninitialised) {
  // Slots are never given back, so the exhaustion runs in a forked copy.
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    static ThreadLocalStorage::Slot
        slots[ThreadLocalStorage::kThreadLocalStorageSize];
    int taken = 0;
    while (taken < ThreadLocalStorage::kThreadLocalStorageSize &&
           slots[taken].Initialize(nullptr)) {
      ++taken;
    }
    // Every earlier slot still works; the failed one was left alone.
    int value = 0;
    bool earlier_work = taken > 0;
    for (int i = 0; i < taken; ++i) {
      slots[i].Set(&value);
      earlier_work = earlier_work && slots[i].Get() == &value;
    }
    const bool ran_out = taken < ThreadLocalStorage::kThreadLocalStorageSize &&
                         !slots[taken].initialized() &&
                         !slots[taken].Initialize(nullptr);
    _exit(earlier_work && ran_out ? 0 : 1);
  }
  int status = 0;
  pid_t done = 0;
  for (int i = 0; i < 3000 && done == 0; ++i) {
    done = waitpid(pid, &status, WNOHANG);
    if (done == 0)
      usleep(10000);
  }
  if (done != pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    FAIL() << "the child did not end in time";
  }
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace base
