// Stops a commit, and the recovery after it, at every step, the way a
// failing disk or a dying process would, and checks that the installation
// always ends as one whole version.
#include "engine/commit.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>

#include "base/file_path.h"
#include "base/logging.h"
#include "base/utf_string_conversions.h"
#include "engine/commit_plan.h"
#include "engine/recovery.h"
#include "tests/test_files.h"
#include "zip/testing/archive_builder.h"
#include "zip/zip_stage.h"

namespace {

namespace fs = std::filesystem;
using Tree = test::Files;

constexpr char kStaging[] = "..updater_staging1_1";
constexpr char kBackup[] = "..updater_backup1_2";

// Lets the first |allowed| steps through. Then, as a dying process, every
// later step fails without effect; or, as a failing disk, only the next one.
class FaultyOperations : public FileOperations {
 public:
  enum class Mode { kCrash, kFailOnce };
  FaultyOperations(int allowed, Mode mode) : allowed_(allowed), mode_(mode) {}

  int steps() const { return steps_; }
  // The step at which the journal was marked committed, or -1.
  int mark_step() const { return mark_step_; }

  bool Rename(const base::FilePath& from, const base::FilePath& to) override {
    // The committed mark takes effect when its journal is renamed into place.
    if (to.BaseName().value() == kJournalName &&
        test::ReadFileOrEmpty(from.AsSystemPath()).find("\ncommitted\n") !=
            std::string::npos) {
      mark_step_ = steps_;
    }
    return Allow() && FileOperations::Rename(from, to);
  }
  bool MakeDirectory(const base::FilePath& dir) override {
    return Allow() && FileOperations::MakeDirectory(dir);
  }
  bool RemovePath(const base::FilePath& path, bool recursive) override {
    return Allow() && FileOperations::RemovePath(path, recursive);
  }
  bool FlushDirectory(const base::FilePath& dir) override {
    return Allow() && FileOperations::FlushDirectory(dir);
  }
  bool WriteNewFile(const base::FilePath& path,
                    const std::string& text) override {
    return Allow() && FileOperations::WriteNewFile(path, text);
  }

 private:
  bool Allow() {
    const int step = steps_++;
    if (step < allowed_)
      return true;
    return mode_ == Mode::kFailOnce && step != allowed_;
  }

  const int allowed_;
  const Mode mode_;
  int steps_ = 0;
  int mark_step_ = -1;
};

bool HasUpdaterEntries(const fs::path& root) {
  for (const auto& entry : fs::directory_iterator(root)) {
    if (entry.path().filename().string().rfind("..", 0) == 0)
      return true;
  }
  return false;
}

void WriteFile(const fs::path& path, const std::string& content, mode_t mode) {
  test::WriteFile(path, content);
  chmod(path.c_str(), mode);
}

class CommitTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(root_.path().empty());
    logging::SetLogFileForTesting(root_.path() + "/debug.log");
    // The old version, staged beside it the new one, once; every trial
    // starts from a copy.
    const fs::path install = Template();
    WriteFile(install / "Mirovue.exe", "old host", 0755);
    WriteFile(install / "readme.txt", "old readme", 0600);
    WriteFile(install / "lib" / "core.dll", "old core", 0644);
    WriteFile(install / "keep.txt", "kept", 0644);
    old_ = test::TreeWithModes(install);

    const base::FilePath archive(
        base::UTF8ToUTF16(root_.path() + "/package.zip"));
    ASSERT_TRUE(zip::WriteTestArchive(
        archive, {{"Mirovue.exe", "new host"},
                  {"lib/core.dll", "new core"},
                  {"plugins/viewer/v.dll", "new plugin", 0100755},
                  {"notes.txt", "new notes"},
                  {"readme.txt", "new readme"}}));
    fs::create_directory(install / kStaging);
    fs::create_directory(install / kBackup);
    zip::StagedPackage staged;
    std::string error;
    ASSERT_TRUE(zip::StageArchive(archive, Path(install),
                                  Path(install / kStaging), &staged, &error))
        << error;
    ASSERT_TRUE(PlanCommit(staged, Path(install), base::UTF8ToUTF16(kStaging),
                           base::UTF8ToUTF16(kBackup), &plan_, &error))
        << error;

