// What a file's permission bits are on Linux.
#include "base/file.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "base/file_path.h"
#include "base/unique_temp_dir.h"
#include "gtest/gtest.h"

namespace base {
namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const fs::path& path) {
  struct stat info;
  EXPECT_EQ(0, stat(path.c_str(), &info));
  return info.st_mode & 07777;
}

class FilePosixTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.Create());
    root_ = scratch_.path().AsSystemPath();
    old_umask_ = umask(022);
  }
  void TearDown() override { umask(old_umask_); }

  FilePath Path(const std::u16string& name) {
    return scratch_.path().Append(name);
  }

  UniqueTempDir scratch_;
  fs::path root_;
  mode_t old_umask_ = 0;
};

TEST_F(FilePosixTest, NewFilesAreOrdinaryOrRunnableByTheirOwner) {
  ASSERT_TRUE(File::CreateNew(Path(u"plain"), false).IsValid());
  ASSERT_TRUE(File::CreateNew(Path(u"runnable"), true).IsValid());
  EXPECT_EQ(0644u, ModeOf(root_ / "plain"));
  EXPECT_EQ(0744u, ModeOf(root_ / "runnable"));
}

TEST_F(FilePosixTest, PrivateFilesAreTheirOwnersAlone) {
  ASSERT_TRUE(File::CreateNewPrivate(Path(u"secret")).IsValid());
  EXPECT_EQ(0600u, ModeOf(root_ / "secret"));
}

TEST_F(FilePosixTest, PermissionBitsAreCopiedFromAModel) {
  std::ofstream(root_ / "model") << "m";
  chmod((root_ / "model").c_str(), 0750);
  File file = File::CreateNew(Path(u"copy"), false);
  ASSERT_TRUE(file.CopyPermissionsFrom(Path(u"model")));
  EXPECT_EQ(0750u, ModeOf(root_ / "copy"));
}

}  // namespace
}  // namespace base
