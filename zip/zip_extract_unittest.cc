#include "zip/zip_extract.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "base/file_util.h"
#include "base/process_util.h"
#include "base/unique_temp_dir.h"
#include "gtest/gtest.h"
#include "tests/child_process.h"
#include "zip/testing/archive_builder.h"

namespace zip {
namespace {

namespace fs = std::filesystem;

using ::test::ReadFileOrEmpty;

void WriteWholeFile(const fs::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

mode_t ModeOf(const fs::path& path) {
  struct stat info;
  EXPECT_EQ(0, lstat(path.c_str(), &info));
  return info.st_mode & 07777;
}

// An archive with no entries behind a self-extractor stub. minizip takes a
// directory end found at offset 0 for none found, so a bare 22-byte empty
// archive does not open at all.
std::string EmptyArchiveAfterStub() {
  return std::string("MZ stub program.") + std::string("PK\x05\x06", 4) +
         std::string(18, '\0');
}

// Everything under |root|: each path with its kind, mode bits and content.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string key = fs::relative(entry.path(), root).string();
    std::string mode = std::to_string(ModeOf(entry.path()));
    if (entry.is_directory())
      tree[key] = "dir " + mode;
    else
      tree[key] = "file " + mode + " " + ReadFileOrEmpty(entry.path());
  }
  return tree;
}

// Each test gets its own system temporary directory, so that the private
// directories the extraction makes there can be seen, and its own
// destination tree.
class ExtractArchiveTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.Create());
    root_ = scratch_.path().AsSystemPath();
    temp_ = root_ / "tmp";
    dest_ = root_ / "install";
    fs::create_directory(temp_);
    fs::create_directory(dest_);
    const char* old_tmpdir = getenv("TMPDIR");
    if (old_tmpdir)
      old_tmpdir_ = old_tmpdir;
    had_tmpdir_ = old_tmpdir != nullptr;
    setenv("TMPDIR", temp_.c_str(), 1);
    old_umask_ = umask(022);
  }

  void TearDown() override {
    umask(old_umask_);
    if (had_tmpdir_)
      setenv("TMPDIR", old_tmpdir_.c_str(), 1);
    else
      unsetenv("TMPDIR");
  }

  base::FilePath Path(const fs::path& path) {
    return base::FilePath::FromSystemPath(path.string());
  }

  bool Extract(const std::vector<TestEntry>& entries) {
    EXPECT_TRUE(WriteTestArchive(Path(archive()), entries));
    return ExtractArchive(Path(archive()), Path(dest_));
  }

  fs::path archive() const { return root_ / "package.zip"; }

  // The old installation every failure must leave exactly as it was.
  void MakeInstallation() {
    fs::create_directories(dest_ / "lib");
    WriteWholeFile(dest_ / "Mirovue.exe", "old host");
    chmod((dest_ / "Mirovue.exe").c_str(), 0755);
    WriteWholeFile(dest_ / "lib" / "core.dll", "old core");
    WriteWholeFile(dest_ / "readme.txt", "old readme");
    chmod((dest_ / "readme.txt").c_str(), 0600);
  }

  bool TempDirIsEmpty() { return fs::is_empty(temp_); }

  base::UniqueTempDir scratch_;
  fs::path root_;
  fs::path temp_;
  fs::path dest_;
  std::string old_tmpdir_;
  bool had_tmpdir_ = false;
  mode_t old_umask_ = 0;
};

TEST_F(ExtractArchiveTest, AnArchiveWithNoEntriesSucceedsAndChangesNothing) {
  MakeInstallation();
  auto before = Snapshot(dest_);
  WriteWholeFile(archive(), EmptyArchiveAfterStub());
  EXPECT_TRUE(ExtractArchive(Path(archive()), Path(dest_)));
  EXPECT_EQ(before, Snapshot(dest_));
}

TEST_F(ExtractArchiveTest, WritesFilesAndCreatesMissingDirectories) {
  ASSERT_TRUE(Extract({{"top.txt", "top"},
                       {"a/b/", ""},
                       {"c/d/e.txt", "deep"},
                       {"win\\style\\f.txt", "backslashes"},
                       {"g//h.txt", "double"},
                       {"\\lead.txt", "leading backslash"}}));
  EXPECT_EQ("top", ReadFileOrEmpty(dest_ / "top.txt"));
  EXPECT_TRUE(fs::is_directory(dest_ / "a" / "b"));
  EXPECT_EQ("deep", ReadFileOrEmpty(dest_ / "c" / "d" / "e.txt"));
  EXPECT_EQ("backslashes", ReadFileOrEmpty(dest_ / "win" / "style" / "f.txt"));
  EXPECT_EQ("double", ReadFileOrEmpty(dest_ / "g" / "h.txt"));
  EXPECT_EQ("leading backslash", ReadFileOrEmpty(dest_ / "lead.txt"));
  EXPECT_TRUE(TempDirIsEmpty());
}

