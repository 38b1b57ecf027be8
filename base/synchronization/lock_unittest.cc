#include "base/synchronization/lock.h"

#include <thread>

#include <gtest/gtest.h>

namespace base {
namespace {

bool TryFromAnotherThread(Lock& lock) {
  bool acquired = false;
  std::thread other([&] {
    acquired = lock.Try();
    if (acquired)
      lock.Release();
  });
  other.join();
  return acquired;
}

TEST(LockTest, OwningThreadMayAcquireAgain) {
  Lock lock;
  lock.Acquire();
  lock.Acquire();
  EXPECT_TRUE(lock.Try());
  EXPECT_FALSE(TryFromAnotherThread(lock));
  lock.Release();
  lock.Release();
  EXPECT_FALSE(TryFromAnotherThread(lock));
  lock.Release();
  EXPECT_TRUE(TryFromAnotherThread(lock));
}

TEST(LockTest, AutoLockSerialisesThreads) {
  Lock lock;
  int counter = 0;
  auto add = [&] {
    for (int i = 0; i < 10000; ++i) {
      AutoLock hold(lock);
      ++counter;
    }
  };
  std::thread first(add);
  std::thread second(add);
  first.join();
  second.join();
  EXPECT_EQ(counter, 20000);
}

TEST(LockTest, AutoUnlockReleasesForItsScopeOnly) {
  Lock lock;
  AutoLock hold(lock);
  {
    AutoUnlock release(lock);
    EXPECT_TRUE(TryFromAnotherThread(lock));
  }
  EXPECT_FALSE(TryFromAnotherThread(lock));
}

}  // namespace
}  // namespace base
