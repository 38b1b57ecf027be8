#include "base/threading/thread_local.h"

#include <thread>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(ThreadLocalTest, PointerIsSeparateForEachThread) {
  ThreadLocalPointer<int> pointer;
  int mine = 1;
  int theirs = 2;
  EXPECT_EQ(pointer.Get(), nullptr);
  pointer.Set(&mine);
  int* seen_by_other = &mine;
  std::thread other([&] {
    seen_by_other = pointer.Get();
    pointer.Set(&theirs);
    EXPECT_EQ(pointer.Get(), &theirs);
  });
  other.join();
  EXPECT_EQ(seen_by_other, nullptr);
  EXPECT_EQ(pointer.Get(), &mine);
  pointer.Set(nullptr);
  EXPECT_EQ(pointer.Get(), nullptr);
}

TEST(ThreadLocalTest, BooleanIsSeparateForEachThread) {
  ThreadLocalBoolean flag;
  EXPECT_FALSE(flag.Get());
  flag.Set(true);
  bool seen_by_other = true;
  std::thread other([&] {
    seen_by_other = flag.Get();
    flag.Set(true);
  });
  other.join();
  EXPECT_FALSE(seen_by_other);
  EXPECT_TRUE(flag.Get());
  flag.Set(false);
  EXPECT_FALSE(flag.Get());
}

TEST(ThreadLocalTest, EachObjectHasItsOwnSlot) {
  ThreadLocalPointer<int> first;
  ThreadLocalPointer<int> second;
  int value = 0;
  first.Set(&value);
  EXPECT_EQ(second.Get(), nullptr);
  first.Set(nullptr);
}

}  // namespace
}  // namespace base
