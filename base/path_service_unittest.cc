#include "base/path_service.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/file_path.h"

namespace base {
namespace {

class PathServiceTest : public testing::Test {
 protected:
  void SetUp() override { PathService::ClearCacheForTesting(); }
  void TearDown() override {
    PathService::SetProviderForTesting(nullptr);
    PathService::ClearCacheForTesting();
  }
};

bool SameFile(const FilePath& a, const std::string& b) {
  struct stat sa;
  struct stat sb;
  return stat(a.AsSystemPath().c_str(), &sa) == 0 &&
         stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

// Restores an environment variable when it goes out of scope.
class ScopedEnvironment {
 public:
  explicit ScopedEnvironment(const char* name) : name_(name) {
    const char* value = getenv(name);
    had_value_ = value != nullptr;
    if (value)
      value_ = value;
  }
  ~ScopedEnvironment() {
    if (had_value_)
      setenv(name_, value_.c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  bool had_value_;
  std::string value_;
};

TEST_F(PathServiceTest, ExecutableIsTheRunningProgram) {
  FilePath executable;
  ASSERT_TRUE(PathService::Get(FILE_EXECUTABLE, &executable));
  EXPECT_TRUE(SameFile(executable, "/proc/self/exe"));
  FilePath module;
  ASSERT_TRUE(PathService::Get(FILE_THIS_MODULE, &module));
  EXPECT_EQ(executable, module);
}

TEST_F(PathServiceTest, ExecutableDirectoriesAreParents) {
  FilePath executable;
  FilePath directory;
  FilePath module_directory;
  FilePath grandparent;
  ASSERT_TRUE(PathService::Get(FILE_EXECUTABLE, &executable));
  ASSERT_TRUE(PathService::Get(DIR_EXECUTABLE, &directory));
  ASSERT_TRUE(PathService::Get(DIR_THIS_MODULE, &module_directory));
  ASSERT_TRUE(PathService::Get(DIR_EXECUTABLE_GRANDPARENT, &grandparent));
  EXPECT_EQ(executable, directory.Append(executable.BaseName()));
  EXPECT_EQ(directory, module_directory);
  EXPECT_EQ(directory.DirName().DirName(), grandparent);
}

int g_executable_reads = 0;

bool CountingExecutableProvider(int key, FilePath* result) {
  if (key != FILE_EXECUTABLE)
    return false;
  ++g_executable_reads;
  *result = FilePath(u"C:\\Program Files\\Mirovue\\updater.exe");
  return true;
}

TEST_F(PathServiceTest, ExecutableDirectoryIsReadOnce) {
  PathService::SetProviderForTesting(CountingExecutableProvider);
  g_executable_reads = 0;
  FilePath first;
  FilePath second;
  ASSERT_TRUE(PathService::Get(DIR_EXECUTABLE, &first));
  ASSERT_TRUE(PathService::Get(DIR_EXECUTABLE, &second));
  EXPECT_EQ(1, g_executable_reads);
  EXPECT_EQ(FilePath(u"C:\\Program Files\\Mirovue"), first);
  EXPECT_EQ(first, second);
  // The executable itself was cached on the way.
  FilePath executable;
  ASSERT_TRUE(PathService::Get(FILE_EXECUTABLE, &executable));
  EXPECT_EQ(1, g_executable_reads);
}

TEST_F(PathServiceTest, CurrentDirectoryIsNeverCached) {
  char original[PATH_MAX];
  ASSERT_NE(nullptr, getcwd(original, sizeof(original)));
  char pattern[] = "/tmp/path_service_test_XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(pattern));

  FilePath before;
  ASSERT_TRUE(PathService::Get(DIR_CURRENT, &before));
  EXPECT_TRUE(SameFile(before, "."));
  ASSERT_EQ(0, chdir(pattern));
  FilePath after;
  bool found = PathService::Get(DIR_CURRENT, &after);
  ASSERT_EQ(0, chdir(original));
  EXPECT_TRUE(found);
  EXPECT_TRUE(SameFile(after, pattern));
  EXPECT_NE(before, after);
  rmdir(pattern);
}

TEST_F(PathServiceTest, TemporaryDirectoryComesFromTMPDIR) {
  ScopedEnvironment restore("TMPDIR");
  setenv("TMPDIR", "/var/tmp/mirovue//", 1);
  FilePath temporary;
  ASSERT_TRUE(PathService::Get(DIR_TEMPORARY, &temporary));
  EXPECT_EQ(FilePath(u"/var/tmp/mirovue"), temporary);

  const char* const unset_values[] = {nullptr, ""};
  for (const char* value : unset_values) {
    SCOPED_TRACE(value ? "empty" : "unset");
    PathService::ClearCacheForTesting();
    if (value)
      setenv("TMPDIR", value, 1);
    else
      unsetenv("TMPDIR");
    ASSERT_TRUE(PathService::Get(DIR_TEMPORARY, &temporary));
    EXPECT_EQ(FilePath(u"/tmp"), temporary);
  }
}

TEST_F(PathServiceTest, UnknownKeysLeaveTheResultUnchanged) {
  const int keys[] = {0,
                      9,
                      100,
                      200,
                      DIR_DESKTOP,
                      DIR_WINDOWS_ROOT,
                      DIR_SYSTEM_FOLDER,
                      DIR_PROGRAM_FOLDER,
                      DIR_ROAMING_APP_DATA,
                      DIR_APP_SHORTCUT_FOLDER,
                      DIR_QUICK_LAUNCH,
                      DIR_DEFAULT_PROFILE_QUICK_LAUNCH};
  for (int key : keys) {
    SCOPED_TRACE(key);
    FilePath result(u"untouched");
    EXPECT_FALSE(PathService::Get(key, &result));
    EXPECT_EQ(FilePath(u"untouched"), result);
  }
}

bool EmptyAnswerProvider(int key, FilePath*) {
  return key == 200;
}

TEST_F(PathServiceTest, EmptyAnswerIsAFailure) {
  PathService::SetProviderForTesting(EmptyAnswerProvider);
  FilePath result(u"untouched");
  EXPECT_FALSE(PathService::Get(200, &result));
  EXPECT_EQ(FilePath(u"untouched"), result);
}

TEST_F(PathServiceTest, ThreadsAgreeOnTheExecutableDirectory) {
  FilePath expected;
  ASSERT_TRUE(PathService::Get(DIR_EXECUTABLE, &expected));
  PathService::ClearCacheForTesting();
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) {
        FilePath path;
        if (!PathService::Get(
                i % 2 ? DIR_EXECUTABLE : DIR_EXECUTABLE_GRANDPARENT, &path) ||
            (i % 2 && path != expected)) {
          ++mismatches;
        }
      }
    });
  }
  for (std::thread& thread : threads)
    thread.join();
  EXPECT_EQ(0, mismatches.load());
}

}  // namespace
}  // namespace base
