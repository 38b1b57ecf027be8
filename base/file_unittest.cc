#include "base/file.h"

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

class FileTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.Create());
    root_ = scratch_.path().AsSystemPath();
  }

  FilePath Path(const std::u16string& name) {
    return scratch_.path().Append(name);
  }

  UniqueTempDir scratch_;
  fs::path root_;
};

TEST_F(FileTest, ANewFileNeverReplacesOne) {
  ASSERT_TRUE(File::CreateNew(Path(u"plain"), false).IsValid());
  EXPECT_FALSE(File::CreateNew(Path(u"plain"), false).IsValid());
  EXPECT_FALSE(File::CreateNew(Path(u"plain"), true).IsValid());
  File secret = File::CreateNewPrivate(Path(u"secret"));
  ASSERT_TRUE(secret.IsValid());
  EXPECT_TRUE(secret.WriteAll("key", 3));
  EXPECT_FALSE(File::CreateNewPrivate(Path(u"secret")).IsValid());
  EXPECT_FALSE(File::CreateNewPrivate(Path(u"plain")).IsValid());
}

TEST_F(FileTest, AppendingAddsToTheEndAndFlushes) {
  std::ofstream(root_ / "existing") << "old";
  File file = File::OpenForAppend(Path(u"existing"));
  ASSERT_TRUE(file.IsValid());
  ASSERT_TRUE(file.WriteAll(" new", 4));
  EXPECT_TRUE(file.Flush());
  EXPECT_TRUE(file.Close());
  EXPECT_EQ("old new", ReadFileOrEmpty(root_ / "existing"));
  EXPECT_FALSE(File::OpenForAppend(Path(u"absent")).IsValid());
  fs::create_directory(root_ / "dir");
  EXPECT_FALSE(File::OpenForAppend(Path(u"dir")).IsValid());
}

TEST_F(FileTest, ReadsAndSeeks) {
  std::ofstream(root_ / "data") << "0123456789";
  File file = File::OpenForRead(Path(u"data"));
  ASSERT_TRUE(file.IsValid());
  EXPECT_EQ(10, file.Seek(File::Whence::kEnd, 0));
  EXPECT_EQ(4, file.Seek(File::Whence::kBegin, 4));
  EXPECT_EQ(6, file.Seek(File::Whence::kCurrent, 2));
  char buffer[8];
  EXPECT_EQ(4, file.Read(buffer, sizeof(buffer)));
  EXPECT_EQ("6789", std::string(buffer, 4));
  EXPECT_EQ(0, file.Read(buffer, sizeof(buffer)));
  EXPECT_EQ(-1, file.Seek(File::Whence::kBegin, -1));
  EXPECT_FALSE(File::OpenForRead(Path(u"absent")).IsValid());
}

TEST_F(FileTest, PermissionsComeOnlyFromAModelThatExists) {
  File file = File::CreateNew(Path(u"orphan"), false);
  ASSERT_TRUE(file.IsValid());
  EXPECT_FALSE(file.CopyPermissionsFrom(Path(u"absent")));
}

TEST_F(FileTest, MovingHandsOverTheFile) {
  File file = File::CreateNew(Path(u"moved"), false);
  File other = std::move(file);
  EXPECT_FALSE(file.IsValid());
  ASSERT_TRUE(other.IsValid());
  EXPECT_TRUE(other.WriteAll("abc", 3));
  EXPECT_TRUE(other.Close());
  EXPECT_FALSE(other.IsValid());
  EXPECT_EQ("abc", ReadFileOrEmpty(root_ / "moved"));
}

TEST_F(FileTest, ChineseNamesReachTheFile) {
  File file = File::CreateNew(Path(u"\u66F4\u65B0.zip"), false);
  ASSERT_TRUE(file.IsValid());
  EXPECT_TRUE(file.WriteAll("zip", 3));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ("zip", ReadFileOrEmpty(root_ /
                                   fs::u8path("\xE6\x9B\xB4\xE6\x96\xB0.zip")));
}

}  // namespace
}  // namespace base