TEST_F(ExtractArchiveTest, OverwrittenFilesKeepTheirPermissionBits) {
  MakeInstallation();
  ASSERT_TRUE(Extract({{"Mirovue.exe", "new host", 0100644},
                       {"readme.txt", "new readme", 0100755}}));
  EXPECT_EQ("new host", ReadFileOrEmpty(dest_ / "Mirovue.exe"));
  EXPECT_EQ(0755u, ModeOf(dest_ / "Mirovue.exe"));
  EXPECT_EQ("new readme", ReadFileOrEmpty(dest_ / "readme.txt"));
  EXPECT_EQ(0600u, ModeOf(dest_ / "readme.txt"));
}

TEST_F(ExtractArchiveTest, NewFilesTakeOnlyTheOwnerExecuteBitFromTheArchive) {
  ASSERT_TRUE(Extract(
      {{"tool", "x", 0100777}, {"data", "x", 0100666}, {"fat", "x", 0}}));
  EXPECT_EQ(0744u, ModeOf(dest_ / "tool"));
  EXPECT_EQ(0644u, ModeOf(dest_ / "data"));
  EXPECT_EQ(0644u, ModeOf(dest_ / "fat"));
}

TEST_F(ExtractArchiveTest, ALaterEntryForTheSameFileWins) {
  MakeInstallation();
  ASSERT_TRUE(Extract({{"readme.txt", "first"}, {"readme.txt", "second"}}));
  EXPECT_EQ("second", ReadFileOrEmpty(dest_ / "readme.txt"));
}

TEST_F(ExtractArchiveTest, AnUnsafeEntryAnywhereWritesNothing) {
  const char* kUnsafeNames[] = {
      "../escape.txt",    "a/../../escape.txt", "two..dots.txt",
      "/abs/escape.txt",  "C:\\escape.txt",     "c:/escape.txt",
      "//server/share/x", "caf\xe9.txt",
  };
  MakeInstallation();
  auto before = Snapshot(dest_);
  for (const char* name : kUnsafeNames) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(Extract({{"Mirovue.exe", "new host"},
                          {"newdir/new.txt", "new"},
                          {name, "evil"}}));
    EXPECT_EQ(before, Snapshot(dest_));
    EXPECT_TRUE(TempDirIsEmpty());
  }
  EXPECT_FALSE(fs::exists(root_ / "escape.txt"));
}

TEST_F(ExtractArchiveTest, ADestinationThatIsADirectoryPutsEverythingBack) {
  MakeInstallation();
  fs::create_directories(dest_ / "blocked" / "inside");
  auto before = Snapshot(dest_);
  EXPECT_FALSE(Extract({{"Mirovue.exe", "new host"},
                        {"lib/core.dll", "new core"},
                        {"fresh/dir/", ""},
                        {"fresh/more/new.txt", "new"},
                        {"also_new.txt", "new"},
                        {"blocked", "cannot be written"},
                        {"after.txt", "never written"}}));
  EXPECT_EQ(before, Snapshot(dest_));
  EXPECT_TRUE(TempDirIsEmpty());
}

TEST_F(ExtractArchiveTest, AFileInUsePutsEverythingBack) {
  MakeInstallation();
  // A running program cannot be opened for writing: copy a real one into
  // the installation and run it there.
  fs::copy_file("/bin/sleep", dest_ / "busy.exe");
  chmod((dest_ / "busy.exe").c_str(), 0755);
  auto before = Snapshot(dest_);
  base::Process busy;
  ASSERT_TRUE(base::StartProcess(
      base::BuildLaunchCommandLine(Path(dest_ / "busy.exe"), u"60"), {},
      &busy));

  EXPECT_FALSE(Extract({{"Mirovue.exe", "new host"},
                        {"new/file.txt", "new"},
                        {"busy.exe", "replacement"}}));
  EXPECT_TRUE(busy.Terminate());
  int exit_code;
  EXPECT_TRUE(busy.WaitForExitWithTimeout(base::TimeDelta::FromSeconds(10),
                                          &exit_code));
  EXPECT_EQ(before, Snapshot(dest_));
  EXPECT_TRUE(TempDirIsEmpty());
}

