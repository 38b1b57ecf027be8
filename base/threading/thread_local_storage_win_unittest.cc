#include "base/threading/thread_local_storage.h"

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/unique_temp_dir.h"
#include "tests/child_action.h"

namespace base {
namespace {

namespace fs = std::filesystem;

constexpr auto kChildDeadline = std::chrono::seconds(60);

std::wstring* g_marker_path = nullptr;

void WriteMarker(void* value) {
  std::ofstream(fs::path(*g_marker_path)) << *static_cast<std::string*>(value);
}

bool RunChildActionIfAsked() {
  if (test::ChildAction() != "tls_win.process_exit")
    return false;
  // The thread that ends the process hands its values on as well.
  static ThreadLocalStorage::Slot slot(&WriteMarker);
  g_marker_path =
      new std::wstring(fs::u8path(test::ChildArguments().at(0)).wstring());
  slot.Set(new std::string("destroyed at exit"));
  test::EndChild(0);
}

const bool g_child_ran = RunChildActionIfAsked();

int RunChild(const std::string& action, const std::vector<std::string>& args) {
  test::ChildActionProcess child;
  int exit_code = -1;
  if (!child.Start(test::ThisProgram(), action, args) ||
      !child.Wait(kChildDeadline, &exit_code)) {
    return -1;
  }
  return exit_code;
}

TEST(ThreadLocalStorageWinTest, TheThreadEndingTheProcessDestroysItsValues) {
  ASSERT_FALSE(g_child_ran);
  if (test::RunningUnderWine()) {
    GTEST_SKIP() << "Wine calls an executable's thread-local callbacks for "
                    "ending threads but not when the process ends";
  }
  UniqueTempDir dir;
  ASSERT_TRUE(dir.Create());
  const fs::path marker = fs::path(dir.path().AsSystemPath()) / "marker";
  ASSERT_EQ(0, RunChild("tls_win.process_exit", {marker.u8string()}));
  EXPECT_EQ("destroyed at exit", test::ReadFileOrEmpty(marker));
}

}  // namespace
}  // namespace base
