#include "base/deferred_termination.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "gtest/gtest.h"

namespace base {
namespace {

// Each case runs in a child process of its own, which the signals end.
class DeferredTerminationDeathTest : public testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(DeferredTerminationDeathTest,
       ARequestDuringTheWorkEndsTheProcessAfterIt) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    EXPECT_EXIT(
        {
          {
            DeferredTermination deferred;
            kill(getpid(), signal);
            if (deferred.requested())
              fputs("work finished\n", stderr);
          }
          _exit(0);
        },
        testing::KilledBySignal(signal), "work finished");
  }
}

// The layout of the updater: a worker defers while the main thread, which
// the signal reaches, waits for it.
TEST_F(DeferredTerminationDeathTest,
       ARequestReachingAnotherThreadWaitsForTheWorker) {
  EXPECT_EXIT(
      {
        std::thread worker([] {
          DeferredTermination deferred;
          kill(getpid(), SIGTERM);
          std::this_thread::sleep_for(std::chrono::milliseconds(100));
          fputs("worker finished\n", stderr);
        });
        worker.join();
        _exit(0);
      },
      testing::KilledBySignal(SIGTERM), "worker finished");
}

TEST_F(DeferredTerminationDeathTest,
       WithoutARequestTheProcessGoesOnAndSignalsActAgain) {
  EXPECT_EXIT(
      {
        { DeferredTermination deferred; }
        fputs("still running\n", stderr);
        kill(getpid(), SIGTERM);
        std::this_thread::sleep_for(std::chrono::seconds(10));
        _exit(0);
      },
      testing::KilledBySignal(SIGTERM), "still running");
}

TEST_F(DeferredTerminationDeathTest, AnIgnoredSignalStaysIgnored) {
  EXPECT_EXIT(
      {
        signal(SIGHUP, SIG_IGN);
        { DeferredTermination deferred; }
        kill(getpid(), SIGHUP);
        _exit(3);
      },
      testing::ExitedWithCode(3), "");
}

}  // namespace
}  // namespace base