TEST_F(ExtractArchiveTest, CorruptEntryDataPutsEverythingBack) {
  MakeInstallation();
  auto before = Snapshot(dest_);
  std::string payload(64 * 1024, '\0');
  for (size_t i = 0; i < payload.size(); ++i)
    payload[i] = static_cast<char>((i * 7919) % 251);
  ASSERT_TRUE(WriteTestArchive(Path(archive()), {{"Mirovue.exe", "new host"},
                                                 {"newdir/big.bin", payload},
                                                 {"readme.txt", payload}}));
  // Spoil bytes of the last entry's compressed data, well past its local
  // header; the central directory stays intact.
  std::string bytes = ReadFileOrEmpty(archive());
  size_t last_header = bytes.rfind(std::string("PK\x03\x04", 4));
  ASSERT_NE(std::string::npos, last_header);
  for (size_t i = last_header + 80; i < last_header + 120; ++i)
    bytes[i] = static_cast<char>(bytes[i] ^ 0x5a);
  WriteWholeFile(archive(), bytes);

  EXPECT_FALSE(ExtractArchive(Path(archive()), Path(dest_)));
  EXPECT_EQ(before, Snapshot(dest_));
  EXPECT_TRUE(TempDirIsEmpty());
}

TEST_F(ExtractArchiveTest, TruncatedArchivesWriteNothing) {
  MakeInstallation();
  auto before = Snapshot(dest_);
  ASSERT_TRUE(WriteTestArchive(Path(archive()),
                               {{"Mirovue.exe", "new host"},
                                {"newdir/new.txt", std::string(5000, 'x')}}));
  const std::string whole = ReadFileOrEmpty(archive());
  for (size_t keep : {size_t{0}, size_t{10}, whole.size() / 2,
                      whole.size() - 30, whole.size() - 22}) {
    SCOPED_TRACE(keep);
    WriteWholeFile(archive(), whole.substr(0, keep));
    EXPECT_FALSE(ExtractArchive(Path(archive()), Path(dest_)));
    EXPECT_EQ(before, Snapshot(dest_));
  }
}

TEST_F(ExtractArchiveTest, AnEmptyDestinationMeansTheCurrentDirectory) {
  ASSERT_TRUE(WriteTestArchive(Path(archive()), {{"sub/here.txt", "here"}}));
  const fs::path old_directory = fs::current_path();
  fs::current_path(dest_);
  bool extracted = ExtractArchive(Path(archive()), base::FilePath());
  fs::current_path(old_directory);
  EXPECT_TRUE(extracted);
  EXPECT_EQ("here", ReadFileOrEmpty(dest_ / "sub" / "here.txt"));
}

TEST_F(ExtractArchiveTest, WithoutRoomForOldContentsNothingIsWritten) {
  MakeInstallation();
  auto before = Snapshot(dest_);
  setenv("TMPDIR", (root_ / "absent").c_str(), 1);
  EXPECT_FALSE(Extract({{"Mirovue.exe", "new host"}, {"new.txt", "new"}}));
  EXPECT_EQ(before, Snapshot(dest_));
}

TEST_F(ExtractArchiveTest, AMissingArchiveFails) {
  EXPECT_FALSE(ExtractArchive(Path(root_ / "absent.zip"), Path(dest_)));
  EXPECT_TRUE(fs::is_empty(dest_));
}

TEST_F(ExtractArchiveTest, PathsTooLongToUndoAreRefusedUpFront) {
  MakeInstallation();
  auto before = Snapshot(dest_);
  std::string deep;
  while (dest_.string().size() + deep.size() < base::kMaxPathLength)
    deep += "directory/";
  EXPECT_FALSE(Extract({{"Mirovue.exe", "new host"}, {deep + "x.txt", "x"}}));
  EXPECT_EQ(before, Snapshot(dest_));
}

TEST_F(ExtractArchiveTest, NamesOutsideTheAnsiCodePageAreRefusedUpFront) {
  MakeInstallation();
  auto before = Snapshot(dest_);
  // U+1F600 has no place in code page 936.
  EXPECT_FALSE(Extract(
      {{"Mirovue.exe", "new host"}, {"smile\xf0\x9f\x98\x80.txt", "x"}}));
  EXPECT_EQ(before, Snapshot(dest_));
  // Chinese names are fine.
  EXPECT_TRUE(Extract({{"\xe4\xb8\xad\xe6\x96\x87.txt", "x"}}));
}

}  // namespace
}  // namespace zip
