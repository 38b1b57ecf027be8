// What Windows adds to the file utilities: attributes, files in use,
// reparse points, paths past 260 characters, letter case and access lists.
#include "base/file_util.h"

#include <windows.h>
#include <aclapi.h>
#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/unique_temp_dir.h"
#include "base/utf_string_conversions.h"
#include "base/win/scoped_handle.h"
#include "tests/windows_test_support.h"

namespace base {
namespace {

namespace fs = std::filesystem;

using ::test::ScopedEnvironmentVariable;

// |path| with the extended-length prefix, for making trees deeper than 260
// characters.
fs::path Extended(const fs::path& path) {
  return fs::path(L"\\\\?\\" + path.wstring());
}

// Makes |link| a junction to the directory |target|. Any user may make one
// on Windows; Wine cannot make reparse points at all.
bool MakeJunction(const fs::path& link, const fs::path& target) {
  if (!CreateDirectoryW(link.c_str(), nullptr))
    return false;
  win::ScopedHandle directory(CreateFileW(
      link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  // The mount point record: tag, lengths, then the substitute name and
  // the print name, each with a terminator.
  const std::wstring substitute = L"\\??\\" + target.wstring();
  const std::wstring print = target.wstring();
  const size_t names = (substitute.size() + 1 + print.size() + 1) * 2;
  std::vector<BYTE> record(8 + 8 + names);
  auto put16 = [&](size_t offset, size_t value) {
    record[offset] = static_cast<BYTE>(value);
    record[offset + 1] = static_cast<BYTE>(value >> 8);
  };
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  memcpy(record.data(), &tag, 4);
  put16(4, 8 + names);                     // data length
  put16(8, 0);                             // substitute offset
  put16(10, substitute.size() * 2);        // substitute length
  put16(12, (substitute.size() + 1) * 2);  // print offset
  put16(14, print.size() * 2);             // print length
  memcpy(&record[16], substitute.c_str(), (substitute.size() + 1) * 2);
  memcpy(&record[16 + (substitute.size() + 1) * 2], print.c_str(),
         (print.size() + 1) * 2);
  DWORD returned = 0;
  const bool made =
      directory.is_valid() &&
      DeviceIoControl(directory.get(), FSCTL_SET_REPARSE_POINT, record.data(),
                      static_cast<DWORD>(record.size()), nullptr, 0, &returned,
                      nullptr);
  directory.Close();
  if (!made)
    RemoveDirectoryW(link.c_str());
  return made;
}

class FileUtilWinTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.Create());
    root_ = scratch_.path().AsSystemPath();
  }

  FilePath Path(const fs::path& path) {
    return FilePath::FromSystemPath(path.wstring());
  }

