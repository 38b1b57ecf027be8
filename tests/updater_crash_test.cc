// Ends the real updater at many points of an update, by SIGKILL and by
// SIGTERM, then runs it once more: the installation must be exactly the new
// version, with nothing of the ended run left in it or in the temporary
// directory. The points are found by what the run shows: the server's
// request, the staging directory filling, the host-still-running box, the
// journal and its completion mark, the relaunched host.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/file_path.h"
#include "base/utf_string_conversions.h"
#include "tests/updater_fixture.h"
#include "zip/testing/archive_builder.h"

namespace test {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

constexpr char kNewVersion[] = "9.0.0.1";
constexpr int kParts = 1500;
constexpr char kStillRunningBox[] = "Mirovue依旧在运行请手动关闭后更新";

// Polls |ready| every 200 µs until it holds; false after |timeout|.
bool WaitFor(const std::function<bool()>& ready, milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!ready()) {
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

class CrashTest : public UpdaterFixture {
 protected:
  void SetUp() override {
    UpdaterFixture::SetUp();
    // The old version: the host first in the package, and many files that
    // the new one replaces, so that staging and commit take a while.
    std::vector<zip::TestEntry> release;
    const std::string new_host = package_dir_.path() + "/Mirovue.exe";
    fs::copy_file(DEMO_HOST_BINARY, new_host);
    ASSERT_EQ(0, system(("'" VERSION_RESOURCE_TOOL
                         "' --file-version='9, 0, 0, 1' --elf='" +
                         new_host + "'")
                            .c_str()));
    release.push_back({"Mirovue.exe", ReadFileOrEmpty(new_host)});
    for (int i = 0; i < kParts; ++i) {
      const std::string name = "lib/part" + std::to_string(i) + ".dll";
      WriteFile(Installed(name), "old part " + std::to_string(i));
      release.push_back(
          {name, "new part " + std::to_string(i) + std::string(8000, 'n')});
    }
    release.push_back({"plugins/viewer.dll", std::string(300000, 'v')});
    old_ = InstalledFiles();
    new_ = old_;
    for (const zip::TestEntry& entry : release)
      new_[entry.name] = entry.content;

    const std::string archive = package_dir_.path() + "/package.zip";
    ASSERT_TRUE(zip::WriteTestArchive(
        base::FilePath(base::UTF8ToUTF16(archive)), release));
    package_ = ReadFileOrEmpty(archive);
    server_.SetResponse("/package.zip", Page(package_, 200, "application/zip"));
    server_.SetResponse("/update.xml",
                        Page(Manifest(kNewVersion, server_.Url("/package.zip"),
                                      Md5sum(archive))));
  }

  // Whether a staging directory holds at least |count| files; the staging
  // directory mirrors the package's folders.
  bool StagingHolds(size_t count) const {
    for (const auto& entry : fs::directory_iterator(install_.path())) {
      if (entry.path().filename().string().rfind("..updater_staging", 0) != 0)
        continue;
      size_t files = 0;
      std::error_code error;
      for (fs::recursive_directory_iterator it(entry.path(), error), end;
           !error && it != end; it.increment(error)) {
        files += it->is_regular_file() ? 1 : 0;
      }
      return files >= count;
    }
    return false;
  }
  bool JournalHolds(const std::string& text) const {
    return ReadFileOrEmpty(Installed("..updater_journal")).find(text) !=
           std::string::npos;
  }

  // Runs the updater until |point| holds, then sends |signal|; false when
  // the point never came. A point after the relaunch may find the updater
  // done already.
  bool EndUpdaterAt(const std::function<bool()>& point,
                    int signal,
                    const std::vector<std::string>& extra_args = {},
                    bool may_have_ended = false) {
    ChildProcess updater;
    std::vector<std::string> args = {UrlSwitch("/update.xml")};
    args.insert(args.end(), extra_args.begin(), extra_args.end());
    StartUpdater(&updater, args);
    bool reached = WaitFor(point, milliseconds(20000));
    updater.Signal(signal);
    int exit_code = 0;
    EXPECT_TRUE(updater.Wait(milliseconds(20000), &exit_code));
    EXPECT_TRUE(exit_code == 128 + signal || (may_have_ended && exit_code == 2))
        << exit_code;
    // Hosts that the ended run started, or that waited for it, go too.
    KillProcessesRunning(Installed("Mirovue.exe"));
    return reached;
  }

  // One more run, as the host would start it later; then the installation
  // must be the new version with nothing left of the ended run.
  void ExpectNextRunEndsWithTheNewVersion() {
    server_.SetResponse("/package.zip", Page(package_, 200, "application/zip"));
    int exit_code = RunUpdater({UrlSwitch("/update.xml")});
    EXPECT_TRUE(exit_code == 0 || exit_code == 2) << exit_code;
    KillProcessesRunning(Installed("Mirovue.exe"));
    EXPECT_TRUE(InstalledFiles() == new_) << "not the new version";
    EXPECT_TRUE(InstallationLeftovers().empty());
    EXPECT_TRUE(TempLeftovers().empty());
  }

  // Puts the old version back, and removes what the updater left.
  void RestoreOldVersion() {
    for (const auto& entry : fs::directory_iterator(install_.path())) {
      if (entry.path().filename().string().rfind("..", 0) == 0)
        fs::remove_all(entry.path());
    }
    for (const auto& [name, content] : old_)
      WriteFile(Installed(name), content);
    fs::remove(Installed("plugins/viewer.dll"));
    fs::remove(Installed("host.log"));
    ASSERT_EQ(old_, InstalledFiles());
  }

  bool IsWholeVersion() const {
    Files now = InstalledFiles();
    return now == old_ || now == new_;
  }

  ScopedTempDir package_dir_;
  std::string package_;
  Files old_;
  Files new_;
};

TEST_F(CrashTest, KilledDuringTheDownload) {
  HttpResponse stalled = Page(package_, 200, "application/zip");
  stalled.cut_after = package_.size() / 2;
  server_.SetResponse("/package.zip", stalled);
  ASSERT_TRUE(EndUpdaterAt(
      [this] { return server_.RequestCount("/package.zip") > 0; }, SIGKILL));
  EXPECT_EQ(old_, InstalledFiles());
  ExpectNextRunEndsWithTheNewVersion();
}

TEST_F(CrashTest, KilledOrTerminatedWhileStaging) {
  for (int signal : {SIGKILL, SIGTERM}) {
    SCOPED_TRACE(signal);
    ASSERT_TRUE(
        EndUpdaterAt([this] { return StagingHolds(kParts / 3); }, signal));
    EXPECT_EQ(old_, InstalledFiles());
  }
  ExpectNextRunEndsWithTheNewVersion();
}

TEST_F(CrashTest, KilledDuringTheHostWait) {
  HostLog host;
  StartHost(&host);
  ASSERT_TRUE(EndUpdaterAt(
      [this] {
        return updater_stderr().find(kStillRunningBox) != std::string::npos;
      },
      SIGKILL, {host.HwndSwitch()}));
  EXPECT_EQ(old_, InstalledFiles());
  ExpectNextRunEndsWithTheNewVersion();
}

TEST_F(CrashTest, KilledAtPointsOfTheCommit) {
  const std::function<bool()> kPoints[] = {
      [this] { return fs::exists(Installed("..updater_journal")); },
      [this] { return JournalHolds("\nend\n"); },
      [this] {
        return ReadFileOrEmpty(Installed("lib/part0.dll")).rfind("new", 0) == 0;
      },
      [this] { return JournalHolds("\ncommitted\n"); },
      [this] { return !ReadFileOrEmpty(Installed("host.log")).empty(); },
  };
  const size_t kCount = sizeof(kPoints) / sizeof(kPoints[0]);
  for (size_t i = 0; i < kCount; ++i) {
    SCOPED_TRACE(i);
    ASSERT_TRUE(EndUpdaterAt(kPoints[i], SIGKILL, {}, i + 1 == kCount));
    ExpectNextRunEndsWithTheNewVersion();
    RestoreOldVersion();
  }
}

// A request to end the updater during the commit waits for it: the
// installation is whole the moment the process has ended.
TEST_F(CrashTest, TerminatedDuringTheCommitEndsWithAWholeVersion) {
  ASSERT_TRUE(EndUpdaterAt(
      [this] { return fs::exists(Installed("..updater_journal")); }, SIGTERM));
  EXPECT_TRUE(InstalledFiles() == new_) << "the commit was not completed";
  ExpectNextRunEndsWithTheNewVersion();
}

TEST_F(CrashTest, TerminatedAfterTheRelaunch) {
  ASSERT_TRUE(EndUpdaterAt(
      [this] { return !ReadFileOrEmpty(Installed("host.log")).empty(); },
      SIGTERM, {}, true));
  EXPECT_TRUE(IsWholeVersion());
  ExpectNextRunEndsWithTheNewVersion();
}

// A journal damaged after a commit died half-way (emptied, cut in half,
// deleted) is never taken for one that changed nothing: no old file is
// lost, each is in its place or in a backup that is kept, and the host is
// never told "up to date" while the installation is part old, part new.
TEST_F(CrashTest, ADamagedJournalLosesNoOldFileAndIsNeverUpToDate) {
  const std::function<void(const std::string&)> kDamages[] = {
      [](const std::string& journal) { fs::resize_file(journal, 0); },
      [](const std::string& journal) {
        fs::resize_file(journal, fs::file_size(journal) / 2);
      },
      [](const std::string& journal) { fs::remove(journal); },
  };
  for (size_t damage = 0; damage < std::size(kDamages); ++damage) {
    SCOPED_TRACE(damage);
    ASSERT_TRUE(EndUpdaterAt(
        [this] {
          return ReadFileOrEmpty(Installed("lib/part500.dll"))
                     .rfind("new", 0) == 0;
        },
        SIGKILL));
    kDamages[damage](Installed("..updater_journal"));

    HostLog host;
    StartHost(&host);
    EXPECT_EQ(0, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
    EXPECT_EQ((std::vector<uint32_t>{1127}), host.MessagesSettled(1));
    const Files now = InstalledFiles();
    std::set<std::string> kept;
    for (const auto& entry : fs::directory_iterator(install_.path())) {
      if (entry.path().filename().string().rfind("..updater_backup", 0) != 0)
        continue;
      for (const auto& backup : fs::recursive_directory_iterator(entry.path()))
        kept.insert(ReadFileOrEmpty(backup.path().string()));
    }
    for (const auto& [name, content] : old_) {
      const auto found = now.find(name);
      EXPECT_TRUE((found != now.end() && found->second == content) ||
                  kept.count(content))
          << name << " is lost";
    }
    EXPECT_NE(std::string::npos,
              ReadFileOrEmpty(Installed("debug.log")).find(":ERROR:"));
    KillProcessesRunning(Installed("Mirovue.exe"));
    RestoreOldVersion();
  }
}

// Another user's or another session's updater for the same installation
// does not see the first one's single-instance mutex (here it runs in a
// network namespace of its own). It must leave the first one's staging and
// commit alone.
TEST_F(CrashTest, ASecondUpdaterFromAnotherSessionLeavesTheWorkAlone) {
  const std::function<bool()> kPoints[] = {
      [this] { return StagingHolds(kParts / 3); },
      [this] { return fs::exists(Installed("..updater_journal")); },
      [this] { return fs::exists(Installed("..updater_journal")); },
      [this] { return fs::exists(Installed("..updater_journal")); },
  };
  for (size_t i = 0; i < std::size(kPoints); ++i) {
    SCOPED_TRACE(i);
    ChildProcess first;
    StartUpdater(&first, {UrlSwitch("/update.xml")});
    ASSERT_TRUE(WaitFor(kPoints[i], milliseconds(20000)));
    ChildProcess second;
    ASSERT_TRUE(second.Start(
        "/usr/bin/unshare",
        {"-n", Installed("updater"), UrlSwitch("/update.xml")}, install_.path(),
        package_dir_.path() + "/second.stderr", {"TMPDIR=" + updater_tmpdir_}));
    int exit_code = -1;
    EXPECT_TRUE(second.Wait(milliseconds(20000), &exit_code));
    EXPECT_EQ(0, exit_code);
    EXPECT_TRUE(first.Wait(milliseconds(60000), &exit_code));
    EXPECT_EQ(2, exit_code);
    KillProcessesRunning(Installed("Mirovue.exe"));
    EXPECT_TRUE(InstalledFiles() == new_) << "not the new version";
    EXPECT_TRUE(InstallationLeftovers().empty());
    EXPECT_TRUE(TempLeftovers().empty());
    EXPECT_NE(std::string::npos,
              ReadFileOrEmpty(Installed("debug.log"))
                  .find("Another updater is working on the installation"));
    RestoreOldVersion();
  }
}

}  // namespace
}  // namespace test
