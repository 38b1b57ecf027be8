#include "base/threading/thread_local_storage.h"

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

}  // namespace
}  // namespace base
