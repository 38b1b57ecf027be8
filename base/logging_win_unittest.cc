// The log file's named mutex, which Windows keeps for the processes that
// write the file.
#include "base/logging.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "base/unique_temp_dir.h"
#include "base/win/scoped_handle.h"
#include "tests/test_files.h"

namespace logging {
namespace {

namespace fs = std::filesystem;

class LoggingWinTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.Create());
    root_ = temp_dir_.path().AsSystemPath();
    log_file_ = root_ / "test.log";
    SetLogFileForTesting(log_file_.u8string());
  }
  // Closes the file, so that the directory can go.
  void TearDown() override { SetLogFileForTesting(""); }

  size_t LinesInLog() const {
    const std::string text = test::ReadFileOrEmpty(log_file_);
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  }

  base::UniqueTempDir temp_dir_;
  fs::path root_;
  fs::path log_file_;
};

TEST_F(LoggingWinTest, TheFilesMutexIsNamedAfterTheFile) {
  LOG(INFO) << "line";
  std::wstring name = L"Global\\" + log_file_.wstring();
  std::replace(name.begin() + 7, name.end(), L'\\', L'/');
  base::win::ScopedHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()));
  EXPECT_TRUE(mutex.is_valid());
  // Another file has another mutex; this one goes with the file.
  SetLogFileForTesting((root_ / "other.log").u8string());
  LOG(INFO) << "other line";
  std::wstring other = L"Global\\" + (root_ / "other.log").wstring();
  std::replace(other.begin() + 7, other.end(), L'\\', L'/');
  base::win::ScopedHandle other_mutex(
      OpenMutexW(SYNCHRONIZE, FALSE, other.c_str()));
  EXPECT_TRUE(other_mutex.is_valid());
}

TEST_F(LoggingWinTest, AMutexAbandonedByADeadWriterDoesNotStopLogging) {
  std::wstring name = L"Global\\" + log_file_.wstring();
  std::replace(name.begin() + 7, name.end(), L'\\', L'/');
  // A thread takes the mutex and ends without releasing it; the handle kept
  // here keeps the abandoned mutex in being.
  HANDLE mutex = nullptr;
  std::thread([&name, &mutex] {
    mutex = CreateMutexW(nullptr, TRUE, name.c_str());
  }).join();
  ASSERT_TRUE(mutex);
  base::win::ScopedHandle abandoned(mutex);
  LOG(INFO) << "after the dead writer";
  LOG(INFO) << "and again";
  EXPECT_EQ(LinesInLog(), 2u);
}

}  // namespace
}  // namespace logging
