#include "base/threading/thread_local_storage.h"

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/unique_temp_dir.h"
#include "tests/windows_test_support.h"

namespace base {
namespace {

namespace fs = std::filesystem;

constexpr auto kChildDeadline = std::chrono::seconds(60);

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

std::wstring* g_marker_path = nullptr;

void WriteMarker(void* value) {
  std::ofstream(fs::path(*g_marker_path)) << *static_cast<std::string*>(value);
}

bool RunChildActionIfAsked() {
  const std::string action = test::ChildAction();
  if (action.rfind("tls.", 0) != 0)
    return false;
  if (action == "tls.exhaust")
    test::EndChild(ExhaustSlots());
  if (action == "tls.process_exit") {
    // The thread that ends the process hands its values on as well.
    static ThreadLocalStorage::Slot slot(&WriteMarker);
    g_marker_path = new std::wstring(test::ChildArguments().at(0));
    slot.Set(new std::string("destroyed at exit"));
    test::EndChild(0);
  }
  test::EndChild(98);
}

const bool g_child_ran = RunChildActionIfAsked();

int RunChild(const std::string& action, const std::vector<std::wstring>& args) {
  test::ChildProcess child;
  int exit_code = -1;
  if (!child.Start(test::ChildCommandLine(test::ThisProgram(), action, args)) ||
      !child.Wait(kChildDeadline, &exit_code)) {
    return -1;
  }
  return exit_code;
}

TEST(ThreadLocalStorageWinTest, SlotsBeyondSixtyThreeStayUninitialised) {
  ASSERT_FALSE(g_child_ran);
  // Slots are never given back, so the exhaustion runs in a fresh process.
  EXPECT_EQ(0, RunChild("tls.exhaust", {}));
}

TEST(ThreadLocalStorageWinTest, TheThreadEndingTheProcessDestroysItsValues) {
  if (test::RunningUnderWine()) {
    GTEST_SKIP() << "Wine calls an executable's thread-local callbacks for "
                    "ending threads but not when the process ends";
  }
  UniqueTempDir dir;
  ASSERT_TRUE(dir.Create());
  const fs::path marker = fs::path(dir.path().AsSystemPath()) / "marker";
  ASSERT_EQ(0, RunChild("tls.process_exit", {marker.wstring()}));
  EXPECT_EQ("destroyed at exit", test::ReadFileOrEmpty(marker));
}

}  // namespace
}  // namespace base
