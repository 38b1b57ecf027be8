#include "zip/zip_stage.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "base/file_util.h"
#include "base/unique_temp_dir.h"
#include "base/utf_string_conversions.h"
#include "gtest/gtest.h"
#include "tests/test_files.h"
#include "zip/testing/archive_builder.h"

namespace zip {
namespace {

namespace fs = std::filesystem;

using ::test::ReadFileOrEmpty;

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

// |count| Chinese characters, three bytes each in UTF-8.
std::string Chinese(size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i)
    text += "\xe4\xb8\xad";
  return text;
}

class StageArchiveTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.Create());
    root_ = scratch_.path().AsSystemPath();
    install_ = root_ / "install";
    staging_ = root_ / "staging";
    fs::create_directory(install_);
    fs::create_directory(staging_);
    old_umask_ = umask(022);
  }
  void TearDown() override { umask(old_umask_); }

  base::FilePath Path(const fs::path& path) {
    return base::FilePath::FromSystemPath(path.string());
  }
  fs::path archive() const { return root_ / "package.zip"; }

  bool StageWritten() {
    error_.clear();
    staged_ = StagedPackage();
    bool staged = StageArchive(Path(archive()), Path(install_), Path(staging_),
                               &staged_, &error_);
    EXPECT_EQ(staged, error_.empty()) << error_;
    return staged;
  }
  bool Stage(const std::vector<TestEntry>& entries) {
    EXPECT_TRUE(WriteTestArchive(Path(archive()), entries));
    return StageWritten();
  }

  // The staged content of the installed path |path|.
  std::string StagedContent(const std::string& path) {
    for (const StagedPackage::File& file : staged_.files) {
      if (file.path.AsSystemPath() == path)
        return ReadFileOrEmpty(staging_ /
                               base::FilePath(file.staged_name).AsSystemPath());
    }
    return "(not staged)";
  }
  mode_t StagedMode(const std::string& path) {
    for (const StagedPackage::File& file : staged_.files) {
      if (file.path.AsSystemPath() == path)
        return ModeOf(staging_ /
                      base::FilePath(file.staged_name).AsSystemPath());
    }
    return 0;
  }
  std::vector<std::string> StagedPaths() {
    std::vector<std::string> paths;
    for (const StagedPackage::File& file : staged_.files)
      paths.push_back(file.path.AsSystemPath());
    return paths;
  }
  std::vector<std::string> StagedDirectories() {
    std::vector<std::string> paths;
    for (const base::FilePath& dir : staged_.directories)
      paths.push_back(dir.AsSystemPath());
    return paths;
  }

  // The old installation, which staging never changes.
  void MakeInstallation() {
    fs::create_directories(install_ / "lib");
    test::WriteFile(install_ / "Mirovue.exe", "old host");
    chmod((install_ / "Mirovue.exe").c_str(), 0755);
    test::WriteFile(install_ / "lib" / "core.dll", "old core");
    test::WriteFile(install_ / "readme.txt", "old readme");
    chmod((install_ / "readme.txt").c_str(), 0600);
    before_ = test::TreeWithModes(install_);
  }

  base::UniqueTempDir scratch_;
  fs::path root_;
  fs::path install_;
  fs::path staging_;
  mode_t old_umask_ = 0;
  StagedPackage staged_;
  std::string error_;
  test::Files before_;
};

TEST_F(StageArchiveTest, AnArchiveWithNoEntriesStagesNothing) {
  MakeInstallation();
  test::WriteFile(archive(), EmptyArchiveAfterStub());
  EXPECT_TRUE(StageWritten());
  EXPECT_TRUE(staged_.files.empty());
  EXPECT_TRUE(staged_.directories.empty());
  EXPECT_EQ(before_, test::TreeWithModes(install_));
}

TEST_F(StageArchiveTest, StagesEveryFileAndNamesEveryDirectoryParentsFirst) {
  MakeInstallation();
  ASSERT_TRUE(Stage({{"top.txt", "top"},
                     {"a/b/", ""},
                     {"c/d/e.txt", "deep"},
                     {"win\\style\\f.txt", "backslashes"},
                     {"g//./h.txt", "double"},
                     {"\\lead.txt", "leading backslash"},
                     {"lib/core.dll", "new core"}}));
  EXPECT_EQ((std::vector<std::string>{"top.txt", "c/d/e.txt", "win/style/f.txt",
                                      "g/h.txt", "lead.txt", "lib/core.dll"}),
            StagedPaths());
  EXPECT_EQ((std::vector<std::string>{"a", "a/b", "c", "c/d", "win",
                                      "win/style", "g", "lib"}),
            StagedDirectories());
  EXPECT_EQ("deep", StagedContent("c/d/e.txt"));
  EXPECT_EQ("backslashes", StagedContent("win/style/f.txt"));
  EXPECT_EQ("new core", StagedContent("lib/core.dll"));
  // Staging never writes into the installation.
  EXPECT_EQ(before_, test::TreeWithModes(install_));
}

