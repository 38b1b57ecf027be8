#include "tests/updater_fixture.h"

#include <chrono>
#include <filesystem>

namespace test {

void UpdaterFixture::SetUp() {
  ASSERT_FALSE(install_.path().empty());
  ASSERT_FALSE(temp_.path().empty());
  ASSERT_TRUE(server_.Start());
  updater_tmpdir_ = temp_.path();
  namespace fs = std::filesystem;
  fs::copy_file(UpdaterBinary(), Installed("updater"));
  fs::copy_file(DEMO_HOST_BINARY, Installed("Mirovue.exe"));
}

void UpdaterFixture::TearDown() {
  // A host that the updater started again runs on; end it with the test.
  KillProcessesRunning(Installed("Mirovue.exe"));
}

void UpdaterFixture::StartHost(HostLog* host,
                               const std::vector<std::string>& extra_args) {
  ASSERT_TRUE(host->Start(Installed("Mirovue.exe"), extra_args));
}

void UpdaterFixture::StartUpdater(ChildProcess* updater,
                                  const std::vector<std::string>& args) {
  // The updater's own temporary directory, so that what it leaves shows.
  std::vector<std::string> environment = updater_environment_;
  environment.push_back("TMPDIR=" + updater_tmpdir_);
  EXPECT_TRUE(updater->Start(Installed("updater"), args, install_.path(),
                             Installed("updater.stderr"), environment));
}

int UpdaterFixture::RunUpdater(const std::vector<std::string>& args,
                               std::chrono::seconds deadline) {
  ChildProcess updater;
  StartUpdater(&updater, args);
  int exit_code = -1;
  EXPECT_TRUE(updater.Wait(deadline, &exit_code)) << "updater did not end";
  updater_peak_resident_kib_ = updater.peak_resident_kib();
  return exit_code;
}

std::string UpdaterFixture::updater_stderr() const {
  return ReadFileOrEmpty(Installed("updater.stderr"));
}

Files UpdaterFixture::InstalledFiles() const {
  return FileContents(install_.path(),
                      {"updater", "updater.stderr", "debug.log", "host.log"});
}

std::vector<std::string> UpdaterFixture::TempLeftovers() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(temp_.path()))
    names.push_back(entry.path().filename().string());
  return names;
}

std::vector<std::string> UpdaterFixture::PartialDownloads() const {
  std::vector<std::string> names;
  for (const std::string& name : TempLeftovers()) {
    if (name.rfind("updater_partial", 0) == 0)
      names.push_back(name);
  }
  return names;
}

std::vector<std::string> UpdaterFixture::InstallationLeftovers() const {
  std::vector<std::string> names;
  for (const auto& entry :
       std::filesystem::directory_iterator(install_.path())) {
    std::string name = entry.path().filename().string();
    if (name.rfind("..", 0) == 0)
      names.push_back(name);
  }
  return names;
}

}  // namespace test