    // The new version, as a commit left alone makes it.
    FaultyOperations untouched(INT_MAX, FaultyOperations::Mode::kCrash);
    const fs::path trial = NewTrial();
    ASSERT_TRUE(CommitThenFinish(trial, &untouched));
    new_ = test::TreeWithModes(trial);
    commit_steps_ = untouched.steps();
    mark_step_ = untouched.mark_step();
    ASSERT_NE(old_, new_);
    ASSERT_FALSE(HasUpdaterEntries(trial));
  }
  void TearDown() override { logging::SetLogFileForTesting(std::string()); }

  static base::FilePath Path(const fs::path& path) {
    return base::FilePath::FromSystemPath(path.string());
  }
  fs::path Template() const { return fs::path(root_.path()) / "template"; }

  // A fresh copy of the old version with the new one staged.
  fs::path NewTrial() {
    const fs::path trial =
        fs::path(root_.path()) / ("trial" + std::to_string(trials_++));
    fs::copy(Template(), trial, fs::copy_options::recursive);
    return trial;
  }

  // The commit, and after a success the clean-up, as the updater runs them.
  bool CommitThenFinish(const fs::path& install, FileOperations* operations) {
    std::string error;
    if (!CommitPlanSteps(Path(install), plan_, operations, &error))
      return false;
    FinishCommit(Path(install), plan_, operations);
    return true;
  }

  // The first step at which a dying commit leaves an old file out of its
  // place, in a backup, and the new version not yet whole.
  int HalfDoneStep() {
    for (int allowed = 0; allowed < mark_step_; ++allowed) {
      const fs::path install = NewTrial();
      FaultyOperations dying(allowed, FaultyOperations::Mode::kCrash);
      CommitThenFinish(install, &dying);
      const Tree now = test::TreeWithModes(install);
      for (const auto& [name, what] : old_) {
        if (now != new_ && now.count(name) && now.at(name) != what)
          return allowed;
      }
    }
    return -1;
  }

  void Recover(const fs::path& install, FileOperations* operations) {
    RecoverInstallation(Path(install), base::FilePath(), operations);
  }

  test::ScopedTempDir root_;
  CommitPlan plan_;
  Tree old_;
  Tree new_;
  int commit_steps_ = 0;
  int mark_step_ = -1;
  int trials_ = 0;
};

TEST_F(CommitTest, ADeathAtAnyStepOfTheCommitEndsWholeAtTheNextStart) {
  for (int allowed = 0; allowed <= commit_steps_; ++allowed) {
    SCOPED_TRACE(allowed);
    const fs::path install = NewTrial();
    FaultyOperations dying(allowed, FaultyOperations::Mode::kCrash);
    CommitThenFinish(install, &dying);

    FileOperations next_start;
    Recover(install, &next_start);
    // Once the journal says complete, the new version stays.
    EXPECT_EQ(allowed > mark_step_ ? new_ : old_, test::TreeWithModes(install));
    EXPECT_FALSE(HasUpdaterEntries(install));
  }
}

TEST_F(CommitTest, AStepThatFailsPutsEveryFileBackByteForByte) {
  for (int failing = 0; failing < commit_steps_; ++failing) {
    SCOPED_TRACE(failing);
    const fs::path install = NewTrial();
    FaultyOperations failing_disk(failing, FaultyOperations::Mode::kFailOnce);
    const bool committed = CommitThenFinish(install, &failing_disk);
    // The mark is the journal's rename and the flush of its directory, the
    // last steps of the commit; clean-up steps follow.
    EXPECT_EQ(failing > mark_step_ + 1, committed);
    EXPECT_EQ(committed ? new_ : old_, test::TreeWithModes(install));

    FileOperations next_start;
    Recover(install, &next_start);
    EXPECT_EQ(committed ? new_ : old_, test::TreeWithModes(install));
    EXPECT_FALSE(HasUpdaterEntries(install));
  }
}

