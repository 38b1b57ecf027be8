#include "engine/journal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/file_path.h"
#include "tests/test_files.h"

namespace {

namespace fs = std::filesystem;
using Kind = CommitStep::Kind;

CommitPlan SamplePlan() {
  CommitPlan plan;
  plan.staging_dir = u"..updater_staging12_34";
  plan.backup_dir = u"..updater_backup12_35";
  plan.steps = {
      {Kind::kMakeDirectory, base::FilePath(u"new dir"), u""},
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
    if (a.steps[i].kind != b.steps[i].kind ||
        a.steps[i].path != b.steps[i].path ||
        a.steps[i].staged_name != b.steps[i].staged_name) {
      return false;
    }
  }
  return true;
}

const JournalMark kMarks[] = {JournalMark::kNone, JournalMark::kCommitted,
                              JournalMark::kUndone};

TEST(JournalTest, AJournalGivesBackItsPlanAndMarkWhateverTheNamesHold) {
  for (JournalMark mark : kMarks) {
    SCOPED_TRACE(static_cast<int>(mark));
    CommitPlan plan;
    JournalMark read = JournalMark::kNone;
    ASSERT_TRUE(ParseJournal(JournalText(SamplePlan(), mark), &plan, &read));
    EXPECT_EQ(mark, read);
    EXPECT_TRUE(SamePlan(SamplePlan(), plan));
  }
}

// Whatever happened to it (cut short, emptied, a byte changed anywhere,
// the mark changed), a journal that is not exactly as written is refused.
TEST(JournalTest, AJournalThatIsNotAsWrittenIsNeverRead) {
  for (JournalMark mark : kMarks) {
    SCOPED_TRACE(static_cast<int>(mark));
    const std::string text = JournalText(SamplePlan(), mark);
    CommitPlan plan;
    JournalMark read;
    for (size_t length = 0; length < text.size(); ++length)
      EXPECT_FALSE(ParseJournal(text.substr(0, length), &plan, &read))
          << "cut at " << length;
    for (size_t i = 0; i < text.size(); ++i) {
      std::string changed = text;
      changed[i] ^= 1;
      EXPECT_FALSE(ParseJournal(changed, &plan, &read)) << "changed at " << i;
    }
    EXPECT_FALSE(ParseJournal(text + text, &plan, &read));
  }
  const std::string unmarked = JournalText(SamplePlan(), JournalMark::kNone);
  const std::string marked = JournalText(SamplePlan(), JournalMark::kCommitted);
  const size_t check = unmarked.rfind("check");
  CommitPlan plan;
  JournalMark read;
  EXPECT_FALSE(ParseJournal(
      unmarked.substr(0, check) + "committed\n" + unmarked.substr(check), &plan,
      &read));
  EXPECT_FALSE(ParseJournal(
      marked.substr(0, marked.rfind("check")) + unmarked.substr(check), &plan,
      &read));
}

// An update from an earlier updater can be half done when the new one first
// starts; its journals carry no check line.
TEST(JournalTest, EarlierUpdatersJournalsAreReadWhenTheirPlanIsWhole) {
  const std::string plan_text =
      "updater journal 1\nstaging ..updater_staging1_2\nbackup "
      "..updater_backup1_3\n"
      "dir new\nreplace Mirovue.exe 0\nadd new/a%20b 1\nend\n";
  CommitPlan plan;
  JournalMark mark = JournalMark::kCommitted;
  ASSERT_TRUE(ParseJournal(plan_text, &plan, &mark));
  EXPECT_EQ(JournalMark::kNone, mark);
  ASSERT_EQ(3u, plan.steps.size());
  EXPECT_EQ(u"new/a b", plan.steps[2].path.value());
  EXPECT_EQ(u"..updater_backup1_3", plan.backup_dir);

  ASSERT_TRUE(ParseJournal(plan_text + "committed\n", &plan, &mark));
  EXPECT_EQ(JournalMark::kCommitted, mark);
  // A mark cut short was never made.
  ASSERT_TRUE(ParseJournal(plan_text + "commit", &plan, &mark));
  EXPECT_EQ(JournalMark::kNone, mark);

  const std::string kRefused[] = {
      plan_text.substr(0, plan_text.size() - 4),
      plan_text + "undone\n",
      plan_text + "committed\ncommitted\n",
      "updater journal 1\nstaging a\nbackup b\nmove x y\nend\n",
      "updater journal 1\nstaging a\nbackup b\nadd x\nend\n",
      "updater journal 1\nstaging a\nbackup b\nadd x 1 2\nend\n",
      "updater journal 1\nstaging a\nbackup b\nadd %zz 1\nend\n",
      "updater journal 1\nstaging a\nadd x 1\nend\n",
      "another file\nstaging a\nbackup b\nend\n",
      "",
  };
  for (const std::string& text : kRefused) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ParseJournal(text, &plan, &mark));
  }
}

TEST(JournalTest, AWrittenJournalReplacesTheOneBeforeInOneStep) {
  test::ScopedTempDir dir;
  const base::FilePath install_dir = base::FilePath::FromSystemPath(dir.path());
  CommitPlan plan;
  JournalMark mark;
  EXPECT_EQ(JournalState::kAbsent, ReadJournal(install_dir, &plan, &mark));

  FileOperations operations;
  // A new journal that an earlier run never put in place is no obstacle.
  std::ofstream(dir.path() + "/..updater_journal.new") << "left over";
  for (JournalMark written : kMarks) {
    SCOPED_TRACE(static_cast<int>(written));
    ASSERT_TRUE(WriteJournal(install_dir, SamplePlan(), written, &operations));
    ASSERT_EQ(JournalState::kWhole, ReadJournal(install_dir, &plan, &mark));
    EXPECT_EQ(written, mark);
    EXPECT_TRUE(SamePlan(SamplePlan(), plan));
    EXPECT_FALSE(fs::exists(dir.path() + "/..updater_journal.new"));
  }

  std::ofstream(dir.path() + "/..updater_journal", std::ios::trunc).flush();
  EXPECT_EQ(JournalState::kDamaged, ReadJournal(install_dir, &plan, &mark));
}

}  // namespace
