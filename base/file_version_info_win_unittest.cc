#include "base/file_version_info.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/file_path.h"
#include "base/file_version_block.h"
#include "base/unique_temp_dir.h"
#include "base/utf_string_conversions.h"
#include "base/version_resource.h"
#include "base/win/wide_text.h"
#include "tests/child_action.h"

namespace base {
namespace {

namespace fs = std::filesystem;

// This program carries the resource of testdata/version_info_win.rc.
FilePath ThisProgramPath() {
  return FilePath::FromSystemPath(test::ThisProgram().wstring());
}

TEST(FileVersionInfoWinTest, ReadsTheStringsOfThisProgram) {
  std::unique_ptr<FileVersionInfo> info =
      FileVersionInfo::ForFile(ThisProgramPath());
  ASSERT_TRUE(info);
  EXPECT_EQ(u"1, 0, 2, 5", info->FileVersion());
  EXPECT_EQ(u"1.0.2.5", info->ProductVersion());
  EXPECT_EQ(u"Mirovue", info->CompanyName());
  EXPECT_EQ(u"\u66F4\u65B0\u7A0B\u5E8F\u7684\u6D4B\u8BD5",
            info->FileDescription());
  EXPECT_EQ(u"\u00A9 Mirovue", info->LegalCopyright());
  EXPECT_EQ(u"base_unittests.exe", info->OriginalFilename());
  EXPECT_TRUE(info->IsOfficialBuild());
  EXPECT_EQ(u"", info->LegalTrademarks());
  EXPECT_EQ(u"", info->LastChange());
}

// A staged file has a bare number for a name; the loader must not look for
// that name plus ".dll" instead.
TEST(FileVersionInfoWinTest, ReadsAFileWhoseNameHasNoExtension) {
  UniqueTempDir dir;
  ASSERT_TRUE(dir.Create());
  const FilePath staged = dir.path().Append(u"7");
  fs::copy_file(ThisProgramPath().AsSystemPath(), staged.AsSystemPath());
  std::unique_ptr<FileVersionInfo> info = FileVersionInfo::ForFile(staged);
  ASSERT_TRUE(info);
  EXPECT_EQ(u"1, 0, 2, 5", info->FileVersion());
  EXPECT_FALSE(FileVersionInfo::ForFile(dir.path().Append(u"8")));
}

TEST(FileVersionInfoWinTest, FallbacksFollowTheResourceAndTheUsersLanguage) {
  std::unique_ptr<FileVersionInfo> info =
      FileVersionInfo::ForFile(ThisProgramPath());
  ASSERT_TRUE(info);
  // The resource's own language with code page 1252 is always tried.
  EXPECT_EQ(u"only under 1252", info->Comments());
  // English tables are read only for a user whose language is English.
  const bool english_user = UserDefaultLanguage() == 0x0409;
  EXPECT_EQ(english_user ? u"only for English" : u"", info->SpecialBuild());
  EXPECT_EQ(english_user ? u"only for English under 1252" : u"",
            info->PrivateBuild());
}

TEST(FileVersionInfoWinTest, UserLanguageIsTheSystemsAndChineseHere) {
  EXPECT_EQ(GetUserDefaultLangID(), UserDefaultLanguage());
  // The tests run under the zh_CN locale (see tools/wine_env.sh).
  EXPECT_EQ(0x0804, UserDefaultLanguage());
}

// The block the system hands out answers the system's own queries and the
// framework's parser alike, fallback tables and the fixed part included.
TEST(FileVersionInfoWinTest, TheParserAgreesWithTheSystemsReader) {
  std::vector<uint8_t> block;
  ASSERT_TRUE(ReadFileVersionBlock(ThisProgramPath(), &block));
  const VersionResource resource(block);

  uint16_t language = 0;
  uint16_t code_page = 0;
  ASSERT_TRUE(resource.FirstTranslation(&language, &code_page));
  void* translation = nullptr;
  UINT translation_size = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                             &translation, &translation_size));
  ASSERT_GE(translation_size, 4u);
  EXPECT_EQ(static_cast<const WORD*>(translation)[0], language);
  EXPECT_EQ(static_cast<const WORD*>(translation)[1], code_page);
  EXPECT_EQ(0x0804, language);
  EXPECT_EQ(1200, code_page);

  const char16_t* const sub_blocks[] = {
      u"\\StringFileInfo\\080404b0\\FileVersion",
      u"\\StringFileInfo\\080404b0\\FileDescription",
      u"\\StringFileInfo\\080404B0\\fileversion",
      u"\\StringFileInfo\\080404e4\\Comments",
      u"\\StringFileInfo\\040904b0\\SpecialBuild",
      u"\\StringFileInfo\\040904e4\\PrivateBuild",
      u"\\StringFileInfo\\080404b0\\Absent",
      u"\\StringFileInfo\\12345678\\FileVersion",
  };
  for (const char16_t* sub_block : sub_blocks) {
    SCOPED_TRACE(UTF16ToUTF8(sub_block));
    void* value = nullptr;
    UINT length = 0;
    const bool system_found =
        VerQueryValueW(block.data(), AsWCHAR(sub_block), &value, &length) &&
        value && length > 0;
    std::u16string parsed;
    const bool parser_found = resource.QueryString(sub_block, &parsed);
    ASSERT_EQ(system_found, parser_found);
    if (system_found) {
      EXPECT_EQ(std::u16string(AsChar16(static_cast<const WCHAR*>(value))),
                parsed);
    }
  }

  void* fixed = nullptr;
  UINT fixed_size = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &fixed, &fixed_size));
  size_t offset = 0;
  size_t size = 0;
  ASSERT_TRUE(resource.Query(u"\\", &offset, &size));
  EXPECT_EQ(static_cast<const uint8_t*>(fixed) - block.data(),
            static_cast<ptrdiff_t>(offset));
  EXPECT_EQ(fixed_size, size);
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  EXPECT_EQ(VS_FFI_SIGNATURE, info->dwSignature);
  EXPECT_EQ(MAKELONG(0, 1), info->dwFileVersionMS);
  EXPECT_EQ(MAKELONG(5, 2), info->dwFileVersionLS);
}

TEST(FileVersionInfoWinTest, FilesWithoutAResourceGiveNothing) {
  UniqueTempDir dir;
  ASSERT_TRUE(dir.Create());
  const fs::path root = dir.path().AsSystemPath();
  std::ofstream(root / "plain.txt") << "no image";
  std::vector<uint8_t> block = {42};
  for (const fs::path& path : {root / "absent.exe", root / "plain.txt", root}) {
    SCOPED_TRACE(path.string());
    const FilePath file_path = FilePath::FromSystemPath(path.wstring());
    EXPECT_FALSE(FileVersionInfo::ForFile(file_path));
    EXPECT_FALSE(ReadFileVersionBlock(file_path, &block));
    EXPECT_EQ(std::vector<uint8_t>{42}, block);
  }
}

}  // namespace
}  // namespace base
