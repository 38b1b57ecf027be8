// The version lookup over images written by the version resource writer:
// PE and ELF images in a temporary directory, the four-pair fallback, and
// truncated or damaged images.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/file_path.h"
#include "base/file_version_block.h"
#include "base/file_version_info.h"
#include "base/file_version_info_from_block.h"
#include "base/image_version_reader.h"
#include "base/utf_string_conversions.h"
#include "base/version_resource.h"
#include "tests/test_files.h"
#include "tools/version_resource/version_resource_writer.h"

namespace {

using test::ScopedTempDir;
using tools::BuildElfImage;
using tools::BuildPeImage;
using tools::BuildResourceSection;
using tools::BuildVersionInfo;
using tools::ElfClass;
using tools::OptionsForFileVersion;
using tools::VersionResourceOptions;

// Where the PE writer puts the resource section and, in it, the version data.
constexpr size_t kPeSectionOffset = 0x200;
constexpr size_t kPeDataEntry = kPeSectionOffset + 72;
constexpr size_t kPeData = kPeSectionOffset + 88;

// Sets the locale variables for one test and puts the old values back.
class ScopedLocale {
 public:
  explicit ScopedLocale(const char* lang, const char* lc_all = nullptr) {
    for (const char* name : kNames) {
      const char* value = getenv(name);
      saved_.push_back(value ? std::optional<std::string>(value)
                             : std::nullopt);
      unsetenv(name);
    }
    if (lang)
      setenv("LANG", lang, 1);
    if (lc_all)
      setenv("LC_ALL", lc_all, 1);
  }
  ~ScopedLocale() {
    for (size_t i = 0; i < saved_.size(); ++i) {
      if (saved_[i])
        setenv(kNames[i], saved_[i]->c_str(), 1);
      else
        unsetenv(kNames[i]);
    }
  }

