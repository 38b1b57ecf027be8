#include "engine/recovery.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/file_path.h"
#include "base/logging.h"
#include "tests/test_files.h"

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

  InstallationState Recover() {
    FileOperations operations;
    return RecoverInstallation(
        base::FilePath::FromSystemPath(install_.string()),
        base::FilePath::FromSystemPath(temp_.string()), &operations);
  }
  std::string Log() const {
    return test::ReadFileOrEmpty(root_.path() + "/debug.log");
  }

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

TEST_F(RecoveryTest, WhatEarlierRunsLeftWithoutAJournalIsRemoved) {
  fs::create_directories(install_ / "..updater_staging12_3" / "sub");
  std::ofstream(install_ / "..updater_staging12_3" / "0") << "staged";
  fs::create_directories(install_ / "..updater_backup12_4");
  std::ofstream(install_ / "..updater_journal.new") << "never put in place";
  std::ofstream(install_ / "readme.txt") << "kept";
  fs::create_directories(install_ / ".hidden");

  EXPECT_EQ(InstallationState::kWhole, Recover());
  EXPECT_FALSE(fs::exists(install_ / "..updater_staging12_3"));
  EXPECT_FALSE(fs::exists(install_ / "..updater_backup12_4"));
  EXPECT_FALSE(fs::exists(install_ / "..updater_journal.new"));
  EXPECT_TRUE(fs::exists(install_ / "readme.txt"));
  EXPECT_TRUE(fs::exists(install_ / ".hidden"));
  EXPECT_NE(std::string::npos, Log().find("..updater_backup12_4"));
}

// Backups with files but no journal, or a journal that cannot be read: what
// the backups hold may be all that is left of the previous version, so
// nothing at all is removed, and the installation is in doubt.
TEST_F(RecoveryTest, AnUnknownStateKeepsEverything) {
  const std::string kJournals[] = {
      "",
      "",
      "updater journal 1\nstaging a\nbackup b\nmove x\nend\n",
      "updater journal 2\nstaging a\nbackup b\nend\ncheck 40 0\n",
  };
  for (size_t i = 0; i < std::size(kJournals); ++i) {
    SCOPED_TRACE(i);
    fs::remove_all(install_);
    fs::create_directories(install_ / "..updater_staging12_3");
    std::ofstream(install_ / "..updater_staging12_3" / "0") << "new";
    fs::create_directories(install_ / "..updater_backup12_4");
    std::ofstream(install_ / "..updater_backup12_4" / "0") << "old";
    // The first case has no journal at all.
    if (i > 0)
      std::ofstream(install_ / "..updater_journal") << kJournals[i];
    const size_t entries = std::distance(fs::directory_iterator(install_), {});

    EXPECT_EQ(InstallationState::kInDoubt, Recover());
    EXPECT_EQ(entries, static_cast<size_t>(std::distance(
                           fs::directory_iterator(install_), {})));
    EXPECT_EQ("old", test::ReadFileOrEmpty(
                         (install_ / "..updater_backup12_4" / "0").string()));
    EXPECT_EQ("new", test::ReadFileOrEmpty(
                         (install_ / "..updater_staging12_3" / "0").string()));
    EXPECT_NE(std::string::npos, Log().find(":ERROR:"));
    EXPECT_NE(std::string::npos, Log().find("..updater_backup12_4"));
  }
}

TEST_F(RecoveryTest, PrivateDirectoriesOfUpdatersThatEndedAreRemoved) {
  const std::string dead =
      "scoped_dir" + std::to_string(EndedProcess()) + "_17";
  const std::string empty_dead =
      "scoped_dir" + std::to_string(EndedProcess()) + "_18";
  const std::string live = "scoped_dir" + std::to_string(getpid()) + "_19";
  const std::string foreign =
      "scoped_dir" + std::to_string(EndedProcess()) + "_20";
  for (const std::string& name : {dead, empty_dead, live, foreign})
    fs::create_directories(temp_ / name);
  std::ofstream(temp_ / dead / "download.bak") << "part of a package";
  std::ofstream(temp_ / live / "download.bak") << "being downloaded";
  // Another program's directory of the same form holds other things.
  std::ofstream(temp_ / foreign / "cache.db") << "not ours";
  std::ofstream(temp_ / "scoped_dir_other") << "x";

  EXPECT_EQ(InstallationState::kWhole, Recover());
  EXPECT_FALSE(fs::exists(temp_ / dead));
  EXPECT_FALSE(fs::exists(temp_ / empty_dead));
  EXPECT_TRUE(fs::exists(temp_ / live / "download.bak"));
  EXPECT_TRUE(fs::exists(temp_ / foreign / "cache.db"));
  EXPECT_TRUE(fs::exists(temp_ / "scoped_dir_other"));
}

}  // namespace
