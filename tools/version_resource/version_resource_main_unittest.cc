// The version_resource command: the images it writes are read back by the
// version lookup, and bad switches are refused.
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/file_path.h"
#include "base/file_version_info.h"
#include "tests/child_process.h"
#include "tests/test_files.h"
#include "tools/version_resource/version_resource_writer.h"

namespace {

int RunTool(const std::vector<std::string>& arguments, const std::string& dir) {
  test::ChildProcess tool;
  int exit_code = -1;
  if (!tool.Start(VERSION_RESOURCE_TOOL, arguments, std::string(),
                  dir + "/stderr") ||
      !tool.Wait(std::chrono::seconds(10), &exit_code))
    return -1;
  return exit_code;
}

std::u16string FileVersionOf(const std::string& path) {
  auto info =
      base::FileVersionInfo::ForFile(base::FilePath::FromSystemPath(path));
  return info ? info->FileVersion() : u"(no version information)";
}

TEST(VersionResourceToolTest, WritesPeImagesTheLookupReads) {
  test::ScopedTempDir dir;
  const std::string image = dir.path() + "/Mirovue.exe";
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    std::u16string file_version;
  } cases[] = {
      {"defaults", {}, u"1, 0, 0, 0"},
      {"given version", {"--file-version=1, 0, 2, 5"}, u"1, 0, 2, 5"},
      {"matching pairs",
       {"--translation=0409,04b0", "--strings=0409,04b0"},
       u"1, 0, 0, 0"},
      {"strings under an unrelated pair", {"--strings=0411,03a4"}, u""},
      {"no file version",
       {"--no-file-version", "--string=ProductName=Mirovue"},
       u""},
      {"no translation", {"--no-translation"}, u"(no version information)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> arguments = c.arguments;
    arguments.push_back("--pe=" + image);
    ASSERT_EQ(0, RunTool(arguments, dir.path()));
    EXPECT_EQ(c.file_version, FileVersionOf(image));
  }
}

TEST(VersionResourceToolTest, GivesAnElfFileANewVersion) {
  test::ScopedTempDir dir;
  const std::string image = dir.path() + "/host";
  const std::vector<uint8_t> elf = tools::BuildElfImage(
      tools::BuildResourceSection(
          tools::BuildVersionInfo(tools::OptionsForFileVersion(u"1, 0, 0, 0")),
          0x0804, 0),
      tools::ElfClass::k64);
  ASSERT_TRUE(tools::WriteBytesToFile(image, elf));
  ASSERT_EQ(
      0, RunTool({"--file-version=4, 3, 2, 1", "--elf=" + image}, dir.path()));
  EXPECT_EQ(u"4, 3, 2, 1", FileVersionOf(image));
}

TEST(VersionResourceToolTest, RefusesBadSwitches) {
  test::ScopedTempDir dir;
  const std::string out = "--pe=" + dir.path() + "/out.exe";
  const std::vector<std::vector<std::string>> cases = {
      {},
      {out, "--rsrc=" + dir.path() + "/out.bin"},
      {out, "--unknown"},
      {out, "--translation=0804"},
      {out, "--translation=10000,04b0"},
      {out, "--strings=zz,04b0"},
      {out, "--string=NoValue"},
      {"--elf=" + dir.path() + "/missing"},
  };
  for (const auto& arguments : cases) {
    SCOPED_TRACE(arguments.empty() ? std::string("(none)") : arguments.back());
    EXPECT_EQ(1, RunTool(arguments, dir.path()));
  }
}

}  // namespace
