// What Windows adds to a file: its attributes, its identity, and who else
// may open it.
#include "base/file.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "base/file_path.h"
#include "base/unique_temp_dir.h"
#include "base/win/scoped_handle.h"
#include "tests/windows_test_support.h"

namespace base {
namespace {

namespace fs = std::filesystem;

// The file's identity on its volume, which stays while it is rewritten.
uint64_t FileIndexOf(const fs::path& path) {
  win::ScopedHandle file(
      CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info = {};
  EXPECT_TRUE(file.is_valid() && GetFileInformationByHandle(file.get(), &info));
  return static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
}

class FileWinTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.Create());
    root_ = scratch_.path().AsSystemPath();
  }

  FilePath Path(const std::string& name) {
    return FilePath::FromSystemPath((root_ / name).wstring());
  }

  UniqueTempDir scratch_;
  fs::path root_;
};

TEST_F(FileWinTest, NewFilesAreOrdinaryWhateverTheExecuteRequest) {
  File plain = File::CreateNew(Path("plain"), false);
  File runnable = File::CreateNew(Path("runnable.exe"), true);
  ASSERT_TRUE(plain.IsValid());
  ASSERT_TRUE(runnable.IsValid());
  for (const char* name : {"plain", "runnable.exe"}) {
    SCOPED_TRACE(name);
    const DWORD attributes = GetFileAttributesW((root_ / name).c_str());
    EXPECT_EQ(0u,
              attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                            FILE_ATTRIBUTE_DIRECTORY));
  }
}

TEST_F(FileWinTest, AppendingWritesToTheSameFile) {
  std::ofstream(root_ / "existing") << "old";
  const uint64_t index = FileIndexOf(root_ / "existing");
  File file = File::OpenForAppend(Path("existing"));
  ASSERT_TRUE(file.IsValid());
  ASSERT_TRUE(file.WriteAll("+new", 4));
  EXPECT_TRUE(file.Flush());
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(index, FileIndexOf(root_ / "existing"));
}

TEST_F(FileWinTest, CopiesTheReadOnlyAttributeOfItsModel) {
  std::ofstream(root_ / "model") << "m";
  ASSERT_TRUE(
      SetFileAttributesW((root_ / "model").c_str(), FILE_ATTRIBUTE_READONLY));
  File file = File::CreateNew(Path("copy"), false);
  ASSERT_TRUE(file.IsValid());
  EXPECT_TRUE(file.CopyPermissionsFrom(Path("model")));
  EXPECT_TRUE(file.Close());
  EXPECT_TRUE(GetFileAttributesW((root_ / "copy").c_str()) &
              FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW((root_ / "model").c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesW((root_ / "copy").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileWinTest, AFileOpenForReadingMayBeReplacedAndDeleted) {
  std::ofstream(root_ / "shared") << "content";
  File reader = File::OpenForRead(Path("shared"));
  ASSERT_TRUE(reader.IsValid());
  File writer = File::OpenForAppend(Path("shared"));
  EXPECT_TRUE(writer.IsValid());
  EXPECT_TRUE(writer.Close());
  EXPECT_TRUE(DeleteFileW((root_ / "shared").c_str()));
}

TEST_F(FileWinTest, AFileOpenForWritingHasNoSecondWriter) {
  File first = File::CreateNew(Path("written"), false);
  ASSERT_TRUE(first.IsValid());
  EXPECT_FALSE(File::OpenForAppend(Path("written")).IsValid());
  EXPECT_TRUE(File::OpenForRead(Path("written")).IsValid());
}

}  // namespace
}  // namespace base
