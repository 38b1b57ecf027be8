// What Linux adds to the file utilities: links, permission bits, and one
// name per letter case.
#include "base/file_util.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/unique_temp_dir.h"
#include "gtest/gtest.h"
#include "tests/scoped_environment_variable.h"
#include "tests/test_files.h"

namespace base {
namespace {

namespace fs = std::filesystem;

using ::test::ScopedEnvironmentVariable;

mode_t ModeOf(const fs::path& path) {
  struct stat info;
  EXPECT_EQ(0, lstat(path.c_str(), &info));
  return info.st_mode & 07777;
}

class FileUtilPosixTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.Create());
    root_ = scratch_.path().AsSystemPath();
  }

  static FilePath Path(const fs::path& path) {
    return FilePath::FromSystemPath(path.string());
  }

  UniqueTempDir scratch_;
  fs::path root_;
};

TEST_F(FileUtilPosixTest, PathTestsTellLinks) {
  fs::create_directory(root_ / "dir");
  fs::create_symlink(root_ / "dir", root_ / "dir_link");
  fs::create_symlink(root_ / "absent", root_ / "dangling");

  EXPECT_TRUE(PathPresent(Path(root_ / "dangling")));
  EXPECT_TRUE(IsExistingDirectory(Path(root_ / "dir_link")));
  FileInfo info;
  ASSERT_TRUE(ReadFileInfo(Path(root_ / "dir_link"), &info));
  EXPECT_FALSE(info.is_directory);
  EXPECT_TRUE(info.is_symbolic_link);
}

// What a run keeps for the next one in a shared temporary directory must be
// the user's alone, or another user could change it in between.
TEST_F(FileUtilPosixTest, OnlyAClosedDirectoryOfTheUsersOwnIsPrivate) {
  fs::create_directory(root_ / "closed");
  fs::permissions(root_ / "closed", fs::perms::owner_all);
  fs::create_directory(root_ / "open");
  fs::permissions(root_ / "open", fs::perms::owner_all | fs::perms::group_read |
                                      fs::perms::group_exec);
  fs::create_directory_symlink(root_ / "closed", root_ / "link");
  std::ofstream(root_ / "file") << "x";
  fs::permissions(root_ / "file", fs::perms::owner_all);
  EXPECT_TRUE(IsPrivateDirectory(Path(root_ / "closed")));
  EXPECT_FALSE(IsPrivateDirectory(Path(root_ / "open")));
  EXPECT_FALSE(IsPrivateDirectory(Path(root_ / "link")));
  EXPECT_FALSE(IsPrivateDirectory(Path(root_ / "file")));
  EXPECT_FALSE(IsPrivateDirectory(Path(root_ / "missing")));
  // Another user's closed directory (root can make one).
  if (geteuid() == 0) {
    ASSERT_EQ(0, chown((root_ / "closed").c_str(), 1, 1));
    EXPECT_FALSE(IsPrivateDirectory(Path(root_ / "closed")));
  }
}

TEST_F(FileUtilPosixTest, BackslashesReachTheSameFiles) {
  fs::create_directory(root_ / "dir");
  test::WriteFile(root_ / "dir" / "file", "x");
  EXPECT_TRUE(PathPresent(FilePath(Path(root_).value() + u"\\dir\\file")));
}

TEST_F(FileUtilPosixTest, RecursiveDeleteLeavesWhatLinksPointAt) {
  fs::create_directories(root_ / "outside");
  test::WriteFile(root_ / "outside" / "precious", "x");
  fs::create_directories(root_ / "tree" / "a");
  fs::create_directory_symlink(root_ / "outside",
                               root_ / "tree" / "a" / "link");

  EXPECT_TRUE(DeletePath(Path(root_ / "tree"), true));
  EXPECT_FALSE(fs::exists(root_ / "tree"));
  EXPECT_TRUE(fs::exists(root_ / "outside" / "precious"));
}

TEST_F(FileUtilPosixTest, DeletingALinkRemovesTheLinkOnly) {
  fs::create_directories(root_ / "target");
  test::WriteFile(root_ / "target" / "precious", "x");
  fs::create_directory_symlink(root_ / "target", root_ / "link");
  EXPECT_TRUE(DeletePath(Path(root_ / "link"), true));
  EXPECT_FALSE(fs::exists(fs::symlink_status(root_ / "link")));
  EXPECT_TRUE(fs::exists(root_ / "target" / "precious"));
}

TEST_F(FileUtilPosixTest,
       SystemTempDirComesFromTmpdirWithoutTrailingSeparators) {
  FilePath temp_dir;
  {
    ScopedEnvironmentVariable tmpdir("TMPDIR", (root_.string() + "//").c_str());
    ASSERT_TRUE(GetSystemTempDir(&temp_dir));
    EXPECT_EQ(Path(root_), temp_dir);
  }
  {
    ScopedEnvironmentVariable tmpdir("TMPDIR", nullptr);
    ASSERT_TRUE(GetSystemTempDir(&temp_dir));
    EXPECT_EQ(FilePath(u"/tmp"), temp_dir);
  }
  {
    ScopedEnvironmentVariable tmpdir("TMPDIR",
                                     ("/" + std::string(300, 'd')).c_str());
    EXPECT_FALSE(GetSystemTempDir(&temp_dir));
  }
}

TEST_F(FileUtilPosixTest,
       UniqueDirectoriesAreTheirOwnersAloneWhateverTheUmask) {
  const mode_t old_umask = umask(0);
  FilePath dir;
  const bool created = CreateUniqueDirIn(Path(root_), u"scoped_dir", &dir);
  umask(old_umask);
  ASSERT_TRUE(created);
  EXPECT_EQ(0700u, ModeOf(dir.AsSystemPath()));
}

TEST_F(FileUtilPosixTest,
       RenameReplacesTheTargetAndKeepsOpenReadersOnTheOldContent) {
  test::WriteFile(root_ / "old", "old content");
  test::WriteFile(root_ / "new", "new content");
  std::ifstream reader(root_ / "old", std::ios::binary);
  ASSERT_TRUE(RenamePath(Path(root_ / "new"), Path(root_ / "old")));
  EXPECT_FALSE(fs::exists(root_ / "new"));
  std::string seen;
  std::getline(reader, seen);
  EXPECT_EQ("old content", seen);
  std::ifstream(root_ / "old") >> seen;
  EXPECT_EQ("new", seen);
}

TEST_F(FileUtilPosixTest, FlushesSucceedOnDirectoriesOnly) {
  test::WriteFile(root_ / "file", "x");
  fs::create_directory(root_ / "dir");
  test::WriteFile(root_ / "dir" / "inside", "x");
  EXPECT_TRUE(FlushDirectory(Path(root_ / "dir")));
  EXPECT_FALSE(FlushDirectory(Path(root_ / "file")));
}

TEST_F(FileUtilPosixTest, TheStoredNameIsALinksOwnAndLetterCaseCounts) {
  test::WriteFile(root_ / "ReadMe.txt", "x");
  fs::create_symlink("absent", root_ / "link");
  std::u16string name;
  ASSERT_TRUE(StoredName(Path(root_ / "link"), &name));
  EXPECT_EQ(u"link", name);
  EXPECT_FALSE(StoredName(Path(root_ / "README.TXT"), &name));
}

}  // namespace
}  // namespace base
