#include "base/file.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/file_path.h"
#include "base/unique_temp_dir.h"
#include "gtest/gtest.h"
#include "tests/test_files.h"

namespace base {
namespace {

namespace fs = std::filesystem;

using ::test::ReadFileOrEmpty;

mode_t ModeOf(const fs::path& path) {
  struct stat info;
  EXPECT_EQ(0, stat(path.c_str(), &info));
  return info.st_mode & 07777;
}

class FileTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.Create());
    root_ = scratch_.path().AsSystemPath();
    old_umask_ = umask(022);
  }
  void TearDown() override { umask(old_umask_); }

  FilePath Path(const std::string& name) {
    return FilePath::FromSystemPath((root_ / name).string());
  }

  UniqueTempDir scratch_;
  fs::path root_;
  mode_t old_umask_ = 0;
};

TEST_F(FileTest, NewFilesAreOrdinaryOrRunnableByTheirOwner) {
  File plain = File::CreateNew(Path("plain"), false);
  File runnable = File::CreateNew(Path("runnable"), true);
  ASSERT_TRUE(plain.IsValid());
  ASSERT_TRUE(runnable.IsValid());
  EXPECT_EQ(0644u, ModeOf(root_ / "plain"));
  EXPECT_EQ(0744u, ModeOf(root_ / "runnable"));
  EXPECT_FALSE(File::CreateNew(Path("plain"), false).IsValid());
}

TEST_F(FileTest, PrivateFilesAreTheirOwnersAloneAndNeverReplaced) {
  File secret = File::CreateNewPrivate(Path("secret"));
  ASSERT_TRUE(secret.IsValid());
  ASSERT_TRUE(secret.WriteAll("key", 3));
  EXPECT_EQ(0600u, ModeOf(root_ / "secret"));
  EXPECT_FALSE(File::CreateNewPrivate(Path("secret")).IsValid());
}

TEST_F(FileTest, AppendingAddsToTheEndAndFlushes) {
  std::ofstream(root_ / "existing") << "old";
  File file = File::OpenForAppend(Path("existing"));
  ASSERT_TRUE(file.IsValid());
  ASSERT_TRUE(file.WriteAll(" new", 4));
  EXPECT_TRUE(file.Flush());
  EXPECT_TRUE(file.Close());
  EXPECT_EQ("old new", ReadFileOrEmpty(root_ / "existing"));
  EXPECT_FALSE(File::OpenForAppend(Path("absent")).IsValid());
  fs::create_directory(root_ / "dir");
  EXPECT_FALSE(File::OpenForAppend(Path("dir")).IsValid());
}

TEST_F(FileTest, PermissionBitsAreCopiedFromAModel) {
  std::ofstream(root_ / "model") << "m";
  chmod((root_ / "model").c_str(), 0750);
  File file = File::CreateNew(Path("copy"), false);
  ASSERT_TRUE(file.CopyPermissionsFrom(Path("model")));
  EXPECT_EQ(0750u, ModeOf(root_ / "copy"));
  EXPECT_FALSE(file.CopyPermissionsFrom(Path("absent")));
}

TEST_F(FileTest, ReadsAndSeeks) {
  std::ofstream(root_ / "data") << "0123456789";
  File file = File::OpenForRead(Path("data"));
  ASSERT_TRUE(file.IsValid());
  EXPECT_EQ(10, file.Seek(File::Whence::kEnd, 0));
  EXPECT_EQ(4, file.Seek(File::Whence::kBegin, 4));
  EXPECT_EQ(6, file.Seek(File::Whence::kCurrent, 2));
  char buffer[8];
  EXPECT_EQ(4, file.Read(buffer, sizeof(buffer)));
  EXPECT_EQ("6789", std::string(buffer, 4));
  EXPECT_EQ(0, file.Read(buffer, sizeof(buffer)));
  EXPECT_FALSE(File::OpenForRead(Path("absent")).IsValid());
}

TEST_F(FileTest, MovingHandsOverTheFile) {
  File file = File::CreateNew(Path("moved"), false);
  File other = std::move(file);
  EXPECT_FALSE(file.IsValid());
  ASSERT_TRUE(other.IsValid());
  EXPECT_TRUE(other.WriteAll("abc", 3));
  EXPECT_TRUE(other.Close());
  EXPECT_FALSE(other.IsValid());
  EXPECT_EQ("abc", ReadFileOrEmpty(root_ / "moved"));
}

}  // namespace
}  // namespace base
