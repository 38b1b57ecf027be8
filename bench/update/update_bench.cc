// Times whole updates from a loopback server, each offered by a signed
// manifest to an updater that trusts the signing key, against the same work
// done by standard tools back to back (curl -o, sha256sum, unzip -o): a
// 256 MiB package of mixed sizes and one of 40,000 small entries. Measures the
// downtime of the large update, from the end of the host wait to the start
// of the relaunched host, and compares the updater's peak memory for a
// 16 MiB and a 256 MiB package. The updater always sleeps 3 seconds before
// it first looks for the host (staging runs meanwhile); that fixed wait is
// taken off its time. Everything written is flushed before each run, so
// that no run pays for an earlier one's writes.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/file_path.h"
#include "base/utf_string_conversions.h"
#include "bench/update/new_folders_run.h"
#include "tests/child_process.h"
#include "tests/http_test_server.h"
#include "tests/manifest_signing.h"
#include "tests/test_files.h"
#include "tests/update_site.h"
#include "zip/testing/archive_builder.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr double kFixedHostWaitSeconds = 3.0;
constexpr size_t kMiB = 1024 * 1024;
constexpr uint32_t kHostWindow = 31337;
constexpr uint32_t kVerifiedMessage = 1126;

struct RunResult {
  double seconds = -1;
  long peak_rss_kib = 0;
};

// Runs a program to its end in |directory|; its time and peak memory.
RunResult RunNow(const std::vector<std::string>& argv,
                 const std::string& directory) {
  RunResult result;
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(directory.c_str()) != 0)
      _exit(126);
    freopen("/dev/null", "w", stdout);
    freopen("/dev/null", "w", stderr);
    std::vector<char*> args;
    for (const std::string& arg : argv)
      args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage = {};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status))
    return result;
  result.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  result.peak_rss_kib = usage.ru_maxrss;
  return result;
}

// The kernel counts a child's memory from before its exec in its peak, so
// programs are started by a launcher process forked while this one was
// still small, not by this process once it holds a whole package.
class Launcher {
 public:
  Launcher() {
    int commands[2];
    int results[2];
    if (pipe(commands) != 0 || pipe(results) != 0)
      return;
    pid_ = fork();
    if (pid_ == 0) {
      close(commands[1]);
      close(results[0]);
      Serve(commands[0], results[1]);
      _exit(0);
    }
    close(commands[0]);
    close(results[1]);
    commands_ = fdopen(commands[1], "w");
    results_ = fdopen(results[0], "r");
  }
  ~Launcher() {
    if (commands_)
      fclose(commands_);
    if (results_)
      fclose(results_);
    if (pid_ > 0)
      waitpid(pid_, nullptr, 0);
  }

  RunResult Run(const std::vector<std::string>& argv,
                const std::string& directory) {
    RunResult result;
    if (!commands_ || !results_)
      return result;
    fprintf(commands_, "%s\n%zu\n", directory.c_str(), argv.size());
    for (const std::string& arg : argv)
      fprintf(commands_, "%s\n", arg.c_str());
    fflush(commands_);
    if (fscanf(results_, "%lf %ld", &result.seconds, &result.peak_rss_kib) != 2)
      result.seconds = -1;
    return result;
  }

 private:
  // One command: a directory, an argument count, the arguments, one a line.
  static void Serve(int commands_fd, int results_fd) {
    FILE* commands = fdopen(commands_fd, "r");
    FILE* results = fdopen(results_fd, "w");
    char line[4096];
    while (fgets(line, sizeof(line), commands)) {
      std::string directory(line, strcspn(line, "\n"));
      size_t count = 0;
      if (!fgets(line, sizeof(line), commands) ||
          sscanf(line, "%zu", &count) != 1)
        return;
      std::vector<std::string> argv;
      for (size_t i = 0; i < count && fgets(line, sizeof(line), commands); ++i)
        argv.emplace_back(line, strcspn(line, "\n"));
      RunResult result = RunNow(argv, directory);
      fprintf(results, "%f %ld\n", result.seconds, result.peak_rss_kib);
      fflush(results);
    }
  }

  pid_t pid_ = -1;
  FILE* commands_ = nullptr;
  FILE* results_ = nullptr;
};

// Files of mixed sizes, from a few bytes to several MiB, adding up to about
// |total| bytes; half of each file compresses, half is noise.
std::vector<zip::TestEntry> MixedFiles(size_t total) {
  std::mt19937 random(42);
  std::vector<zip::TestEntry> entries;
  size_t written = 0;
  for (int i = 0; written < total; ++i) {
    size_t size = std::min<size_t>(total - written, size_t{1} << (4 + i % 20));
    std::string content(size, '\0');
    for (size_t j = 0; j < size; ++j)
      content[j] =
          j % 2 ? static_cast<char>(random()) : static_cast<char>('a' + j % 7);
    entries.push_back(
        {"dir" + std::to_string(i % 9) + "/file" + std::to_string(i) + ".bin",
         std::move(content)});
    written += size;
  }
  return entries;
}

