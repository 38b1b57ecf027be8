#include "base/threading/thread_local_storage.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/child_action.h"

namespace base {
namespace {

// Takes every slot there is; exit code 0 when the slots before the last
// work and the one beyond them stays uninitialised.
int ExhaustSlots() {
  static ThreadLocalStorage::Slot
      slots[ThreadLocalStorage::kThreadLocalStorageSize];
  int taken = 0;
  while (taken < ThreadLocalStorage::kThreadLocalStorageSize &&
         slots[taken].Initialize(nullptr)) {
    ++taken;
  }
  int value = 0;
  bool earlier_work = taken == ThreadLocalStorage::kThreadLocalStorageSize - 1;
  for (int i = 0; i < taken; ++i) {
    slots[i].Set(&value);
    earlier_work = earlier_work && slots[i].Get() == &value;
  }
  const bool ran_out = taken < ThreadLocalStorage::kThreadLocalStorageSize &&
                       !slots[taken].initialized() &&
                       !slots[taken].Initialize(nullptr);
  return earlier_work && ran_out ? 0 : 1;
}

bool RunChildActionIfAsked() {
  if (test::ChildAction() != "tls.exhaust")
    return false;
  test::EndChild(ExhaustSlots());
}

const bool g_child_ran = RunChildActionIfAsked();

TEST(ThreadLocalStorageTest, SlotsBeyondSixtyThreeStayUninitialised) {
  ASSERT_FALSE(g_child_ran);
  // Slots are never given back, so the exhaustion runs in a fresh process.
  test::ChildActionProcess child;
  ASSERT_TRUE(child.Start(test::ThisProgram(), "tls.exhaust"));
  int exit_code = -1;
  ASSERT_TRUE(child.Wait(std::chrono::seconds(60), &exit_code));
  EXPECT_EQ(0, exit_code);
}

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
