#include "base/at_exit.h"

#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace base {
namespace {

std::vector<int> g_ran;

void Record(void* id) {
  g_ran.push_back(static_cast<int>(reinterpret_cast<intptr_t>(id)));
}

void* Id(int id) {
  return reinterpret_cast<void*>(static_cast<intptr_t>(id));
}

void RegisterTwoWhileRunning(void*) {
  g_ran.push_back(1);
  AtExitManager::RegisterCallback(&Record, Id(2));
}

class AtExitTest : public testing::Test {
 protected:
  void SetUp() override { g_ran.clear(); }
};

TEST_F(AtExitTest, CallbacksRunInReverseOrderOnce) {
  AtExitManager exit_manager;
  for (int id = 1; id <= 3; ++id)
    AtExitManager::RegisterCallback(&Record, Id(id));
  AtExitManager::ProcessCallbacksNow();
  EXPECT_EQ(g_ran, (std::vector<int>{3, 2, 1}));
  AtExitManager::ProcessCallbacksNow();
  EXPECT_EQ(g_ran, (std::vector<int>{3, 2, 1}));
}

TEST_F(AtExitTest, DestructionRunsTheCallbacks) {
  {
    AtExitManager exit_manager;
    AtExitManager::RegisterCallback(&Record, Id(1));
    AtExitManager::RegisterCallback(&Record, Id(2));
    EXPECT_TRUE(g_ran.empty());
  }
  EXPECT_EQ(g_ran, (std::vector<int>{2, 1}));
}

TEST_F(AtExitTest, CallbackRegisteredWhileRunningRunsNextAndOnce) {
  {
    AtExitManager exit_manager;
    AtExitManager::RegisterCallback(&Record, Id(0));
    AtExitManager::RegisterCallback(&RegisterTwoWhileRunning, nullptr);
  }
  EXPECT_EQ(g_ran, (std::vector<int>{1, 2, 0}));
}

TEST_F(AtExitTest, InnerManagerRunsOnlyItsOwnAndMakesTheOuterCurrent) {
  {
    AtExitManager outer;
    AtExitManager::RegisterCallback(&Record, Id(1));
    {
      AtExitManager inner;
      AtExitManager::RegisterCallback(&Record, Id(2));
    }
    EXPECT_EQ(g_ran, (std::vector<int>{2}));
    AtExitManager::RegisterCallback(&Record, Id(3));
  }
  EXPECT_EQ(g_ran, (std::vector<int>{2, 3, 1}));
}

TEST_F(AtExitTest, CallbackWithoutAManagerIsDropped) {
  AtExitManager::RegisterCallback(&Record, Id(1));
  AtExitManager::ProcessCallbacksNow();
  { AtExitManager exit_manager; }
  EXPECT_TRUE(g_ran.empty());
}

TEST_F(AtExitTest, NullCallbackIsDropped) {
  {
    AtExitManager exit_manager;
    AtExitManager::RegisterCallback(&Record, Id(1));
    AtExitManager::RegisterCallback(nullptr, Id(2));
  }
  EXPECT_EQ(g_ran, (std::vector<int>{1}));
}

TEST_F(AtExitTest, ThreadsMayRegisterConcurrently) {
  AtExitManager exit_manager;
  auto register_many = [] {
    for (int i = 0; i < 1000; ++i)
      AtExitManager::RegisterCallback(&Record, Id(i));
  };
  std::thread first(register_many);
  std::thread second(register_many);
  first.join();
  second.join();
  AtExitManager::ProcessCallbacksNow();
  EXPECT_EQ(g_ran.size(), 2000u);
}

}  // namespace
}  // namespace base
