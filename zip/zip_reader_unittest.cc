#include "zip/zip_reader.h"

#include <string>
#include <vector>

#include "base/file.h"
#include "base/unique_temp_dir.h"
#include "base/utf_string_conversions.h"
#include "gtest/gtest.h"
#include "zip/testing/archive_builder.h"

namespace zip {
namespace {

TEST(ZipEntryInfoTest, NamesThatCouldLeaveTheDestinationAreUnsafe) {
  const struct {
    const char* name;
    bool unsafe;
  } kCases[] = {
      {"file.txt", false},
      {"dir/sub/file.txt", false},
      {"dir\\sub\\file.txt", false},
      {"dir//file.txt", false},
      {"C:file.txt", false},
      {"\xe4\xb8\xad\xe6\x96\x87.txt", false},  // 中文.txt
      {"../evil.txt", true},
      {"dir/../../evil.txt", true},
      {"..\\evil.txt", true},
      {"two..dots.txt", true},
      {"/etc/passwd", true},
      // Joined below the destination all the same.
      {"\\lead.txt", false},
      {"C:\\evil.dll", true},
      {"c:/evil.dll", true},
      {"//server/share/evil", true},
      {"\\\\server\\share\\evil", true},
      {"caf\xe9.txt", true},           // Latin-1, not UTF-8
      {"\xc0\xaf.txt", true},          // overlong '/'
      {"\xed\xa0\x80.txt", true},      // a surrogate
      {"\xf4\x90\x80\x80.txt", true},  // above U+10FFFF
      {"\xe4\xb8.txt", true},          // cut sequence
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.unsafe, ZipEntryInfo(c.name, false).is_unsafe());
  }
  // A zero byte would end the name early wherever it is handed on.
  EXPECT_TRUE(
      ZipEntryInfo(std::string("run.txt\0.exe", 12), false).is_unsafe());
}

TEST(ZipEntryInfoTest, OnlyATrailingSlashMakesADirectory) {
  EXPECT_TRUE(ZipEntryInfo("dir/", false).is_directory());
  EXPECT_TRUE(ZipEntryInfo("dir/sub/", false).is_directory());
  EXPECT_FALSE(ZipEntryInfo("dir", false).is_directory());
  EXPECT_FALSE(ZipEntryInfo("dir\\", false).is_directory());
}

TEST(ZipEntryInfoTest, UndecodableBytesBecomeReplacementCharacters) {
  ZipEntryInfo info(
      "a\xff"
      "b",
      false);
  EXPECT_EQ(
      u"a\ufffd"
      u"b",
      info.path().value());
}

class ZipReaderTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.Create());
    archive_ = scratch_.path().AppendASCII("test.zip");
  }

  // The names of all entries, walked the way the extraction walks them.
  std::vector<std::string> EntryNames() {
    std::vector<std::string> names;
    ZipReader reader;
    EXPECT_TRUE(reader.OpenArchive(archive_));
    while (reader.HasEntry()) {
      EXPECT_TRUE(reader.ReadCurrentEntry());
      names.push_back(
          base::UTF16ToUTF8(reader.current_entry_info()->path().value()));
      EXPECT_TRUE(reader.MoveToNextEntry());
    }
    return names;
  }

  base::UniqueTempDir scratch_;
  base::FilePath archive_;
};

TEST_F(ZipReaderTest, WalksEntriesInDirectoryOrder) {
  ASSERT_TRUE(WriteTestArchive(archive_,
                               {{"b.txt", "b"}, {"a/", ""}, {"a/c.txt", "c"}}));
  EXPECT_EQ((std::vector<std::string>{"b.txt", "a/", "a/c.txt"}), EntryNames());
}

TEST_F(ZipReaderTest, AnEmptyArchiveHasNoEntry) {
  // Behind a stub: minizip does not open a directory end at offset 0.
  FILE* file = fopen(archive_.AsSystemPath().c_str(), "wb");
  ASSERT_TRUE(file);
  fwrite("MZ stub program.PK\x05\x06", 1, 20, file);
  for (int i = 0; i < 18; ++i)
    fputc(0, file);
  fclose(file);
  ZipReader reader;
  ASSERT_TRUE(reader.OpenArchive(archive_));
  EXPECT_FALSE(reader.HasEntry());
  EXPECT_FALSE(reader.MoveToNextEntry());
}

// Names cut short would merge entries and install files under wrong names.
TEST_F(ZipReaderTest, NamesAreReadWholeHoweverLong) {
  const std::string long_name(300, 'n');
  const std::string directory = "\u4e2d" + std::string(300, 'd') + "/";
  ASSERT_TRUE(WriteTestArchive(
      archive_,
      {{long_name + "a", "x"}, {long_name + "b", "y"}, {directory, ""}}));
  EXPECT_EQ(
      (std::vector<std::string>{long_name + "a", long_name + "b", directory}),
      EntryNames());
}

