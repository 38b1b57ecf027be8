#include "base/file_util.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/unique_temp_dir.h"
#include "base/utf_string_conversions.h"
#include "gtest/gtest.h"

namespace base {
namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& path, const std::string& content = "x") {
  std::ofstream(path, std::ios::binary) << content;
}

mode_t ModeOf(const fs::path& path) {
  struct stat info;
  EXPECT_EQ(0, lstat(path.c_str(), &info));
  return info.st_mode & 07777;
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(const char* name, const char* value) : name_(name) {
    const char* old = getenv(name);
    had_value_ = old != nullptr;
    if (old)
      old_value_ = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnvironmentVariable() {
    if (had_value_)
      setenv(name_, old_value_.c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  bool had_value_;
  std::string old_value_;
};

class FileUtilTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.Create());
    root_ = scratch_.path().AsSystemPath();
  }

  FilePath Path(const fs::path& path) {
    return FilePath::FromSystemPath(path.string());
  }

  UniqueTempDir scratch_;
  fs::path root_;
};

TEST_F(FileUtilTest, PathTestsTellFilesDirectoriesAndLinks) {
  Touch(root_ / "file", "12345");
  fs::create_directory(root_ / "dir");
  fs::create_symlink(root_ / "dir", root_ / "dir_link");
  fs::create_symlink(root_ / "absent", root_ / "dangling");

  EXPECT_TRUE(PathPresent(Path(root_ / "file")));
  EXPECT_TRUE(PathPresent(Path(root_ / "dir")));
  EXPECT_TRUE(PathPresent(Path(root_ / "dangling")));
  EXPECT_FALSE(PathPresent(Path(root_ / "absent")));

  EXPECT_FALSE(IsExistingDirectory(Path(root_ / "file")));
  EXPECT_TRUE(IsExistingDirectory(Path(root_ / "dir")));
  EXPECT_TRUE(IsExistingDirectory(Path(root_ / "dir_link")));
  EXPECT_FALSE(IsExistingDirectory(Path(root_ / "absent")));

  FileInfo info;
  ASSERT_TRUE(ReadFileInfo(Path(root_ / "file"), &info));
  EXPECT_EQ(5, info.size);
  EXPECT_FALSE(info.is_directory);
  ASSERT_TRUE(ReadFileInfo(Path(root_ / "dir"), &info));
  EXPECT_TRUE(info.is_directory);
  ASSERT_TRUE(ReadFileInfo(Path(root_ / "dir_link"), &info));
  EXPECT_FALSE(info.is_directory);
  EXPECT_TRUE(info.is_symbolic_link);
  EXPECT_FALSE(ReadFileInfo(Path(root_ / "absent"), &info));
}

