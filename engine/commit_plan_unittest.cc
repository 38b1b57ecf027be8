#include "engine/commit_plan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/file_path.h"
#include "base/utf_string_conversions.h"
#include "tests/test_files.h"

namespace {

namespace fs = std::filesystem;
using Kind = CommitStep::Kind;

TEST(CommitPlanTest,
     ExistingFilesAreReplacedMissingOnesAddedMissingDirectoriesMade) {
  test::ScopedTempDir install;
  fs::create_directories(install.path() + "/lib");
  std::ofstream(install.path() + "/lib/core.dll") << "old";
  // A link, even one that leads nowhere, is replaced like a file: it goes
  // into the backup itself, and comes back from there.
  fs::create_symlink("missing.dll", install.path() + "/lib/link.dll");
  const base::FilePath install_dir(base::UTF8ToUTF16(install.path()));

  zip::StagedPackage staged;
  staged.directories = {base::FilePath(u"lib"), base::FilePath(u"plugins"),
                        base::FilePath(u"plugins/viewer")};
  staged.files = {{base::FilePath(u"lib/core.dll"), u"0"},
                  {base::FilePath(u"plugins/viewer/v.dll"), u"1"},
                  {base::FilePath(u"lib/link.dll"), u"2"},
                  {base::FilePath(u"new.txt"), u"3"}};
  CommitPlan plan;
  std::string error;
  ASSERT_TRUE(PlanCommit(staged, install_dir, u"s", u"b", &plan, &error))
      << error;
  // A new directory moves whole, with what the package puts in it.
  ASSERT_EQ(4u, plan.steps.size());
  EXPECT_EQ(Kind::kMoveDirectory, plan.steps[0].kind);
  EXPECT_EQ(u"plugins", plan.steps[0].path.value());
  EXPECT_EQ(u"plugins", plan.steps[0].staged_name);
  EXPECT_EQ(Kind::kReplaceFile, plan.steps[1].kind);
  EXPECT_EQ(u"lib/core.dll", plan.steps[1].path.value());
  EXPECT_EQ(u"0", plan.steps[1].staged_name);
  EXPECT_EQ(Kind::kReplaceFile, plan.steps[2].kind);
  EXPECT_EQ(u"lib/link.dll", plan.steps[2].path.value());
  EXPECT_EQ(Kind::kAddFile, plan.steps[3].kind);
}

TEST(CommitPlanTest, WhatStandsInTheWayOfThePackageRefusesThePlan) {
  test::ScopedTempDir install;
  fs::create_directories(install.path() + "/readme.txt");
  std::ofstream(install.path() + "/plugins") << "a file";
  const base::FilePath install_dir(base::UTF8ToUTF16(install.path()));
  CommitPlan plan;
  std::string error;

  zip::StagedPackage file_over_directory;
  file_over_directory.files = {{base::FilePath(u"readme.txt"), u"0"}};
  EXPECT_FALSE(
      PlanCommit(file_over_directory, install_dir, u"s", u"b", &plan, &error));
  EXPECT_NE(std::string::npos, error.find("readme.txt"));

  zip::StagedPackage directory_over_file;
  directory_over_file.directories = {base::FilePath(u"plugins")};
  EXPECT_FALSE(
      PlanCommit(directory_over_file, install_dir, u"s", u"b", &plan, &error));
  EXPECT_NE(std::string::npos, error.find("plugins"));
}

}  // namespace