// Windows zip tools store names in the desktop's code page (936) without
// the UTF-8 flag, and may add the Info-ZIP Unicode Path field beside them.
TEST_F(ZipReaderTest, NamesFromWindowsZipToolsAreReadAsTheyWereMeant) {
  const std::string kGbk = "\xd6\xd0\xce\xc4.txt";  // 中文.txt in code page 936
  const std::string kUtf8 = "\xe4\xb8\xad\xe6\x96\x87.txt";   // 中文.txt
  const std::string kOther = "\xe7\xbb\x9f\xe4\xb8\x80.txt";  // 统一.txt
  const struct {
    const char* what;
    TestEntry entry;
    std::string name;
    bool unsafe;
  } kCases[] = {
      {"code page 936 without the flag", {kGbk, "x"}, kUtf8, false},
      {"Unicode Path field for the stored name",
       {kGbk, "x", 0, false, UnicodePathField(kGbk, kOther)},
       kOther,
       false},
      {"Unicode Path field for another name",
       {kGbk, "x", 0, false, UnicodePathField("renamed.txt", kOther)},
       kUtf8,
       false},
      {"Unicode Path field after another field",
       {kGbk, "x", 0, false,
        std::string("\x55\x54\x01\x00\x00", 5) +
            UnicodePathField(kGbk, kOther)},
       kOther,
       false},
      {"UTF-8 without the flag", {kUtf8, "x"}, kUtf8, false},
      {"flagged UTF-8 that is not", {kGbk, "x", 0, true}, "\xef\xbf\xbd", true},
      {"neither UTF-8 nor the code page",
       {"\xff.txt", "x"},
       "\xef\xbf\xbd.txt",
       true},
      {"a parent step once decoded",
       {"..\\\xd6\xd0.txt", "x"},
       "..\\\xe4\xb8\xad.txt",
       true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(WriteTestArchive(archive_, {c.entry}));
    ZipReader reader;
    ASSERT_TRUE(reader.OpenArchive(archive_));
    ASSERT_TRUE(reader.ReadCurrentEntry());
    const std::string name =
        base::UTF16ToUTF8(reader.current_entry_info()->path().value());
    EXPECT_EQ(c.unsafe, reader.current_entry_info()->is_unsafe());
    if (!c.unsafe || c.name.find("..") != std::string::npos)
      EXPECT_EQ(c.name, name);
    else
      EXPECT_NE(std::string::npos, name.find(c.name));
  }
}

TEST_F(ZipReaderTest, OwnerExecuteComesFromUnixAttributesOnly) {
  ASSERT_TRUE(WriteTestArchive(
      archive_,
      {{"run", "x", 0100755}, {"plain", "x", 0100644}, {"fat", "x", 0}}));
  std::vector<bool> executable;
  ZipReader reader;
  ASSERT_TRUE(reader.OpenArchive(archive_));
  while (reader.HasEntry()) {
    ASSERT_TRUE(reader.ReadCurrentEntry());
    executable.push_back(reader.current_entry_info()->is_owner_executable());
    ASSERT_TRUE(reader.MoveToNextEntry());
  }
  EXPECT_EQ((std::vector<bool>{true, false, false}), executable);
}

TEST_F(ZipReaderTest, EntriesTellHowTheyAreStoredAndExtractAfterARewind) {
  ASSERT_TRUE(WriteTestArchive(
      archive_, {{"a.txt", std::string(5000, 'a')}, {"b/", ""}}));
  ZipReader reader;
  ASSERT_TRUE(reader.OpenArchive(archive_));
  ASSERT_TRUE(reader.ReadCurrentEntry());
  const ZipEntryStorage& storage = reader.current_entry_info()->storage();
  EXPECT_EQ(ZipEntryStorage::kDeflated, storage.compression_method);
  EXPECT_FALSE(storage.encrypted);
  EXPECT_EQ(5000u, storage.original_size);
  ASSERT_TRUE(reader.MoveToNextEntry());
  ASSERT_TRUE(reader.MoveToNextEntry());
  EXPECT_FALSE(reader.HasEntry());

  ASSERT_TRUE(reader.Rewind());
  ASSERT_TRUE(reader.ReadCurrentEntry());
  const base::FilePath output = scratch_.path().AppendASCII("a.out");
  base::File file = base::File::CreateNew(output, false);
  ASSERT_TRUE(reader.ExtractCurrentEntryTo(&file));
  ASSERT_TRUE(file.Close());
  base::File written = base::File::OpenForRead(output);
  EXPECT_EQ(5000, written.Seek(base::File::Whence::kEnd, 0));
  ASSERT_TRUE(reader.MoveToNextEntry());
  ASSERT_TRUE(reader.ReadCurrentEntry());
  // A directory has no data to write.
  EXPECT_FALSE(reader.ExtractCurrentEntryTo(&file));
}

TEST_F(ZipReaderTest, ArchivesThatCannotBeReadFailToOpen) {
  ZipReader reader;
  EXPECT_FALSE(reader.OpenArchive(scratch_.path().AppendASCII("absent.zip")));
  EXPECT_FALSE(reader.OpenArchive(scratch_.path()));

  FILE* text = fopen(archive_.AsSystemPath().c_str(), "wb");
  ASSERT_TRUE(text);
  fputs("this is not an archive at all, just some words", text);
  fclose(text);
  EXPECT_FALSE(reader.OpenArchive(archive_));
  EXPECT_FALSE(reader.HasEntry());
}

}  // namespace
}  // namespace zip