TEST_F(StageArchiveTest, ReplacementsTakeThePermissionBitsOfTheInstalledFile) {
  MakeInstallation();
  ASSERT_TRUE(Stage({{"Mirovue.exe", "new host", 0100644},
                     {"readme.txt", "new readme", 0100755},
                     {"tool", "x", 0100777},
                     {"data", "x", 0100666},
                     {"fat", "x", 0}}));
  EXPECT_EQ(0755u, StagedMode("Mirovue.exe"));
  EXPECT_EQ(0600u, StagedMode("readme.txt"));
  // New files take only the owner's execute bit from the archive.
  EXPECT_EQ(0744u, StagedMode("tool"));
  EXPECT_EQ(0644u, StagedMode("data"));
  EXPECT_EQ(0644u, StagedMode("fat"));
}

TEST_F(StageArchiveTest, ALaterEntryForTheSamePathWins) {
  ASSERT_TRUE(
      Stage({{"readme.txt", "first"}, {"a/x", "1"}, {"readme.txt", "second"}}));
  EXPECT_EQ((std::vector<std::string>{"readme.txt", "a/x"}), StagedPaths());
  EXPECT_EQ("second", StagedContent("readme.txt"));
}

TEST_F(StageArchiveTest, RefusedArchivesWriteNothing) {
  const struct {
    const char* name;
    std::vector<TestEntry> entries;
  } kCases[] = {
      {"parent step", {{"a.txt", "a"}, {"../escape.txt", "evil"}}},
      {"deeper parent step", {{"a.txt", "a"}, {"a/../../escape.txt", "evil"}}},
      {"dots in a name", {{"a.txt", "a"}, {"two..dots.txt", "evil"}}},
      {"absolute", {{"a.txt", "a"}, {"/abs/escape.txt", "evil"}}},
      {"drive", {{"a.txt", "a"}, {"C:\\escape.txt", "evil"}}},
      {"share", {{"a.txt", "a"}, {"//server/share/x", "evil"}}},
      {"not UTF-8", {{"a.txt", "a"}, {"caf\xe9.txt", "evil"}}},
      {"file over a directory", {{"a/b.txt", "a"}, {"a", "file"}}},
      {"directory over a file", {{"a", "file"}, {"a/", ""}}},
      {"no file name", {{"a.txt", "a"}, {"./", ""}, {".", "x"}}},
      {"name longer than the file system holds",
       {{"a.txt", "a"}, {Chinese(86), "x"}}},
  };
  MakeInstallation();
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(Stage(c.entries));
    EXPECT_TRUE(fs::is_empty(staging_));
    EXPECT_EQ(before_, test::TreeWithModes(install_));
  }
  EXPECT_FALSE(fs::exists(root_ / "escape.txt"));
}

TEST_F(StageArchiveTest, CompressionOtherThanStoredOrDeflatedIsRefusedUpFront) {
  MakeInstallation();
  ASSERT_TRUE(WriteTestArchive(
      Path(archive()),
      {{"Mirovue.exe", "new host"}, {"lib/x.dll", std::string(5000, 'x')}}));
  // bzip2, which minizip would pass through as raw bytes.
  ASSERT_TRUE(PatchEntryField(Path(archive()), "lib/x.dll",
                              EntryField::kCompressionMethod, 12));
  EXPECT_FALSE(StageWritten());
  EXPECT_NE(std::string::npos, error_.find("method 12")) << error_;
  EXPECT_TRUE(fs::is_empty(staging_));
  EXPECT_EQ(before_, test::TreeWithModes(install_));
}

TEST_F(StageArchiveTest, EncryptedEntriesAreRefusedUpFront) {
  ASSERT_TRUE(
      WriteTestArchive(Path(archive()), {{"a.txt", "a"}, {"b.txt", "b"}}));
  ASSERT_TRUE(PatchEntryField(Path(archive()), "b.txt", EntryField::kFlags, 1));
  EXPECT_FALSE(StageWritten());
  EXPECT_TRUE(fs::is_empty(staging_));
}

TEST_F(StageArchiveTest, CorruptDataFailsTheStaging) {
  MakeInstallation();
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
  test::WriteFile(archive(), bytes);
  EXPECT_FALSE(StageWritten());
  EXPECT_EQ(before_, test::TreeWithModes(install_));
}

TEST_F(StageArchiveTest, ASizeThatDiffersFromTheRecordedOneFailsTheStaging) {
  ASSERT_TRUE(
      WriteTestArchive(Path(archive()), {{"a.txt", std::string(3000, 'a')}}));
  for (uint32_t recorded : {2999u, 3001u}) {
    SCOPED_TRACE(recorded);
    ASSERT_TRUE(PatchEntryField(Path(archive()), "a.txt",
                                EntryField::kOriginalSize, recorded));
    EXPECT_FALSE(StageWritten());
    fs::remove_all(staging_);
    fs::create_directory(staging_);
  }
}

