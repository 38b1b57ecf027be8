#include "base/path_service.h"

#include <windows.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "base/file_path.h"
#include "base/file_util.h"
#include "base/unique_temp_dir.h"
#include "tests/child_action.h"

namespace base {
namespace {

namespace fs = std::filesystem;

class PathServiceWinTest : public testing::Test {
 protected:
  void SetUp() override { PathService::ClearCacheForTesting(); }
  void TearDown() override { PathService::ClearCacheForTesting(); }

  static FilePath Get(int key) {
    FilePath path;
    EXPECT_TRUE(PathService::Get(key, &path)) << key;
    return path;
  }
};

TEST_F(PathServiceWinTest, ExecutableIsTheRunningProgram) {
  const FilePath executable = Get(FILE_EXECUTABLE);
  EXPECT_EQ(FilePath::FromSystemPath(test::ThisProgram().wstring()),
            executable);
  // The framework is linked into the executable itself.
  EXPECT_EQ(executable, Get(FILE_THIS_MODULE));
  EXPECT_EQ(executable.DirName(), Get(DIR_EXECUTABLE));
  EXPECT_EQ(executable.DirName(), Get(DIR_THIS_MODULE));
  EXPECT_EQ(executable.DirName().DirName().DirName(),
            Get(DIR_EXECUTABLE_GRANDPARENT));
  EXPECT_NE(u'\\', Get(DIR_EXECUTABLE).value().back());
}

TEST_F(PathServiceWinTest, CurrentDirectoryIsNeverCached) {
  UniqueTempDir dir;
  ASSERT_TRUE(dir.Create());
  const fs::path original = fs::current_path();
  const FilePath before = Get(DIR_CURRENT);
  EXPECT_EQ(
      FilePath::FromSystemPath(original.wstring()).StripTrailingSeparators(),
      before);
  ASSERT_TRUE(SetCurrentDirectoryW(dir.path().AsSystemPath().c_str()));
  const FilePath after = Get(DIR_CURRENT);
  fs::current_path(original);
  EXPECT_EQ(dir.path(), after);
}

TEST_F(PathServiceWinTest, TemporaryDirectoryIsTheSystemsWithoutSeparator) {
  UniqueTempDir dir;
  ASSERT_TRUE(dir.Create());
  const std::wstring value = dir.path().AsSystemPath() + L"\\";
  test::ScopedEnvironmentVariable tmp(L"TMP", value.c_str());
  EXPECT_EQ(dir.path(), Get(DIR_TEMPORARY));
}

TEST_F(PathServiceWinTest, SystemDirectoriesAreTheSystems) {
  wchar_t windows[MAX_PATH];
  wchar_t system[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
  EXPECT_EQ(FilePath::FromSystemPath(windows), Get(DIR_WINDOWS_ROOT));
  EXPECT_EQ(FilePath::FromSystemPath(system), Get(DIR_SYSTEM_FOLDER));
  EXPECT_EQ(Get(DIR_WINDOWS_ROOT), Get(DIR_SYSTEM_FOLDER).DirName());
}

TEST_F(PathServiceWinTest, ShellFoldersExist) {
  const int keys[] = {DIR_DESKTOP,
                      DIR_PROGRAM_FOLDER,
                      DIR_PROGRAM_FOLDER_X86,
                      DIR_ALL_USERS_START_MENU,
                      DIR_USER_START_MENU,
                      DIR_ROAMING_APP_DATA,
                      DIR_USER_PROFILE,
                      DIR_NONROAMING_APP_DATA,
                      DIR_ALL_USERS_APP_DATA};
  for (int key : keys) {
    SCOPED_TRACE(key);
    const FilePath path = Get(key);
    EXPECT_TRUE(path.IsAbsolute());
    EXPECT_TRUE(IsExistingDirectory(path));
  }
  // A 64-bit system keeps 32-bit programs apart.
  EXPECT_NE(Get(DIR_PROGRAM_FOLDER), Get(DIR_PROGRAM_FOLDER_X86));
  // The user's folders lie in the user's profile.
  const std::u16string profile = Get(DIR_USER_PROFILE).value();
  EXPECT_EQ(0u, Get(DIR_ROAMING_APP_DATA).value().find(profile));
  EXPECT_EQ(0u, Get(DIR_NONROAMING_APP_DATA).value().find(profile));
}

TEST_F(PathServiceWinTest, DerivedFoldersAreJoinedFromTheirBase) {
  const FilePath roaming = Get(DIR_ROAMING_APP_DATA);
  EXPECT_EQ(roaming.DirName().Append(u"LocalLow"),
            Get(DIR_LOW_INTEGRITY_APP_DATA));
  EXPECT_EQ(roaming.Append(u"Microsoft\\Internet Explorer\\Quick Launch"),
            Get(DIR_QUICK_LAUNCH));
  const FilePath default_quick_launch = Get(DIR_DEFAULT_PROFILE_QUICK_LAUNCH);
  EXPECT_TRUE(default_quick_launch.IsAbsolute());
  EXPECT_EQ(FilePath(u"Quick Launch"), default_quick_launch.BaseName());
}

TEST_F(PathServiceWinTest, AppShortcutFolderIsKnownOnlyFromWindows8) {
  // Whether the system knows the folder depends on its version; when it
  // does, the answer is an absolute path.
  FilePath path(u"untouched");
  if (PathService::Get(DIR_APP_SHORTCUT_FOLDER, &path))
    EXPECT_TRUE(path.IsAbsolute());
  else
    EXPECT_EQ(FilePath(u"untouched"), path);
}

TEST_F(PathServiceWinTest, UnknownKeysLeaveTheResultUnchanged) {
  for (int key : {0, 9, 100, 117, 200}) {
    SCOPED_TRACE(key);
    FilePath result(u"untouched");
    EXPECT_FALSE(PathService::Get(key, &result));
    EXPECT_EQ(FilePath(u"untouched"), result);
  }
}

}  // namespace
}  // namespace base