// About |count| files of about 1 KiB each, half of each compressible.
std::vector<zip::TestEntry> SmallFiles(int count) {
  std::mt19937 random(7);
  std::vector<zip::TestEntry> entries;
  for (int i = 0; i < count; ++i) {
    std::string content(900 + random() % 250, '\0');
    for (size_t j = 0; j < content.size(); ++j)
      content[j] =
          j % 2 ? static_cast<char>(random()) : static_cast<char>('a' + j % 7);
    entries.push_back(
        {"d" + std::to_string(i % 100) + "/f" + std::to_string(i) + ".txt",
         std::move(content)});
  }
  return entries;
}

// Flushes what earlier runs wrote to the file system of |dir|.
void FlushEarlierWrites(const std::string& dir) {
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    syncfs(fd);
    close(fd);
  }
}

// Watches one update from outside: it stands for the host window, which
// receives 1126 right before the host wait begins, and sees the relaunched
// host create its log in the installation.
class UpdateWatcher {
 public:
  explicit UpdateWatcher(const std::string& install_dir) {
    endpoint_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    int length = snprintf(address.sun_path + 1, sizeof(address.sun_path) - 1,
                          "win32.hwnd.%u", kHostWindow);
    bound_ = bind(endpoint_, reinterpret_cast<sockaddr*>(&address),
                  static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 +
                                         length)) == 0;
    inotify_ = inotify_init1(IN_CLOEXEC);
    watching_ =
        inotify_add_watch(inotify_, install_dir.c_str(), IN_CREATE) >= 0;
    thread_ = std::thread(&UpdateWatcher::Watch, this);
  }
  ~UpdateWatcher() {
    stop_ = true;
    thread_.join();
    close(endpoint_);
    close(inotify_);
  }
  bool ready() const { return bound_ && watching_; }

  // Seconds from the end of the host wait (the fixed 3 seconds after 1126,
  // with no host running) to the relaunched host's first act; negative when
  // either was not seen. Call after the update.
  double DowntimeSeconds() const {
    if (!verified_ || !host_started_)
      return -1;
    return std::chrono::duration<double>(*host_started_ - *verified_).count() -
           kFixedHostWaitSeconds;
  }

 private:
  void Watch() {
    while (!stop_) {
      pollfd watched[2] = {{endpoint_, POLLIN, 0}, {inotify_, POLLIN, 0}};
      if (poll(watched, 2, 50) <= 0)
        continue;
      const Clock::time_point now = Clock::now();
      if (watched[0].revents) {
        uint8_t datagram[24];
        if (recv(endpoint_, datagram, sizeof(datagram), MSG_DONTWAIT) ==
                sizeof(datagram) &&
            (datagram[0] | datagram[1] << 8) == kVerifiedMessage) {
          verified_ = now;
        }
      }
      if (watched[1].revents) {
        alignas(inotify_event) char events[4096];
        ssize_t length = read(inotify_, events, sizeof(events));
        for (ssize_t at = 0; at < length;) {
          const inotify_event* event =
              reinterpret_cast<const inotify_event*>(events + at);
          if (event->len && strcmp(event->name, "host.log") == 0 &&
              !host_started_)
            host_started_ = now;
          at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
      }
    }
  }

  int endpoint_ = -1;
  int inotify_ = -1;
  bool bound_ = false;
  bool watching_ = false;
  std::atomic<bool> stop_{false};
  // Written by the watching thread, read after it has been joined.
  std::optional<Clock::time_point> verified_;
  std::optional<Clock::time_point> host_started_;
  std::thread thread_;
};

struct Measurement {
  RunResult updater;
  double downtime_seconds = -1;
  double tools_seconds = -1;
};