TEST_F(StageArchiveTest, TruncatedArchivesAreRefused) {
  ASSERT_TRUE(WriteTestArchive(Path(archive()),
                               {{"Mirovue.exe", "new host"},
                                {"newdir/new.txt", std::string(5000, 'x')}}));
  const std::string whole = ReadFileOrEmpty(archive());
  for (size_t keep : {size_t{0}, size_t{10}, whole.size() / 2,
                      whole.size() - 30, whole.size() - 22}) {
    SCOPED_TRACE(keep);
    test::WriteFile(archive(), whole.substr(0, keep));
    EXPECT_FALSE(StageWritten());
  }
}

TEST_F(StageArchiveTest, PathsTooLongForTheSystemAreRefusedUpFront) {
  std::string deep;
  while (install_.string().size() + deep.size() < base::kMaxPathLength)
    deep += "directory/";
  EXPECT_FALSE(Stage({{"Mirovue.exe", "new host"}, {deep + "x.txt", "x"}}));
  EXPECT_TRUE(fs::is_empty(staging_));
}

// Past 255 bytes, a name is neither cut nor merged with another: each is
// staged whole while the file system can hold it.
TEST_F(StageArchiveTest, LongNamesAreStagedWhole) {
  std::string deep;
  for (int i = 0; i < 37; ++i)
    deep += Chinese(2) + "/";
  ASSERT_GT(deep.size(), 255u);
  const std::string longest = Chinese(85);
  ASSERT_TRUE(Stage({{deep + "a", "a"},
                     {deep + "b", "b"},
                     {longest + "/", ""},
                     {longest + "/" + longest, "c"}}));
  EXPECT_EQ("a", StagedContent(deep + "a"));
  EXPECT_EQ("b", StagedContent(deep + "b"));
  EXPECT_EQ("c", StagedContent(longest + "/" + longest));
  EXPECT_EQ(longest, StagedDirectories().back());
}

// A link where the package puts a file is replaced like a file; what it
// points at is neither read nor written, and a dangling one is no obstacle.
TEST_F(StageArchiveTest, LinksInTheInstallationAreReplacedNotFollowed) {
  MakeInstallation();
  test::WriteFile(root_ / "outside.txt", "outside");
  chmod((root_ / "outside.txt").c_str(), 0700);
  fs::create_symlink(root_ / "outside.txt", install_ / "linked.txt");
  fs::create_symlink(root_ / "missing.txt", install_ / "dangling.txt");
  ASSERT_TRUE(
      Stage({{"linked.txt", "new linked"}, {"dangling.txt", "new dangling"}}));
  EXPECT_EQ("new linked", StagedContent("linked.txt"));
  EXPECT_EQ(0644u, StagedMode("linked.txt"));
  EXPECT_EQ(0644u, StagedMode("dangling.txt"));
  EXPECT_EQ("outside", ReadFileOrEmpty(root_ / "outside.txt"));
  EXPECT_EQ(0700u, ModeOf(root_ / "outside.txt"));
}

// Files are opened by their UTF-16 names, so a name that the ANSI code page
// cannot hold is as good as any.
TEST_F(StageArchiveTest, NamesInAndOutsideTheCodePageAreStaged) {
  EXPECT_TRUE(
      Stage({{"\xe4\xb8\xad\xe6\x96\x87.txt", "x"},
             {"\xec\x9e\x84\xec\x8b\x9c/smile\xf0\x9f\x98\x80.txt", "y"}}));
  EXPECT_EQ("x", StagedContent("\xe4\xb8\xad\xe6\x96\x87.txt"));
  EXPECT_EQ(
      "y", StagedContent("\xec\x9e\x84\xec\x8b\x9c/smile\xf0\x9f\x98\x80.txt"));
}

TEST_F(StageArchiveTest, AMissingArchiveIsRefused) {
  fs::remove(archive());
  EXPECT_FALSE(StageWritten());
}

// Enough entries that the central directory and the entries' data are read
// through many windows, alternately.
TEST_F(StageArchiveTest, ManyEntriesAreStagedIntact) {
  std::vector<TestEntry> entries;
  for (int i = 0; i < 1000; ++i)
    entries.push_back({"d" + std::to_string(i % 7) + "/f" + std::to_string(i),
                       std::string(static_cast<size_t>(i % 1500),
                                   static_cast<char>('a' + i % 26))});
  entries.push_back({"big.bin", std::string(3 << 20, 'z')});
  ASSERT_TRUE(Stage(entries));
  ASSERT_EQ(entries.size(), staged_.files.size());
  for (int i = 0; i < 1000; i += 97)
    EXPECT_EQ(entries[static_cast<size_t>(i)].content,
              StagedContent(entries[static_cast<size_t>(i)].name));
  EXPECT_EQ(std::string(3 << 20, 'z'), StagedContent("big.bin"));
}

}  // namespace
}  // namespace zip