TEST_F(CommitTest, ADeathDuringTheRecoveryIsRecoveredAtTheStartAfter) {
  for (int allowed = 0; allowed <= commit_steps_; ++allowed) {
    for (int recovery_allowed = 0;; ++recovery_allowed) {
      SCOPED_TRACE(testing::Message()
                   << "commit " << allowed << " recovery " << recovery_allowed);
      const fs::path install = NewTrial();
      FaultyOperations dying(allowed, FaultyOperations::Mode::kCrash);
      CommitThenFinish(install, &dying);
      FaultyOperations dying_again(recovery_allowed,
                                   FaultyOperations::Mode::kCrash);
      Recover(install, &dying_again);

      FileOperations next_start;
      Recover(install, &next_start);
      EXPECT_EQ(allowed > mark_step_ ? new_ : old_,
                test::TreeWithModes(install));
      EXPECT_FALSE(HasUpdaterEntries(install));
      fs::remove_all(install);
      if (dying_again.steps() <= recovery_allowed)
        break;
    }
  }
}

// A commit that died half-way, whose journal was then emptied, cut or
// deleted: no file of the old version is lost, each is in its place or in a
// backup that is kept, and the installation is in doubt.
TEST_F(CommitTest, ADamagedJournalAfterAHalfDoneCommitKeepsEveryOldFile) {
  const std::function<void(const fs::path&)> kDamages[] = {
      [](const fs::path& journal) { fs::resize_file(journal, 0); },
      [](const fs::path& journal) {
        fs::resize_file(journal, fs::file_size(journal) / 2);
      },
      [](const fs::path& journal) { fs::remove(journal); },
  };
  for (size_t damage = 0; damage < std::size(kDamages); ++damage) {
    SCOPED_TRACE(damage);
    const fs::path install = NewTrial();
    FaultyOperations dying(HalfDoneStep(), FaultyOperations::Mode::kCrash);
    CommitThenFinish(install, &dying);
    const Tree half_done = test::TreeWithModes(install);
    ASSERT_NE(old_, half_done);
    ASSERT_NE(new_, half_done);
    kDamages[damage](install / "..updater_journal");

    FileOperations next_start;
    EXPECT_EQ(
        InstallationState::kInDoubt,
        RecoverInstallation(Path(install), base::FilePath(), &next_start));
    EXPECT_EQ(half_done, test::TreeWithModes(install));
    EXPECT_TRUE(fs::exists(install / kStaging));
    for (const auto& [name, what] : old_) {
      if (what.rfind("file", 0) != 0 ||
          test::TreeWithModes(install)[name] == what)
        continue;
      const std::string content = what.substr(what.find(' ', 5) + 1);
      bool kept = false;
      for (const auto& backup :
           fs::recursive_directory_iterator(install / kBackup))
        kept = kept || test::ReadFileOrEmpty(backup.path()) == content;
      EXPECT_TRUE(kept) << name << " is lost";
    }
    EXPECT_NE(
        std::string::npos,
        test::ReadFileOrEmpty(root_.path() + "/debug.log").find(":ERROR:"));
  }
}

TEST_F(CommitTest, AnUnfinishedJournalBlocksTheNextCommit) {
  const fs::path install = NewTrial();
  std::ofstream(install / "..updater_journal") << "updater journal 2\n";
  FileOperations operations;
  std::string error;
  EXPECT_FALSE(CommitPlanSteps(Path(install), plan_, &operations, &error));
  EXPECT_NE(std::string::npos, error.find("journal"));
  EXPECT_EQ(old_, test::TreeWithModes(install));
}

}  // namespace