// What a run keeps for the next one in a shared temporary directory must be
// the user's alone, or another user could change it in between.
TEST_F(FileUtilTest, OnlyAClosedDirectoryOfTheUsersOwnIsPrivate) {
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

TEST_F(FileUtilTest, BackslashesReachTheSameFiles) {
  fs::create_directory(root_ / "dir");
  Touch(root_ / "dir" / "file");
  EXPECT_TRUE(PathPresent(FilePath(Path(root_).value() + u"\\dir\\file")));
}

TEST_F(FileUtilTest, NonRecursiveDeleteTakesFilesAndEmptyDirectoriesOnly) {
  Touch(root_ / "file");
  fs::create_directory(root_ / "empty");
  fs::create_directories(root_ / "full" / "sub");

  EXPECT_TRUE(DeletePath(Path(root_ / "file"), false));
  EXPECT_FALSE(fs::exists(root_ / "file"));
  EXPECT_TRUE(DeletePath(Path(root_ / "empty"), false));
  EXPECT_FALSE(fs::exists(root_ / "empty"));
  EXPECT_FALSE(DeletePath(Path(root_ / "full"), false));
  EXPECT_TRUE(fs::exists(root_ / "full" / "sub"));
}

TEST_F(FileUtilTest, RecursiveDeleteRemovesTheTreeButNotWhatLinksPointAt) {
  fs::create_directories(root_ / "outside");
  Touch(root_ / "outside" / "precious");
  fs::create_directories(root_ / "tree" / "a" / "b");
  Touch(root_ / "tree" / "a" / "b" / "file");
  Touch(root_ / "tree" / "top");
  fs::create_directory_symlink(root_ / "outside",
                               root_ / "tree" / "a" / "link");

  EXPECT_TRUE(DeletePath(Path(root_ / "tree"), true));
  EXPECT_FALSE(fs::exists(root_ / "tree"));
  EXPECT_TRUE(fs::exists(root_ / "outside" / "precious"));
}

TEST_F(FileUtilTest, DeletingALinkRemovesTheLinkOnly) {
  fs::create_directories(root_ / "target");
  Touch(root_ / "target" / "precious");
  fs::create_directory_symlink(root_ / "target", root_ / "link");
  EXPECT_TRUE(DeletePath(Path(root_ / "link"), true));
  EXPECT_FALSE(fs::exists(fs::symlink_status(root_ / "link")));
  EXPECT_TRUE(fs::exists(root_ / "target" / "precious"));
}

TEST_F(FileUtilTest, DeletingWhatIsNotThereSucceeds) {
  EXPECT_TRUE(DeletePath(Path(root_ / "absent"), false));
  EXPECT_TRUE(DeletePath(Path(root_ / "absent"), true));
  EXPECT_TRUE(DeletePath(Path(root_ / "absent" / "deeper"), true));
}

TEST_F(FileUtilTest, PathsOf260CharactersOrMoreAreNotDeleted) {
  fs::path deep = root_;
  while (deep.string().size() < kMaxPathLength + 10)
    deep /= "directory";
  fs::create_directories(deep);
  for (fs::path path = deep; path.string().size() >= kMaxPathLength - 10;
       path = path.parent_path()) {
    FilePath file_path = Path(path);
    SCOPED_TRACE(file_path.value().size());
    bool deleted = DeletePath(file_path, true);
    if (file_path.value().size() >= kMaxPathLength) {
      EXPECT_FALSE(deleted);
      EXPECT_TRUE(fs::exists(path));
    } else {
      EXPECT_TRUE(deleted);
      EXPECT_FALSE(fs::exists(path));
    }
  }
}

TEST_F(FileUtilTest, CreateDirectoryTreeMakesEveryMissingLevel) {
  std::vector<FilePath> created;
  FilePath deep = Path(root_ / "a" / "b" / "c");
  ASSERT_TRUE(CreateDirectoryTree(deep, &created));
  EXPECT_TRUE(fs::is_directory(root_ / "a" / "b" / "c"));
  EXPECT_EQ(
      (std::vector<FilePath>{Path(root_ / "a"), Path(root_ / "a" / "b"), deep}),
      created);

  created.clear();
  EXPECT_TRUE(CreateDirectoryTree(deep, &created));
  EXPECT_TRUE(created.empty());
}

TEST_F(FileUtilTest, CreateDirectoryTreeFailsWhereAFileStands) {
  Touch(root_ / "file");
  std::vector<FilePath> created;
  EXPECT_FALSE(CreateDirectoryTree(Path(root_ / "file"), &created));
  EXPECT_FALSE(CreateDirectoryTree(Path(root_ / "file" / "sub"), &created));
  EXPECT_TRUE(created.empty());
}

TEST_F(FileUtilTest, SystemTempDirComesFromTmpdirWithoutTrailingSeparators) {
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

TEST_F(FileUtilTest, UniqueDirectoriesAreNamedAfterTheProcessAndPrivate) {
  mode_t old_umask = umask(0);
  FilePath first, second;
  ASSERT_TRUE(CreateUniqueDirIn(Path(root_), u"scoped_dir", &first));
  ASSERT_TRUE(CreateUniqueDirIn(Path(root_), u"scoped_dir", &second));
  umask(old_umask);

  EXPECT_NE(first, second);
  for (const FilePath& dir : {first, second}) {
    std::string name = UTF16ToUTF8(dir.BaseName().value());
    std::string expected_start = "scoped_dir" + std::to_string(getpid()) + "_";
    ASSERT_EQ(0u, name.find(expected_start)) << name;
    int number = std::stoi(name.substr(expected_start.size()));
    EXPECT_GE(number, 0);
    EXPECT_LT(number, 32767);
    EXPECT_EQ(Path(root_), dir.DirName());
    EXPECT_EQ(0700u, ModeOf(dir.AsSystemPath()));
  }
}

TEST_F(FileUtilTest, UniqueDirectoryCreationGivesUpWhereNothingCanBeMade) {
  FilePath dir;
  EXPECT_FALSE(CreateUniqueDirIn(Path(root_ / "absent"), u"scoped_dir", &dir));
  EXPECT_TRUE(dir.empty());
}

TEST_F(FileUtilTest, UniqueTempDirOwnsItsDirectoryAndAllInIt) {
  ScopedEnvironmentVariable tmpdir("TMPDIR", root_.c_str());
  FilePath path;
  {
    UniqueTempDir dir;
    EXPECT_FALSE(dir.IsValid());
    ASSERT_TRUE(dir.Create());
    EXPECT_FALSE(dir.Create());
    path = dir.path();
    EXPECT_EQ(Path(root_), path.DirName());
    EXPECT_EQ(0u, path.BaseName().value().find(u"scoped_dir"));
    fs::create_directories(fs::path(path.AsSystemPath()) / "sub");
    Touch(fs::path(path.AsSystemPath()) / "sub" / "download.bak");

    UniqueTempDir moved = std::move(dir);
    EXPECT_FALSE(dir.IsValid());
    EXPECT_EQ(path, moved.path());
  }
  EXPECT_FALSE(fs::exists(path.AsSystemPath()));
}

TEST_F(FileUtilTest, UniqueTempDirNamesGiveBackTheProcessId) {
  ScopedEnvironmentVariable tmpdir("TMPDIR", root_.c_str());
  UniqueTempDir dir;
  ASSERT_TRUE(dir.Create());
  int64_t pid = 0;
  EXPECT_TRUE(ParseUniqueTempDirName(dir.path().BaseName().value(), &pid));
  EXPECT_EQ(getpid(), pid);

  const char16_t* kOtherNames[] = {u"scoped_dir", u"scoped_dir12", u"scoped_dir_1",
                                   u"scoped_dir12_", u"scoped_dirx_1", u"scoped_dir1_2x",
                                   u"scoped_dir1_123456", u"other12_3"};
  for (const char16_t* name : kOtherNames) {
    SCOPED_TRACE(UTF16ToUTF8(name));
    pid = -1;
    EXPECT_FALSE(ParseUniqueTempDirName(name, &pid));
    EXPECT_EQ(-1, pid);
  }
}

TEST_F(FileUtilTest, RenameReplacesTheTargetAndKeepsOpenReadersOnTheOldContent) {
  Touch(root_ / "old", "old content");
  Touch(root_ / "new", "new content");
  std::ifstream reader(root_ / "old", std::ios::binary);
  ASSERT_TRUE(RenamePath(Path(root_ / "new"), Path(root_ / "old")));
  EXPECT_FALSE(fs::exists(root_ / "new"));
  std::string seen;
  std::getline(reader, seen);
  EXPECT_EQ("old content", seen);
  std::ifstream(root_ / "old") >> seen;
  EXPECT_EQ("new", seen);
  EXPECT_FALSE(RenamePath(Path(root_ / "absent"), Path(root_ / "other")));
}

TEST_F(FileUtilTest, FlushesSucceedOnDirectoriesOnly) {
  Touch(root_ / "file");
  fs::create_directory(root_ / "dir");
  Touch(root_ / "dir" / "inside");
  EXPECT_TRUE(FlushDirectory(Path(root_ / "dir")));
  EXPECT_FALSE(FlushDirectory(Path(root_ / "file")));
}

TEST_F(FileUtilTest, TheStoredNameIsTheNameAsGiven) {
  Touch(root_ / "ReadMe.txt");
  fs::create_symlink("absent", root_ / "link");
  std::u16string name;
  ASSERT_TRUE(StoredName(Path(root_ / "ReadMe.txt"), &name));
  EXPECT_EQ(u"ReadMe.txt", name);
  ASSERT_TRUE(StoredName(Path(root_ / "link"), &name));
  EXPECT_EQ(u"link", name);
  EXPECT_FALSE(StoredName(Path(root_ / "README.TXT"), &name));
}

TEST_F(FileUtilTest, ListDirectoryNamesEveryEntry) {
  Touch(root_ / "a");
  fs::create_directory(root_ / "b");
  Touch(root_ / "\xe4\xb8\xad");
  std::vector<std::u16string> names;
  ASSERT_TRUE(ListDirectory(Path(root_), &names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::u16string>{u"a", u"b", u"\u4e2d"}), names);
  EXPECT_FALSE(ListDirectory(Path(root_ / "a"), &names));
}

TEST_F(FileUtilTest, OpenFileUsesTheCRuntimeModes) {
  FilePath path = Path(root_ / "stream");
  {
    ScopedFILE file = OpenFile(path, "wb");
    ASSERT_TRUE(file);
    fputs("content", file.get());
  }
  ScopedFILE file = OpenFile(path, "rb");
  ASSERT_TRUE(file);
  char buffer[16] = {};
  EXPECT_EQ(7u, fread(buffer, 1, sizeof(buffer), file.get()));
  EXPECT_STREQ("content", buffer);
  EXPECT_FALSE(OpenFile(Path(root_ / "absent"), "rb"));
}

}  // namespace
}  // namespace base
