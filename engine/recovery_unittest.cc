#include "engine/recovery.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/file_path.h"
#include "base/logging.h"
#include "tests/child_process.h"

namespace {

namespace fs = std::filesystem;

class RecoveryTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(root_.path().empty());
    install_ = fs::path(root_.path()) / "install";
    temp_ = fs::path(root_.path()) / "tmp";
    fs::create_directories(install_);
    fs::create_directories(temp_);
    logging::SetLogFileForTesting(root_.path() + "/debug.log");
  }
  void TearDown() override { logging::SetLogFileForTesting(std::string()); }

  void Recover() {
    FileOperations operations;
    RecoverInstallation(base::FilePath::FromSystemPath(install_.string()),
                        base::FilePath::FromSystemPath(temp_.string()), &operations);
  }
  std::string Log() const { return test::ReadFileOrEmpty(root_.path() + "/debug.log"); }

  // The id of a process that has ended.
  static pid_t EndedProcess() {
    pid_t pid = fork();
    if (pid == 0)
      _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
  }

  test::ScopedTempDir root_;
  fs::path install_;
  fs::path temp_;
};

TEST_F(RecoveryTest, LeftStagingAndBackupDirectoriesAreRemoved) {
  fs::create_directories(install_ / "..updater_staging12_3" / "sub");
  std::ofstream(install_ / "..updater_staging12_3" / "0") << "staged";
  fs::create_directories(install_ / "..updater_backup12_4");
  // The previous copy of the updater, moved aside by a commit that replaced it.
  std::ofstream(install_ / "..updater_backup12_4" / "3") << "old updater";
  std::ofstream(install_ / "readme.txt") << "kept";
  fs::create_directories(install_ / ".hidden");

  Recover();
  EXPECT_FALSE(fs::exists(install_ / "..updater_staging12_3"));
  EXPECT_FALSE(fs::exists(install_ / "..updater_backup12_4"));
  EXPECT_TRUE(fs::exists(install_ / "readme.txt"));
  EXPECT_TRUE(fs::exists(install_ / ".hidden"));
  EXPECT_NE(std::string::npos, Log().find("..updater_backup12_4"));
}

TEST_F(RecoveryTest, AJournalThatCannotBeReadKeepsWhatItMayNeed) {
  std::ofstream(install_ / "..updater_journal")
      << "updater journal 1\nstaging a\nbackup b\nmove x\nend\n";
  fs::create_directories(install_ / "..updater_backup12_4");
  Recover();
  EXPECT_TRUE(fs::exists(install_ / "..updater_journal"));
  EXPECT_TRUE(fs::exists(install_ / "..updater_backup12_4"));
  EXPECT_NE(std::string::npos, Log().find(":ERROR:"));
}

TEST_F(RecoveryTest, AJournalCutBeforeItsEndChangedNothingAndGoes) {
  std::ofstream(install_ / "..updater_journal") << "updater journal 1\nstaging a\nbac";
  fs::create_directories(install_ / "..updater_staging12_3");
  Recover();
  EXPECT_TRUE(fs::is_empty(install_));
}

TEST_F(RecoveryTest, PrivateDirectoriesOfUpdatersThatEndedAreRemoved) {
  const std::string dead = "scoped_dir" + std::to_string(EndedProcess()) + "_17";
  const std::string empty_dead = "scoped_dir" + std::to_string(EndedProcess()) + "_18";
  const std::string live = "scoped_dir" + std::to_string(getpid()) + "_19";
  const std::string foreign = "scoped_dir" + std::to_string(EndedProcess()) + "_20";
  for (const std::string& name : {dead, empty_dead, live, foreign})
    fs::create_directories(temp_ / name);
  std::ofstream(temp_ / dead / "download.bak") << "part of a package";
  std::ofstream(temp_ / live / "download.bak") << "being downloaded";
  // Another program's directory of the same form holds other things.
  std::ofstream(temp_ / foreign / "cache.db") << "not ours";
  std::ofstream(temp_ / "scoped_dir_other") << "x";

  Recover();
  EXPECT_FALSE(fs::exists(temp_ / dead));
  EXPECT_FALSE(fs::exists(temp_ / empty_dead));
  EXPECT_TRUE(fs::exists(temp_ / live / "download.bak"));
  EXPECT_TRUE(fs::exists(temp_ / foreign / "cache.db"));
  EXPECT_TRUE(fs::exists(temp_ / "scoped_dir_other"));
}

}  // namespace