// One whole update of a package of |entries|, and the tools on the same one.
bool Measure(Launcher* launcher,
             const std::vector<zip::TestEntry>& entries,
             bool with_tools,
             Measurement* out) {
  test::ScopedTempDir work;
  std::string archive = work.path() + "/package.zip";
  if (!zip::WriteTestArchive(base::FilePath(base::UTF8ToUTF16(archive)),
                             entries))
    return false;

  test::HttpTestServer server;
  if (!server.Start())
    return false;
  server.SetResponse("/package.zip", test::PackageFile(archive));
  test::HttpResponse manifest;
  manifest.body = test::Signed(
      test::Manifest(test::OfferOf("9.0", server.Url("/package.zip"), archive)),
      test::SigningKey::FromPemFile(TEST_KEY_0));
  server.SetResponse("/update.xml", manifest);

  std::string install = work.path() + "/install";
  fs::create_directories(install);
  fs::copy_file(KEYED_UPDATER_BINARY, install + "/updater");
  fs::copy_file(DEMO_HOST_BINARY, install + "/Mirovue.exe");
  FlushEarlierWrites(work.path());
  {
    UpdateWatcher watcher(install);
    if (!watcher.ready())
      return false;
    out->updater = launcher->Run(
        {install + "/updater", "--url=" + server.Url("/update.xml"),
         "--hwnd=" + std::to_string(kHostWindow)},
        install);
    // The relaunched host's log appears within moments of its start.
    for (int i = 0; i < 200 && !fs::exists(install + "/host.log"); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    out->downtime_seconds = watcher.DowntimeSeconds();
  }
  test::KillProcessesRunning(install + "/Mirovue.exe");
  if (out->updater.seconds < 0 ||
      !fs::exists(install + "/" + entries.back().name))
    return false;
  if (!with_tools)
    return true;

  std::string download = work.path() + "/download.zip";
  std::string unpacked = work.path() + "/unpacked";
  fs::create_directories(unpacked);
  FlushEarlierWrites(work.path());
  RunResult curl = launcher->Run(
      {"curl", "-s", "-o", download, server.Url("/package.zip")}, work.path());
  RunResult sha256 = launcher->Run({"sha256sum", download}, work.path());
  RunResult unzip = launcher->Run(
      {"unzip", "-o", "-q", download, "-d", unpacked}, work.path());
  if (curl.seconds < 0 || sha256.seconds < 0 || unzip.seconds < 0)
    return false;
  out->tools_seconds = curl.seconds + sha256.seconds + unzip.seconds;
  FlushEarlierWrites(work.path());
  return true;
}

}  // namespace

int main() {
  // The updaters' temporary directory is the bench's own: an updater clears
  // what updaters that no longer run left in it.
  test::ScopedTempDir temp;
  if (temp.path().empty() || setenv("TMPDIR", temp.path().c_str(), 1) != 0)
    return 1;
  Launcher launcher;
  Measurement large;
  Measurement many;
  Measurement small;
  if (!Measure(&launcher, MixedFiles(256 * kMiB), true, &large) ||
      !Measure(&launcher, SmallFiles(40000), true, &many) ||
      !Measure(&launcher, MixedFiles(16 * kMiB), false, &small)) {
    fprintf(stderr, "a run failed\n");
    return 1;
  }
  double updater = large.updater.seconds - kFixedHostWaitSeconds;
  printf(
      "256 MiB package: updater %.2f s (without the fixed %.0f s host wait; "
      "%.2f s in all)\n",
      updater, kFixedHostWaitSeconds, large.updater.seconds);
  printf("256 MiB package: curl -o + sha256sum + unzip -o %.2f s\n",
         large.tools_seconds);
  printf("ratio updater/tools: %.3f (target at most 0.6)\n",
         updater / large.tools_seconds);
  printf(
      "downtime, end of the host wait to the relaunched host: %.3f s (target "
      "at most 0.1)\n",
      large.downtime_seconds);
  double many_updater = many.updater.seconds - kFixedHostWaitSeconds;
  printf(
      "40,000 entries of about 1 KiB: updater %.2f s (without the wait), tools "
      "%.2f s\n",
      many_updater, many.tools_seconds);
  printf("ratio updater/tools: %.3f (target at most 1.5)\n",
         many_updater / many.tools_seconds);
  printf(
      "peak resident memory: %.1f MiB for 16 MiB, %.1f MiB for 256 MiB, "
      "difference %.1f MiB"
      " (target under 4)\n",
      small.updater.peak_rss_kib / 1024.0, large.updater.peak_rss_kib / 1024.0,
      (large.updater.peak_rss_kib - small.updater.peak_rss_kib) / 1024.0);

  // The Windows build's figures come beside the Linux build's when the
  // Windows tree is named (tools/run_update_bench.sh runs it so, under Wine).
  std::vector<std::pair<const char*, BuildUnderTest>> builds = {
      {"Linux", {UPDATER_BINARY, DEMO_HOST_BINARY, false}}};
  if (const char* windows_tree = getenv("UPDATER_WINDOWS_TREE")) {
    builds.push_back(
        {"Windows under Wine",
         {std::string(windows_tree) + "/updater/updater.exe",
          std::string(windows_tree) + "/tools/Mirovue.exe", true}});
  }
  printf(
      "10,000 entries of about 1 KiB in 50 new folders, the host closed 1 s "
      "after 1126"
      " (targets under Wine: host back within 8 s of its exit, whole run at "
      "most 25 s):\n");
  for (const auto& [name, build] : builds) {
    NewFoldersTimes times;
    if (!MeasureNewFoldersRun(build, &times)) {
      printf("  %s: the run failed\n", name);
      return 1;
    }
    printf("  %s: host back %.2f s after its exit, whole run %.2f s\n", name,
           times.host_closed_seconds, times.whole_run_seconds);
  }
  return 0;
}