 private:
  static constexpr const char* kNames[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::vector<std::optional<std::string>> saved_;
};

base::FilePath PathOf(const std::string& path) {
  return base::FilePath::FromSystemPath(path);
}

std::unique_ptr<base::FileVersionInfo> InfoFromFile(
    const std::string& path,
    const std::vector<uint8_t>& bytes) {
  EXPECT_TRUE(tools::WriteBytesToFile(path, bytes));
  return base::FileVersionInfo::ForFile(PathOf(path));
}

std::vector<uint8_t> ElfImageOf(const std::vector<uint8_t>& version_info,
                                ElfClass elf_class) {
  return BuildElfImage(BuildResourceSection(version_info, 0x0804, 0),
                       elf_class);
}

bool ReadsVersion(const std::vector<uint8_t>& image) {
  std::vector<uint8_t> block;
  return base::ReadImageVersionResource(
      base::MemoryImageSource(image.data(), image.size()), &block);
}

// Reads every accessor, so that a damaged block is walked for each key;
// returns the total length read.
size_t ReadEverything(const base::FileVersionInfo& info) {
  std::u16string all =
      info.CompanyName() + info.CompanyShortName() + info.ProductName() +
      info.ProductShortName() + info.InternalName() + info.ProductVersion() +
      info.PrivateBuild() + info.SpecialBuild() + info.Comments() +
      info.OriginalFilename() + info.FileDescription() + info.FileVersion() +
      info.LegalCopyright() + info.LegalTrademarks() + info.LastChange();
  return all.size() + (info.IsOfficialBuild() ? 1 : 0);
}

TEST(FileVersionInfoTest, ReadsFileVersionFromPeImage) {
  ScopedTempDir dir;
  auto info = InfoFromFile(
      dir.path() + "/Mirovue.exe",
      BuildPeImage(BuildVersionInfo(OptionsForFileVersion(u"1, 0, 2, 5")),
                   0x0804));
  ASSERT_TRUE(info);
  EXPECT_EQ(u"1, 0, 2, 5", info->FileVersion());
}

TEST(FileVersionInfoTest, ReadsFileVersionFromElfImages) {
  ScopedTempDir dir;
  const std::vector<uint8_t> version_info =
      BuildVersionInfo(OptionsForFileVersion(u"3, 2, 1, 0"));
  for (ElfClass elf_class : {ElfClass::k64, ElfClass::k32}) {
    SCOPED_TRACE(elf_class == ElfClass::k64 ? "ELF64" : "ELF32");
    auto info =
        InfoFromFile(dir.path() + "/host", ElfImageOf(version_info, elf_class));
    ASSERT_TRUE(info);
    EXPECT_EQ(u"3, 2, 1, 0", info->FileVersion());
  }
}

TEST(FileVersionInfoTest, EachAccessorReadsItsOwnKey) {
  using Accessor = std::u16string (base::FileVersionInfo::*)() const;
  const struct {
    const char16_t* key;
    Accessor accessor;
  } cases[] = {
      {u"CompanyName", &base::FileVersionInfo::CompanyName},
      {u"CompanyShortName", &base::FileVersionInfo::CompanyShortName},
      {u"ProductName", &base::FileVersionInfo::ProductName},
      {u"ProductShortName", &base::FileVersionInfo::ProductShortName},
      {u"InternalName", &base::FileVersionInfo::InternalName},
      {u"ProductVersion", &base::FileVersionInfo::ProductVersion},
      {u"PrivateBuild", &base::FileVersionInfo::PrivateBuild},
      {u"SpecialBuild", &base::FileVersionInfo::SpecialBuild},
      {u"Comments", &base::FileVersionInfo::Comments},
      {u"OriginalFilename", &base::FileVersionInfo::OriginalFilename},
      {u"FileDescription", &base::FileVersionInfo::FileDescription},
      {u"FileVersion", &base::FileVersionInfo::FileVersion},
      {u"LegalCopyright", &base::FileVersionInfo::LegalCopyright},
      {u"LegalTrademarks", &base::FileVersionInfo::LegalTrademarks},
      {u"LastChange", &base::FileVersionInfo::LastChange},
  };
  VersionResourceOptions options;
  for (const auto& c : cases)
    options.strings.emplace_back(c.key, std::u16string(u"value of ") + c.key);
  auto info = base::WinFileVersionInfo::FromBlock(BuildVersionInfo(options));
  ASSERT_TRUE(info);
  for (const auto& c : cases) {
    SCOPED_TRACE(base::UTF16ToUTF8(c.key));
    EXPECT_EQ(std::u16string(u"value of ") + c.key, ((*info).*c.accessor)());
  }
  EXPECT_FALSE(info->IsOfficialBuild());
}

TEST(FileVersionInfoTest, OfficialBuildOnlyWhenItReadsOne) {
  const struct {
    const char16_t* value;
    bool official;
  } cases[] = {{u"1", true},
               {u"0", false},
               {u"11", false},
               {u"", false},
               {u"yes", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(base::UTF16ToUTF8(c.value));
    VersionResourceOptions options;
    options.strings.emplace_back(u"Official Build", c.value);
    auto info = base::WinFileVersionInfo::FromBlock(BuildVersionInfo(options));
    ASSERT_TRUE(info);
    EXPECT_EQ(c.official, info->IsOfficialBuild());
  }
}

TEST(FileVersionInfoTest, MissingOrNonImageFilesGiveNull) {
  ScopedTempDir dir;
  EXPECT_FALSE(
      base::FileVersionInfo::ForFile(PathOf(dir.path() + "/missing.exe")));
  EXPECT_FALSE(base::FileVersionInfo::ForFile(PathOf(dir.path())));
  EXPECT_FALSE(InfoFromFile(dir.path() + "/empty.exe", {}));
  EXPECT_FALSE(InfoFromFile(dir.path() + "/text.exe", {'M', 'Z', 'h', 'i'}));
}

TEST(FileVersionInfoTest, BackslashesInThePathReachTheSameFile) {
  ScopedTempDir dir;
  ASSERT_TRUE(tools::WriteBytesToFile(
      dir.path() + "/Mirovue.exe",
      BuildPeImage(BuildVersionInfo(OptionsForFileVersion(u"1, 0, 2, 5")),
                   0x0804)));
  std::u16string path = base::UTF8ToUTF16(dir.path()) + u"\\Mirovue.exe";
  auto info = base::FileVersionInfo::ForFile(base::FilePath(path));
  ASSERT_TRUE(info);
  EXPECT_EQ(u"1, 0, 2, 5", info->FileVersion());
}

TEST(FileVersionInfoTest, ImageWithoutVersionResourceGivesNull) {
  // A resource section whose only entry is an icon group (type 14).
  std::vector<uint8_t> image = BuildPeImage(
      BuildVersionInfo(OptionsForFileVersion(u"1, 0, 0, 0")), 0x0804);
  image[kPeSectionOffset + 16] = 14;
  EXPECT_FALSE(ReadsVersion(image));
}

TEST(FileVersionInfoTest, NoTranslationTableGivesNull) {
  VersionResourceOptions options = OptionsForFileVersion(u"1, 0, 2, 5");
  options.has_translation = false;
  ScopedTempDir dir;
  EXPECT_FALSE(InfoFromFile(dir.path() + "/Mirovue.exe",
                            BuildPeImage(BuildVersionInfo(options), 0x0804)));
}

TEST(FileVersionInfoTest, TranslationTableShorterThanOneEntryGivesNull) {
  std::vector<uint8_t> block =
      BuildVersionInfo(OptionsForFileVersion(u"1, 0, 2, 5"));
  const std::u16string key = u"Translation";
  const std::string key_bytes(reinterpret_cast<const char*>(key.data()),
                              key.size() * 2);
  const size_t at = std::string(block.begin(), block.end()).find(key_bytes);
  ASSERT_NE(std::string::npos, at);
  block[at - 4] = 2;  // wValueLength: half an entry.
  EXPECT_FALSE(base::WinFileVersionInfo::FromBlock(block));
}

TEST(FileVersionInfoTest, NoFileVersionStringGivesEmptyText) {
  VersionResourceOptions options;
  options.strings.emplace_back(u"ProductName", u"Mirovue");
  auto info = base::WinFileVersionInfo::FromBlock(BuildVersionInfo(options));
  ASSERT_TRUE(info);
  EXPECT_EQ(u"", info->FileVersion());
  EXPECT_EQ(u"Mirovue", info->ProductName());
  std::u16string value = u"untouched";
  EXPECT_FALSE(info->GetString(u"FileVersion", &value));
  EXPECT_EQ(u"untouched", value);
}

TEST(FileVersionInfoTest, TakesLanguageAndCodePageFromFirstTranslation) {
  VersionResourceOptions options = OptionsForFileVersion(u"1, 0, 2, 5");
  options.translation_language = 0x0411;
  options.translation_code_page = 0x03a4;
  auto info = base::WinFileVersionInfo::FromBlock(BuildVersionInfo(options));
  ASSERT_TRUE(info);
  EXPECT_EQ(0x0411, info->language());
  EXPECT_EQ(0x03a4, info->code_page());
}

TEST(FileVersionInfoTest, FallsBackThroughUserLanguageAndWesternCodePage) {
  const struct {
    const char* name;
    uint16_t translation_language, translation_code_page;
    uint16_t strings_language, strings_code_page;
    const char* user_locale;
    bool found;
  } cases[] = {
      {"own pair", 0x0804, 0x04b0, 0x0804, 0x04b0, "en_US.UTF-8", true},
      {"user language, own code page", 0x0409, 0x04b0, 0x0804, 0x04b0,
       "zh_CN.UTF-8", true},
      {"user language differs", 0x0409, 0x04b0, 0x0804, 0x04b0, "en_US.UTF-8",
       false},
      {"own language, 1252", 0x0804, 0x04b0, 0x0804, 1252, "en_US.UTF-8", true},
      {"US strings, US user", 0x0804, 0x04b0, 0x0409, 1252, "en_US.UTF-8",
       true},
      {"US strings, C locale", 0x0804, 0x04b0, 0x0409, 1252, "C", true},
      {"US strings, Chinese user", 0x0804, 0x04b0, 0x0409, 1252, "zh_CN.UTF-8",
       false},
      {"Japanese strings, Japanese user", 0x0804, 0x04b0, 0x0411, 1252,
       "ja_JP.UTF-8", true},
      {"user language, own code page again", 0x0804, 0x04b0, 0x0409, 0x04b0,
       "en_US", true},
      {"user language, unrelated code page", 0x0804, 0x04b0, 0x0409, 0x03a4,
       "en_US", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedLocale locale(c.user_locale);
    VersionResourceOptions options = OptionsForFileVersion(u"1, 0, 2, 5");
    options.translation_language = c.translation_language;
    options.translation_code_page = c.translation_code_page;
    options.string_language = c.strings_language;
    options.string_code_page = c.strings_code_page;
    auto info = base::WinFileVersionInfo::FromBlock(BuildVersionInfo(options));
    ASSERT_TRUE(info);
    EXPECT_EQ(c.found ? u"1, 0, 2, 5" : u"", info->FileVersion());
  }
}

TEST(FileVersionInfoTest, UserLanguageComesFromTheMessagesLocale) {
  const struct {
    const char* lang;
    const char* lc_all;
    uint16_t language;
  } cases[] = {
      {"zh_CN.UTF-8", nullptr, 0x0804},
      {"en_US.UTF-8", nullptr, 0x0409},
      {"zh_TW.Big5", nullptr, 0x0404},
      {"de_DE@euro", nullptr, 0x0407},
      {"ja_JP", nullptr, 0x0411},
      {"zh", nullptr, 0x0804},
      {"C", nullptr, 0x0409},
      {"POSIX", nullptr, 0x0409},
      {"xx_YY.UTF-8", nullptr, 0x0409},
      {nullptr, nullptr, 0x0409},
      {"en_US.UTF-8", "zh_CN.GBK", 0x0804},
      {"zh_CN.UTF-8", "", 0x0804},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.lang ? c.lang : "(unset)") + " / " +
                 (c.lc_all ? c.lc_all : "(unset)"));
    ScopedLocale locale(c.lang, c.lc_all);
    EXPECT_EQ(c.language, base::UserDefaultLanguage());
  }
}

TEST(VersionResourceTest, RootHoldsFixedFileInformation) {
  base::VersionResource resource(
      BuildVersionInfo(OptionsForFileVersion(u"1, 0, 2, 5")));
  size_t offset = 0;
  size_t size = 0;
  ASSERT_TRUE(resource.Query(u"\\", &offset, &size));
  EXPECT_EQ(52u, size);
  std::vector<uint8_t> block =
      BuildVersionInfo(OptionsForFileVersion(u"1, 0, 2, 5"));
  auto load32 = [&](size_t at) {
    return block[at] | (block[at + 1] << 8) | (block[at + 2] << 16) |
           (static_cast<uint32_t>(block[at + 3]) << 24);
  };
  EXPECT_EQ(0xfeef04bdu, load32(offset));
  EXPECT_EQ(0x00010000u, load32(offset + 8));   // 1.0
  EXPECT_EQ(0x00020005u, load32(offset + 12));  // 2.5
}

TEST(VersionResourceWriterTest, FixedVersionComesFromTheVersionText) {
  const struct {
    const char16_t* text;
    uint16_t version[4];
  } cases[] = {
      {u"1, 0, 2, 5", {1, 0, 2, 5}}, {u"1.0.2.5", {1, 0, 2, 5}},
      {u"3", {3, 0, 0, 0}},          {u"1.0 beta", {1, 0, 0, 0}},
      {u"1.2.3.4.5", {1, 2, 3, 4}},  {u"70000.1", {0xffff, 1, 0, 0}},
      {u"", {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(base::UTF16ToUTF8(c.text));
    uint16_t version[4] = {9, 9, 9, 9};
    tools::ParseFixedVersion(c.text, version);
    EXPECT_EQ(std::vector<uint16_t>(c.version, c.version + 4),
              std::vector<uint16_t>(version, version + 4));
  }
}

TEST(VersionResourceTest, KeysCompareWithoutRegardToCase) {
  base::VersionResource resource(BuildVersionInfo(OptionsForFileVersion(u"9")));
  const char16_t* paths[] = {
      u"\\StringFileInfo\\080404b0\\FileVersion",
      u"\\STRINGFILEINFO\\080404B0\\fileversion",
      u"StringFileInfo\\080404b0\\FileVersion\\",
  };
  for (const char16_t* path : paths) {
    SCOPED_TRACE(base::UTF16ToUTF8(path));
    std::u16string text;
    ASSERT_TRUE(resource.QueryString(path, &text));
    EXPECT_EQ(u"9", text);
  }
  std::u16string text;
  EXPECT_FALSE(
      resource.QueryString(u"\\StringFileInfo\\080404b0\\FileVersio", &text));
  EXPECT_FALSE(
      resource.QueryString(u"\\StringFileInfo\\040904b0\\FileVersion", &text));
}

TEST(VersionResourceTest, MalformedEntriesFindNothing) {
  const std::vector<uint8_t> good =
      BuildVersionInfo(OptionsForFileVersion(u"1, 0, 2, 5"));
  const struct {
    const char* name;
    size_t offset;
    uint8_t low, high;
  } cases[] = {
      {"root longer than block", 0, 0xff, 0xff},
      {"root shorter than header", 0, 4, 0},
      {"root shorter than its key", 0, 20, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> block = good;
    block[c.offset] = c.low;
    block[c.offset + 1] = c.high;
    base::VersionResource resource(block);
    uint16_t language = 0;
    uint16_t code_page = 0;
    EXPECT_FALSE(resource.FirstTranslation(&language, &code_page));
    std::u16string text;
    EXPECT_FALSE(resource.QueryString(
        u"\\StringFileInfo\\080404b0\\FileVersion", &text));
  }
}

TEST(ImageVersionReaderTest, TruncatedImagesGiveNoVersion) {
  const std::vector<uint8_t> version_info =
      BuildVersionInfo(OptionsForFileVersion(u"1, 0, 2, 5"));
  const std::vector<uint8_t> pe = BuildPeImage(version_info, 0x0804);
  // The resource section ends the PE image and the section headers end
  // the ELF image, so every cut leaves a structure incomplete.
  for (size_t length = 0; length <= pe.size(); ++length) {
    SCOPED_TRACE("PE cut at " + std::to_string(length));
    std::vector<uint8_t> cut(pe.begin(), pe.begin() + length);
    EXPECT_EQ(length == pe.size(), ReadsVersion(cut));
  }
  for (ElfClass elf_class : {ElfClass::k64, ElfClass::k32}) {
    const std::vector<uint8_t> elf = ElfImageOf(version_info, elf_class);
    for (size_t length = 0; length <= elf.size(); ++length) {
      SCOPED_TRACE("ELF cut at " + std::to_string(length));
      std::vector<uint8_t> cut(elf.begin(), elf.begin() + length);
      EXPECT_EQ(length == elf.size(), ReadsVersion(cut));
    }
  }
}

TEST(ImageVersionReaderTest, TruncatedFilesGiveNoVersion) {
  ScopedTempDir dir;
  const std::vector<uint8_t> version_info =
      BuildVersionInfo(OptionsForFileVersion(u"1, 0, 2, 5"));
  const std::vector<uint8_t> pe = BuildPeImage(version_info, 0x0804);
  const std::string path = dir.path() + "/Mirovue.exe";
  for (size_t length = 0; length < kPeData + version_info.size(); length += 3) {
    SCOPED_TRACE("cut at " + std::to_string(length));
    EXPECT_FALSE(InfoFromFile(
        path, std::vector<uint8_t>(pe.begin(), pe.begin() + length)));
  }
}

TEST(ImageVersionReaderTest, HostileSizesAreRefused) {
  const std::vector<uint8_t> version_info =
      BuildVersionInfo(OptionsForFileVersion(u"1, 0, 2, 5"));
  const std::vector<uint8_t> good = BuildPeImage(version_info, 0x0804);
  const struct {
    const char* name;
    size_t offset;
    uint32_t value;
  } cases[] = {
      {"data size beyond the file", kPeDataEntry + 4, 0xffffffffu},
      {"data size one past the section", kPeDataEntry + 4,
       static_cast<uint32_t>(good.size() - kPeData + 1)},
      {"data address before the section", kPeDataEntry, 0x0fff},
      {"data address wrapping", kPeDataEntry, 0xffffffffu},
      {"subdirectory far away", kPeSectionOffset + 20, 0xfffffff0u},
      {"named entry count huge", kPeSectionOffset + 12, 0xffff},
      {"PE header far away", 0x3c, 0xfffffff0u},
      {"raw data beyond the file", 0x148 + 20, 0xfffff000u},
      {"section raw size huge", 0x148 + 16, 0xffffffffu},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> image = good;
    for (int i = 0; i < 4; ++i)
      image[c.offset + i] = static_cast<uint8_t>(c.value >> (8 * i));
    std::vector<uint8_t> block;
    const bool read = base::ReadImageVersionResource(
        base::MemoryImageSource(image.data(), image.size()), &block);
    EXPECT_FALSE(read);
    EXPECT_TRUE(block.empty());
  }
}

TEST(ImageVersionReaderTest, DamagedImagesAreReadSafely) {
  const std::vector<uint8_t> version_info =
      BuildVersionInfo(OptionsForFileVersion(u"1, 0, 2, 5"));
  const std::vector<std::vector<uint8_t>> images = {
      BuildPeImage(version_info, 0x0804),
      ElfImageOf(version_info, ElfClass::k64),
      ElfImageOf(version_info, ElfClass::k32),
  };
  size_t still_read = 0;
  size_t flips = 0;
  size_t text_read = 0;
  for (const std::vector<uint8_t>& good : images) {
    for (size_t at = 0; at < good.size(); ++at) {
      for (int bit = 0; bit < 8; ++bit) {
        std::vector<uint8_t> image = good;
        image[at] ^= static_cast<uint8_t>(1 << bit);
        std::vector<uint8_t> block;
        ++flips;
        if (!base::ReadImageVersionResource(
                base::MemoryImageSource(image.data(), image.size()), &block))
          continue;
        ASSERT_LE(block.size(), image.size());
        if (auto info = base::WinFileVersionInfo::FromBlock(std::move(block))) {
          ++still_read;
          text_read += ReadEverything(*info);
        }
      }
    }
  }
  // Most single-bit flips land in padding or in values and leave the
  // resource readable; the rest must merely be refused.
  EXPECT_GT(still_read, 0u);
  EXPECT_LT(still_read, flips);
  EXPECT_GT(text_read, 0u);
}

}  // namespace
