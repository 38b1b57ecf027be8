#include "engine/commit_plan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/file_path.h"
#include "base/utf_string_conversions.h"
#include "tests/child_process.h"

namespace {

namespace fs = std::filesystem;
using Kind = CommitStep::Kind;

CommitPlan SamplePlan() {
  CommitPlan plan;
  plan.staging_dir = u"..updater_staging12_34";
  plan.backup_dir = u"..updater_backup12_35";
  plan.steps = {{Kind::kMakeDirectory, base::FilePath(u"new dir"), u""},
                {Kind::kReplaceFile, base::FilePath(u"Mirovue.exe"), u"0"},
                {Kind::kAddFile, base::FilePath(u"new dir/line\nbreak 100%.txt"), u"1"},
                {Kind::kAddFile, base::FilePath(u"\u4e2d\u6587/end"), u"2"}};
  return plan;
}

bool SamePlan(const CommitPlan& a, const CommitPlan& b) {
  if (a.staging_dir != b.staging_dir || a.backup_dir != b.backup_dir ||
      a.steps.size() != b.steps.size()) {
    return false;
  }
  for (size_t i = 0; i < a.steps.size(); ++i) {
    if (a.steps[i].kind != b.steps[i].kind || a.steps[i].path != b.steps[i].path ||
        a.steps[i].staged_name != b.steps[i].staged_name) {
      return false;
    }
  }
  return true;
}

TEST(CommitPlanTest, AJournalGivesBackItsPlanWhateverTheNamesHold) {
  const std::string text = PlanToText(SamplePlan());
  CommitPlan plan;
  bool whole = false;
  bool committed = true;
  ASSERT_TRUE(ParseJournal(text, &plan, &whole, &committed));
  EXPECT_TRUE(whole);
  EXPECT_FALSE(committed);
  EXPECT_TRUE(SamePlan(SamplePlan(), plan));

  ASSERT_TRUE(ParseJournal(text + kCommittedLine, &plan, &whole, &committed));
  EXPECT_TRUE(whole);
  EXPECT_TRUE(committed);
  EXPECT_TRUE(SamePlan(SamplePlan(), plan));
}

// A crash can cut the journal anywhere while it is written: short of its
// end line, the plan was never acted on.
TEST(CommitPlanTest, AJournalCutAnywhereIsWholeOnlyWithItsEndLine) {
  const std::string text = PlanToText(SamplePlan());
  for (size_t length = 0; length < text.size(); ++length) {
    SCOPED_TRACE(length);
    CommitPlan plan;
    bool whole = true;
    bool committed = true;
    EXPECT_TRUE(ParseJournal(text.substr(0, length), &plan, &whole, &committed));
    EXPECT_FALSE(whole);
    EXPECT_FALSE(committed);
  }
  // The committed mark counts only once its line is whole.
  const std::string committed_text = text + kCommittedLine;
  CommitPlan plan;
  bool whole = false;
  bool committed = true;
  EXPECT_TRUE(ParseJournal(committed_text.substr(0, committed_text.size() - 1), &plan, &whole,
                           &committed));
  EXPECT_TRUE(whole);
  EXPECT_FALSE(committed);
}

TEST(CommitPlanTest, DamagedJournalsAreNotRead) {
  const std::string text = PlanToText(SamplePlan());
  const std::string kDamaged[] = {
      "another file\n" + text.substr(text.find('\n') + 1),
      text + "committed\ncommitted\n",
      text + "something else\n",
      "updater journal 1\nstaging a\nbackup b\nmove x y\nend\n",
      "updater journal 1\nstaging a\nbackup b\nadd x\nend\n",
      "updater journal 1\nstaging a\nbackup b\nadd x 1 2\nend\n",
      "updater journal 1\nstaging a\nbackup b\nadd %zz 1\nend\n",
      "updater journal 1\nstaging a\nadd x 1\nend\n",
  };
  for (const std::string& damaged : kDamaged) {
    SCOPED_TRACE(damaged);
    CommitPlan plan;
    bool whole = false;
    bool committed = false;
    EXPECT_FALSE(ParseJournal(damaged, &plan, &whole, &committed));
  }
}

TEST(CommitPlanTest, ExistingFilesAreReplacedMissingOnesAddedMissingDirectoriesMade) {
  test::ScopedTempDir install;
  fs::create_directories(install.path() + "/lib");
  std::ofstream(install.path() + "/lib/core.dll") << "old";
  const base::FilePath install_dir(base::UTF8ToUTF16(install.path()));

  zip::StagedPackage staged;
  staged.directories = {base::FilePath(u"lib"), base::FilePath(u"plugins"),
                        base::FilePath(u"plugins/viewer")};
  staged.files = {{base::FilePath(u"lib/core.dll"), u"0"},
                  {base::FilePath(u"plugins/viewer/v.dll"), u"1"}};
  CommitPlan plan;
  std::string error;
  ASSERT_TRUE(PlanCommit(staged, install_dir, u"s", u"b", &plan, &error)) << error;
  ASSERT_EQ(4u, plan.steps.size());
  EXPECT_EQ(Kind::kMakeDirectory, plan.steps[0].kind);
  EXPECT_EQ(u"plugins", plan.steps[0].path.value());
  EXPECT_EQ(u"plugins/viewer", plan.steps[1].path.value());
  EXPECT_EQ(Kind::kReplaceFile, plan.steps[2].kind);
  EXPECT_EQ(u"0", plan.steps[2].staged_name);
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
  EXPECT_FALSE(PlanCommit(file_over_directory, install_dir, u"s", u"b", &plan, &error));
  EXPECT_NE(std::string::npos, error.find("readme.txt"));

  zip::StagedPackage directory_over_file;
  directory_over_file.directories = {base::FilePath(u"plugins")};
  EXPECT_FALSE(PlanCommit(directory_over_file, install_dir, u"s", u"b", &plan, &error));
  EXPECT_NE(std::string::npos, error.find("plugins"));
}

}  // namespace
