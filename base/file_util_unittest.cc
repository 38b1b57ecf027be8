#include "base/file_util.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/unique_temp_dir.h"
#include "base/utf_string_conversions.h"
#include "gtest/gtest.h"
#include "tests/child_action.h"
#include "tests/scoped_environment_variable.h"
#include "tests/test_files.h"

namespace base {
namespace {

namespace fs = std::filesystem;

// |path| as the tests reach a tree deeper than the system's path limit:
// on Windows with the extended-length prefix.
fs::path Extended(const fs::path& path) {
#if defined(_WIN32)
  return fs::path(L"\\\\?\\" + path.wstring());
#else
  return path;
#endif
}

// The variable that names the system's temporary directory.
#if defined(_WIN32)
constexpr wchar_t kTempVariable[] = L"TMP";
#else
constexpr char kTempVariable[] = "TMPDIR";
#endif

class FileUtilTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.Create());
    root_ = scratch_.path().AsSystemPath();
  }

  static FilePath Path(const fs::path& path) {
    return FilePath::FromSystemPath(path.native());
  }

  UniqueTempDir scratch_;
  fs::path root_;
};

TEST_F(FileUtilTest, PathTestsTellFilesAndDirectories) {
  test::WriteFile(root_ / "file", "12345");
  fs::create_directory(root_ / "dir");

  EXPECT_TRUE(PathPresent(Path(root_ / "file")));
  EXPECT_TRUE(PathPresent(Path(root_ / "dir")));
  EXPECT_FALSE(PathPresent(Path(root_ / "absent")));
  EXPECT_FALSE(PathPresent(Path(root_ / "absent" / "deeper")));

  EXPECT_FALSE(IsExistingDirectory(Path(root_ / "file")));
  EXPECT_TRUE(IsExistingDirectory(Path(root_ / "dir")));
  EXPECT_FALSE(IsExistingDirectory(Path(root_ / "absent")));

  FileInfo info;
  ASSERT_TRUE(ReadFileInfo(Path(root_ / "file"), &info));
  EXPECT_EQ(5, info.size);
  EXPECT_FALSE(info.is_directory);
  EXPECT_FALSE(info.is_symbolic_link);
  ASSERT_TRUE(ReadFileInfo(Path(root_ / "dir"), &info));
  EXPECT_TRUE(info.is_directory);
  EXPECT_FALSE(info.is_symbolic_link);
  EXPECT_FALSE(ReadFileInfo(Path(root_ / "absent"), &info));
}

TEST_F(FileUtilTest, NonRecursiveDeleteTakesFilesAndEmptyDirectoriesOnly) {
  test::WriteFile(root_ / "file", "x");
  fs::create_directory(root_ / "empty");
  fs::create_directories(root_ / "full" / "sub");

  EXPECT_TRUE(DeletePath(Path(root_ / "file"), false));
  EXPECT_FALSE(fs::exists(root_ / "file"));
  EXPECT_TRUE(DeletePath(Path(root_ / "empty"), false));
  EXPECT_FALSE(fs::exists(root_ / "empty"));
  EXPECT_FALSE(DeletePath(Path(root_ / "full"), false));
  EXPECT_TRUE(fs::exists(root_ / "full" / "sub"));
}

TEST_F(FileUtilTest, RecursiveDeleteRemovesTheWholeTree) {
  fs::create_directories(root_ / "tree" / "a" / "b");
  test::WriteFile(root_ / "tree" / "a" / "b" / "file", "x");
  test::WriteFile(root_ / "tree" / "top", "x");

  EXPECT_TRUE(DeletePath(Path(root_ / "tree"), true));
  EXPECT_FALSE(fs::exists(root_ / "tree"));
  EXPECT_TRUE(fs::exists(root_));
}

TEST_F(FileUtilTest, DeletingWhatIsNotThereSucceeds) {
  test::WriteFile(root_ / "file", "x");
  EXPECT_TRUE(DeletePath(Path(root_ / "absent"), false));
  EXPECT_TRUE(DeletePath(Path(root_ / "absent"), true));
  EXPECT_TRUE(DeletePath(Path(root_ / "absent" / "deeper"), true));
  EXPECT_TRUE(DeletePath(Path(root_ / "file" / "deeper"), true));
}

TEST_F(FileUtilTest, PathsOf260CharactersOrMoreAreNotDeleted) {
  fs::path deep = root_;
  while (deep.native().size() < kMaxPathLength + 10)
    deep /= "directory";
  fs::create_directories(Extended(deep));
  for (fs::path path = deep; path.native().size() >= kMaxPathLength - 10;
       path = path.parent_path()) {
    const FilePath file_path = Path(path);
    SCOPED_TRACE(file_path.value().size());
    const bool deleted = DeletePath(file_path, true);
    if (file_path.value().size() >= kMaxPathLength) {
      EXPECT_FALSE(deleted);
      EXPECT_TRUE(fs::exists(Extended(path)));
    } else {
      EXPECT_TRUE(deleted);
      EXPECT_FALSE(fs::exists(Extended(path)));
    }
  }
}