  UniqueTempDir scratch_;
  fs::path root_;
};

TEST_F(FileUtilWinTest, SlashesAndLetterCaseReachTheSameFiles) {
  fs::create_directory(root_ / "Dir");
  test::WriteFile(root_ / "Dir" / "File", "x");
  EXPECT_TRUE(PathPresent(FilePath(Path(root_).value() + u"/dir/file")));
  EXPECT_TRUE(DeletePath(FilePath(Path(root_).value() + u"/DIR/FILE"), false));
  EXPECT_FALSE(fs::exists(root_ / "Dir" / "File"));
  EXPECT_TRUE(CreateDirectoryTree(FilePath(Path(root_).value() + u"/x/y")));
  EXPECT_TRUE(fs::is_directory(root_ / "x" / "y"));
}

TEST_F(FileUtilWinTest, ReadOnlyEntriesAreDeletedAllTheSame) {
  test::WriteFile(root_ / "read_only", "x");
  fs::create_directory(root_ / "read_only_dir");
  ASSERT_TRUE(SetFileAttributesW((root_ / "read_only").c_str(),
                                 FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesW((root_ / "read_only_dir").c_str(),
                                 FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(DeletePath(Path(root_ / "read_only"), false));
  EXPECT_TRUE(DeletePath(Path(root_ / "read_only_dir"), false));
  EXPECT_FALSE(fs::exists(root_ / "read_only"));
  EXPECT_FALSE(fs::exists(root_ / "read_only_dir"));
}

TEST_F(FileUtilWinTest, AFileInUseIsNotDeletedAndKeepsItsAttributes) {
  test::WriteFile(root_ / "busy", "x");
  ASSERT_TRUE(
      SetFileAttributesW((root_ / "busy").c_str(), FILE_ATTRIBUTE_READONLY));
  {
    // Open without sharing delete, as a running program's image is.
    win::ScopedHandle busy(CreateFileW((root_ / "busy").c_str(), GENERIC_READ,
                                       FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       0, nullptr));
    ASSERT_TRUE(busy.is_valid());
    EXPECT_FALSE(DeletePath(Path(root_ / "busy"), false));
    EXPECT_TRUE(fs::exists(root_ / "busy"));
  }
  EXPECT_TRUE(GetFileAttributesW((root_ / "busy").c_str()) &
              FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(DeletePath(Path(root_ / "busy"), false));
}

TEST_F(FileUtilWinTest, RecursiveDeleteTakesHiddenAndReadOnlyFiles) {
  fs::create_directories(root_ / "tree" / "a" / "b");
  test::WriteFile(root_ / "tree" / "a" / "b" / "file", "x");
  test::WriteFile(root_ / "tree" / "top", "x");
  test::WriteFile(root_ / "tree" / "a" / "hidden", "x");
  test::WriteFile(root_ / "tree" / "a" / "read_only", "x");
  ASSERT_TRUE(SetFileAttributesW((root_ / "tree" / "a" / "hidden").c_str(),
                                 FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesW((root_ / "tree" / "a" / "read_only").c_str(),
                                 FILE_ATTRIBUTE_READONLY));

  EXPECT_TRUE(DeletePath(Path(root_ / "tree"), true));
  EXPECT_FALSE(fs::exists(root_ / "tree"));
  EXPECT_TRUE(fs::exists(root_));
}

TEST_F(FileUtilWinTest, RecursiveDeleteGoesDeeperThan260Characters) {
  fs::path deep = root_ / "tree";
  while (deep.wstring().size() < kMaxPathLength + 100)
    deep /= "directory";
  fs::create_directories(Extended(deep));
  test::WriteFile(Extended(deep / "file"), "x");
  ASSERT_TRUE(fs::exists(Extended(deep / "file")));

  EXPECT_TRUE(DeletePath(Path(root_ / "tree"), true));
  EXPECT_FALSE(fs::exists(root_ / "tree"));
}

// A reparse point inside the tree is removed, never entered: what it leads
// to stays. Windows makes a junction here; under Wine, which cannot, the
// test run provides a Unix symbolic link (Wine shows one as a reparse
// point), named by UPDATER_TEST_LINKED_TREE: a directory holding "tree"
// with a link "tree\link" to "outside", which holds "precious".
TEST_F(FileUtilWinTest, RecursiveDeleteNeverEntersAReparsePoint) {
  fs::path tree = root_ / "tree";
  fs::path outside = root_ / "outside";
  fs::create_directories(tree / "a");
  fs::create_directories(outside);
  test::WriteFile(outside / "precious", "x");
  fs::path link = tree / "a" / "link";
  if (!MakeJunction(link, outside)) {
    const DWORD size =
        GetEnvironmentVariableW(L"UPDATER_TEST_LINKED_TREE", nullptr, 0);
    if (size == 0)
      GTEST_SKIP() << "no reparse point can be made here";
    std::wstring prepared(size, L'\0');
    prepared.resize(GetEnvironmentVariableW(L"UPDATER_TEST_LINKED_TREE",
                                            &prepared[0], size));
    tree = fs::path(prepared) / "tree";
    outside = fs::path(prepared) / "outside";
    link = tree / "link";
    test::WriteFile(outside / "precious", "x");
    test::WriteFile(tree / "top", "x");
  }
  FileInfo info;
  ASSERT_TRUE(ReadFileInfo(Path(link), &info));
  EXPECT_TRUE(info.is_symbolic_link);
  EXPECT_FALSE(info.is_directory);
  EXPECT_TRUE(IsExistingDirectory(Path(link)));

  const bool deleted = DeletePath(Path(tree), true);
  EXPECT_TRUE(fs::exists(outside / "precious"));
  if (deleted) {
    EXPECT_FALSE(PathPresent(Path(tree)));
  } else {
    // Wine cannot remove a Unix link to a directory (it treats it as the
    // directory, which is not empty); the delete fails, and the link and
    // the tree around it stay, but nothing behind the link is touched.
    EXPECT_TRUE(PathPresent(Path(link)));
    EXPECT_FALSE(PathPresent(Path(tree / "top")));
  }
}

TEST_F(FileUtilWinTest, RenameReplacesAFileThatAReaderKeepsReading) {
  std::ofstream(root_ / "installed") << "old";
  std::ofstream(root_ / "staged") << "new";
  // A reader that shares deletion, as a running program's image is held.
  win::ScopedHandle reader(CreateFileW(
      (root_ / "installed").c_str(), GENERIC_READ,
      FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(reader.is_valid());
  fs::create_directory(root_ / "backup");
  ASSERT_TRUE(RenamePath(Path(root_ / "installed"),
                         Path(root_ / "backup" / "installed")));
  ASSERT_TRUE(RenamePath(Path(root_ / "staged"), Path(root_ / "installed")));
  EXPECT_EQ("new", test::ReadFileOrEmpty(root_ / "installed"));
  char buffer[8] = {};
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(reader.get(), buffer, sizeof(buffer), &read, nullptr));
  EXPECT_EQ("old", std::string(buffer, read));
  EXPECT_TRUE(FlushDirectory(Path(root_)));
}

TEST_F(FileUtilWinTest, ReadOnlyFilesAreReplacedLikeOthers) {
  fs::create_directory(root_ / "tree");
  std::ofstream(root_ / "tree" / "locked") << "old";
  std::ofstream(root_ / "staged") << "new";
  ASSERT_TRUE(SetFileAttributesW((root_ / "tree" / "locked").c_str(),
                                 FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(
      RenamePath(Path(root_ / "staged"), Path(root_ / "tree" / "locked")));
  EXPECT_EQ("new", test::ReadFileOrEmpty(root_ / "tree" / "locked"));
}

TEST_F(FileUtilWinTest, TheStoredNameKeepsItsLetterCase) {
  fs::create_directory(root_ / "Plugins");
  std::ofstream(root_ / "Plugins" / "ReadMe.txt") << "x";
  std::u16string name;
  ASSERT_TRUE(StoredName(Path(root_ / "plugins" / "README.TXT"), &name));
  EXPECT_EQ(u"ReadMe.txt", name);
  ASSERT_TRUE(StoredName(Path(root_ / "PLUGINS"), &name));
  EXPECT_EQ(u"Plugins", name);
  EXPECT_FALSE(StoredName(Path(root_ / "absent"), &name));
}

TEST_F(FileUtilWinTest, SystemTempDirIsTheSystemsWithoutTrailingSeparators) {
  FilePath temp_dir;
  {
    const std::wstring with_separators = root_.wstring() + L"\\\\";
    ScopedEnvironmentVariable tmp(L"TMP", with_separators.c_str());
    ASSERT_TRUE(GetSystemTempDir(&temp_dir));
    EXPECT_EQ(Path(root_), temp_dir);
  }
  {
    const std::wstring too_long =
        root_.wstring() + L"\\" + std::wstring(kMaxPathLength, L'd');
    ScopedEnvironmentVariable tmp(L"TMP", too_long.c_str());
    EXPECT_FALSE(GetSystemTempDir(&temp_dir));
  }
}

// The SID of the user this process runs as.
std::vector<BYTE> CurrentUserSid() {
  HANDLE token_handle = nullptr;
  EXPECT_TRUE(
      OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token_handle));
  win::ScopedHandle token(token_handle);
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  std::vector<BYTE> user(size);
  EXPECT_TRUE(
      GetTokenInformation(token.get(), TokenUser, user.data(), size, &size));
  PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
  const BYTE* bytes = static_cast<const BYTE*>(sid);
  return std::vector<BYTE>(bytes, bytes + GetLengthSid(sid));
}

bool IsSid(PSID sid, const std::vector<BYTE>& expected) {
  return GetLengthSid(sid) == expected.size() &&
         memcmp(sid, expected.data(), expected.size()) == 0;
}

// Whether |dir|'s access list gives full control to the current user alone,
// passes that on to what is made inside, and inherits nothing.
//
// Wine keeps no access lists: it turns them into Unix permission bits and
// answers from those, naming SYSTEM beside the owner and never a protected
// list. There the test can only see that no one else may enter.
testing::AssertionResult IsOwnerOnly(const fs::path& dir) {
  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD read = GetNamedSecurityInfoW(dir.c_str(), SE_FILE_OBJECT,
                                           DACL_SECURITY_INFORMATION, nullptr,
                                           nullptr, &acl, nullptr, &descriptor);
  if (read != ERROR_SUCCESS)
    return testing::AssertionFailure() << "no security information: " << read;
  std::unique_ptr<void, decltype(&LocalFree)> owned(descriptor, &LocalFree);
  if (!acl)
    return testing::AssertionFailure() << "no access list: anyone may enter";

  const std::vector<BYTE> user = CurrentUserSid();
  std::vector<BYTE> system(SECURITY_MAX_SID_SIZE);
  DWORD system_size = static_cast<DWORD>(system.size());
  CreateWellKnownSid(WinLocalSystemSid, nullptr, system.data(), &system_size);
  system.resize(system_size);
  const bool wine = test::RunningUnderWine();
  bool user_has_full_control = false;
  for (DWORD i = 0; i < acl->AceCount; ++i) {
    void* ace = nullptr;
    GetAce(acl, i, &ace);
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
    if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE)
      continue;
    PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    if (IsSid(sid, user)) {
      user_has_full_control =
          (allowed->Mask & FILE_ALL_ACCESS) == FILE_ALL_ACCESS &&
          (allowed->Header.AceFlags &
           (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)) ==
              (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
    } else if (!(wine && IsSid(sid, system))) {
      return testing::AssertionFailure() << "entry " << i << " is another's";
    }
  }
  if (!user_has_full_control)
    return testing::AssertionFailure() << "the user has no full control";
  if (wine)
    return testing::AssertionSuccess();

  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &control, &revision);
  if (!(control & SE_DACL_PROTECTED))
    return testing::AssertionFailure() << "the access list inherits";
  if (acl->AceCount != 1)
    return testing::AssertionFailure() << "entries: " << acl->AceCount;
  return testing::AssertionSuccess();
}

TEST_F(FileUtilWinTest, UniqueDirectoriesAreTheUsersAlone) {
  FilePath dir;
  ASSERT_TRUE(CreateUniqueDirIn(Path(root_), u"scoped_dir", &dir));
  EXPECT_TRUE(IsOwnerOnly(dir.AsSystemPath()));
  // What is made inside stays the user's, and the owner can remove it all.
  test::WriteFile(fs::path(dir.AsSystemPath()) / "download.bak", "x");
  EXPECT_TRUE(DeletePath(dir, true));
}

}  // namespace
}  // namespace base
