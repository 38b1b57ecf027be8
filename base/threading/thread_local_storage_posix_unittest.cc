#include "base/threading/thread_local_storage.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace base {
namespace {

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