TEST_F(FileUtilTest, CreateDirectoryTreeMakesEveryMissingLevel) {
  std::vector<FilePath> created;
  const FilePath deep = Path(root_ / "a" / "b" / "c");
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
  test::WriteFile(root_ / "file", "x");
  std::vector<FilePath> created;
  EXPECT_FALSE(CreateDirectoryTree(Path(root_ / "file"), &created));
  EXPECT_FALSE(CreateDirectoryTree(Path(root_ / "file" / "sub"), &created));
  EXPECT_TRUE(created.empty());
}

TEST_F(FileUtilTest, UniqueDirectoriesAreNamedAfterTheProcess) {
  FilePath first, second;
  ASSERT_TRUE(CreateUniqueDirIn(Path(root_), u"scoped_dir", &first));
  ASSERT_TRUE(CreateUniqueDirIn(Path(root_), u"scoped_dir", &second));

  EXPECT_NE(first, second);
  for (const FilePath& dir : {first, second}) {
    const std::string name = UTF16ToUTF8(dir.BaseName().value());
    const std::string expected_start =
        "scoped_dir" + std::to_string(test::ThisProcessId()) + "_";
    ASSERT_EQ(0u, name.find(expected_start)) << name;
    const int number = std::stoi(name.substr(expected_start.size()));
    EXPECT_GE(number, 0);
    EXPECT_LT(number, 32767);
    EXPECT_EQ(Path(root_), dir.DirName());
  }
}

TEST_F(FileUtilTest, UniqueDirectoryCreationGivesUpWhereNothingCanBeMade) {
  FilePath dir;
  EXPECT_FALSE(CreateUniqueDirIn(Path(root_ / "absent"), u"scoped_dir", &dir));
  EXPECT_TRUE(dir.empty());
}

TEST_F(FileUtilTest, UniqueTempDirOwnsItsDirectoryAndAllInIt) {
  test::ScopedEnvironmentVariable temp(kTempVariable, root_.c_str());
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
    test::WriteFile(fs::path(path.AsSystemPath()) / "sub" / "download.bak",
                    "x");

    UniqueTempDir moved = std::move(dir);
    EXPECT_FALSE(dir.IsValid());
    EXPECT_EQ(path, moved.path());
  }
  EXPECT_FALSE(fs::exists(path.AsSystemPath()));
}

TEST_F(FileUtilTest, UniqueTempDirNamesGiveBackTheProcessId) {
  test::ScopedEnvironmentVariable temp(kTempVariable, root_.c_str());
  UniqueTempDir dir;
  ASSERT_TRUE(dir.Create());
  int64_t pid = 0;
  EXPECT_TRUE(ParseUniqueTempDirName(dir.path().BaseName().value(), &pid));
  EXPECT_EQ(test::ThisProcessId(), pid);

  const char16_t* kOtherNames[] = {u"scoped_dir",         u"scoped_dir12",
                                   u"scoped_dir_1",       u"scoped_dir12_",
                                   u"scoped_dirx_1",      u"scoped_dir1_2x",
                                   u"scoped_dir1_123456", u"other12_3"};
  for (const char16_t* name : kOtherNames) {
    SCOPED_TRACE(UTF16ToUTF8(name));
    pid = -1;
    EXPECT_FALSE(ParseUniqueTempDirName(name, &pid));
    EXPECT_EQ(-1, pid);
  }
}

TEST_F(FileUtilTest, AMissingFileIsNotRenamed) {
  EXPECT_FALSE(RenamePath(Path(root_ / "absent"), Path(root_ / "other")));
  EXPECT_FALSE(fs::exists(root_ / "other"));
}

TEST_F(FileUtilTest, TheStoredNameIsTheNameAsCreated) {
  test::WriteFile(root_ / "ReadMe.txt", "x");
  std::u16string name;
  ASSERT_TRUE(StoredName(Path(root_ / "ReadMe.txt"), &name));
  EXPECT_EQ(u"ReadMe.txt", name);
  EXPECT_FALSE(StoredName(Path(root_ / "absent"), &name));
}

TEST_F(FileUtilTest, ListDirectoryNamesEveryEntry) {
  test::WriteFile(root_ / "a", "x");
  fs::create_directories(root_ / "b" / "deeper");
  test::WriteFile(root_ / fs::u8path("\xe4\xb8\xad"), "x");
  std::vector<std::u16string> names;
  ASSERT_TRUE(ListDirectory(Path(root_), &names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::u16string>{u"a", u"b", u"\u4e2d"}), names);
  EXPECT_FALSE(ListDirectory(Path(root_ / "a"), &names));
  EXPECT_FALSE(ListDirectory(Path(root_ / "absent"), &names));
}

TEST_F(FileUtilTest, OpenFileUsesTheCRuntimeModesAndWideNames) {
  const FilePath path = scratch_.path().Append(u"\u66F4\u65B0 stream");
  {
    ScopedFILE file = OpenFile(path, "wb");
    ASSERT_TRUE(file);
    fputs("content\n", file.get());
  }
  ScopedFILE file = OpenFile(path, "rb");
  ASSERT_TRUE(file);
  char buffer[16] = {};
  // Binary mode: the line feed stays one byte.
  EXPECT_EQ(8u, fread(buffer, 1, sizeof(buffer), file.get()));
  EXPECT_STREQ("content\n", buffer);
  EXPECT_FALSE(OpenFile(Path(root_ / "absent"), "rb"));
}

}  // namespace
}  // namespace base
