#include "bench/update/new_folders_run.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

#include "base/file_path.h"
#include "base/utf_string_conversions.h"
#include "tests/child_process.h"
#include "tests/http_test_server.h"
#include "tests/test_files.h"
#include "tests/update_site.h"
#include "zip/testing/archive_builder.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr char kWine[] = "/usr/bin/wine";
constexpr char kWineServer[] = "/usr/bin/wineserver";
constexpr int kEntries = 10000;
constexpr int kFolders = 50;
constexpr uint32_t kLinuxHostWindow = 31338;

std::vector<zip::TestEntry> SmallFilesInFolders() {
  std::mt19937 random(11);
  std::vector<zip::TestEntry> entries;
  for (int i = 0; i < kEntries; ++i) {
    std::string content(900 + random() % 250, '\0');
    for (size_t j = 0; j < content.size(); ++j)
      content[j] =
          j % 2 ? static_cast<char>(random()) : static_cast<char>('a' + j % 7);
    entries.push_back({"folder" + std::to_string(i % kFolders) + "/file" +
                           std::to_string(i) + ".txt",
                       std::move(content)});
  }
  return entries;
}

// Starts |program| of |build| with |args|, under Wine for the Windows build.
bool StartProgram(const BuildUnderTest& build,
                  const std::string& program,
                  std::vector<std::string> args,
                  const std::string& directory,
                  test::ChildProcess* child) {
  if (!build.under_wine)
    return child->Start(program, args, directory);
  args.insert(args.begin(), program);
  return child->Start(kWine, args, directory);
}

// The first line of |log| that begins with |prefix|, without it; empty when
// none came within a minute.
std::string WaitForLine(const std::string& log, const std::string& prefix) {
  const auto deadline = Clock::now() + seconds(60);
  while (Clock::now() < deadline) {
    std::istringstream lines(test::ReadFileOrEmpty(log));
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind(prefix, 0) == 0)
        return line.substr(prefix.size(),
                           line.find_last_not_of("\r") + 1 - prefix.size());
    }
    std::this_thread::sleep_for(milliseconds(10));
  }
  return std::string();
}

}  // namespace

bool MeasureNewFoldersRun(const BuildUnderTest& build, NewFoldersTimes* times) {
  test::ScopedTempDir work;
  const std::vector<zip::TestEntry> entries = SmallFilesInFolders();
  const std::string archive = work.path() + "/package.zip";
  if (!zip::WriteTestArchive(base::FilePath(base::UTF8ToUTF16(archive)),
                             entries))
    return false;
  test::HttpTestServer server;
  if (!server.Start())
    return false;
  server.SetResponse("/package.zip", test::PackageFile(archive));
  server.SetResponse("/update.xml", test::Page(test::Manifest(
                                        "9.0", server.Url("/package.zip"),
                                        test::Md5sum(archive))));
  const std::string install = work.path() + "/install";
  fs::create_directories(install);
  const std::string updater =
      install + (build.under_wine ? "/updater.exe" : "/updater");
  fs::copy_file(build.updater, updater);
  fs::copy_file(build.host, install + "/Mirovue.exe");

  // The user closes Mirovue a second after it is told that the package is
  // verified. Its log is kept apart from the one that the relaunched host
  // starts in the installation.
  const std::string first_log = work.path() + "/first-host.log";
  std::vector<std::string> host_args = {
      "--exit-on=1126", "--exit-delay-ms=1000",
      "--log=" + (build.under_wine ? test::WinePath(first_log) : first_log)};
  if (!build.under_wine)
    host_args.push_back("--hwnd=" + std::to_string(kLinuxHostWindow));
  test::ChildProcess host;
  if (!StartProgram(build, install + "/Mirovue.exe", host_args, install, &host))
    return false;
  const std::string window = build.under_wine
                                 ? WaitForLine(first_log, "window ")
                                 : std::to_string(kLinuxHostWindow);
  if (window.empty() || WaitForLine(first_log, "start").empty())
    return false;
  std::optional<Clock::time_point> host_exit;
  std::thread host_watch([&] {
    int exit_code = -1;
    if (host.Wait(seconds(300), &exit_code))
      host_exit = Clock::now();
  });

  test::ChildProcess run;
  const Clock::time_point start = Clock::now();
  const bool started =
      StartProgram(build, updater,
                   {"--url=" + server.Url("/update.xml"), "--hwnd=" + window},
                   install, &run);
  // The relaunched host's log appears within moments of its start.
  std::optional<Clock::time_point> relaunch;
  while (started && !relaunch && Clock::now() - start < seconds(300)) {
    if (fs::exists(install + "/host.log"))
      relaunch = Clock::now();
    else
      std::this_thread::sleep_for(milliseconds(5));
  }
  int exit_code = -1;
  const bool ended = started && run.Wait(seconds(300), &exit_code);
  const Clock::time_point end = Clock::now();
  host_watch.join();
  // The relaunched host goes with the measurement: under Wine, with the
  // prefix's server.
  if (build.under_wine) {
    test::ChildProcess stop;
    int stopped = -1;
    if (stop.Start(kWineServer, {"-k"}))
      stop.Wait(seconds(30), &stopped);
  } else {
    test::KillProcessesRunning(install + "/Mirovue.exe");
  }
  if (!ended || exit_code != 2 || !relaunch || !host_exit ||
      !fs::exists(install + "/" + entries.back().name)) {
    return false;
  }
  times->host_closed_seconds =
      std::chrono::duration<double>(*relaunch - *host_exit).count();
  times->whole_run_seconds = std::chrono::duration<double>(end - start).count();
  return true;
}
