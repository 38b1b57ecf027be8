#include "base/process_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/unique_temp_dir.h"
#include "base/utf_string_conversions.h"
#include "gtest/gtest.h"
#include "tests/test_files.h"

namespace base {
namespace {

namespace fs = std::filesystem;

constexpr TimeDelta kDeadline = TimeDelta::FromSeconds(30);

using ::test::ReadFileOrEmpty;

// Counts only processes this test started.
class OnlyPid : public ProcessFilter {
 public:
  explicit OnlyPid(ProcessId pid) : pid_(pid) {}
  bool Includes(const ProcessEntry& entry) const override {
    return entry.pid == pid_;
  }

 private:
  ProcessId pid_;
};

class ProcessUtilTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.Create());
    root_ = scratch_.path().AsSystemPath();
  }

  FilePath Path(const fs::path& path) {
    return FilePath::FromSystemPath(path.string());
  }

  // A copy of sleep under a name no other process has.
  fs::path MakeProbe(const std::string& name) {
    fs::path probe = root_ / name;
    fs::copy_file("/bin/sleep", probe);
    chmod(probe.c_str(), 0755);
    return probe;
  }

  std::u16string UniqueName(const std::string& stem) {
    return UTF8ToUTF16(stem + std::to_string(getpid()) + ".exe");
  }

  // Runs "/bin/sh -c |script|" and waits for it; its exit code.
  int RunShell(const std::string& script, const ProcessLaunchOptions& options) {
    Process process;
    EXPECT_TRUE(StartProcess(
        JoinCommandLineArgs({u"/bin/sh", u"-c", UTF8ToUTF16(script)}), options,
        &process));
    int exit_code = -1;
    EXPECT_TRUE(process.WaitForExitWithTimeout(kDeadline, &exit_code));
    return exit_code;
  }

  UniqueTempDir scratch_;
  fs::path root_;
};

TEST_F(ProcessUtilTest, CountsRunningProcessesByNameInAnyLetterCase) {
  const std::u16string name = UniqueName("Probe");
  fs::path probe = MakeProbe(UTF16ToUTF8(name));
  EXPECT_EQ(0, CountProcessesByName(name));

  Process first, second;
  ASSERT_TRUE(
      StartProcess(BuildLaunchCommandLine(Path(probe), u"60"), {}, &first));
  ASSERT_TRUE(
      StartProcess(BuildLaunchCommandLine(Path(probe), u"60"), {}, &second));
  std::u16string upper = name;
  for (char16_t& c : upper) {
    if (c >= u'a' && c <= u'z')
      c = static_cast<char16_t>(c - u'a' + u'A');
  }
  EXPECT_EQ(2, CountProcessesByName(name));
  EXPECT_EQ(2, CountProcessesByName(upper));
  OnlyPid only_first(first.pid());
  EXPECT_EQ(1, CountProcessesByName(name, &only_first));

  // An ended process that has not been reaped yet no longer runs.
  ASSERT_TRUE(first.Terminate());
  ASSERT_TRUE(second.Terminate());
  for (Process* process : {&first, &second}) {
    int exit_code;
    ASSERT_TRUE(process->WaitForExitWithTimeout(kDeadline, &exit_code));
    EXPECT_EQ(128 + 9, exit_code);
  }
  EXPECT_EQ(0, CountProcessesByName(name));
}

TEST_F(ProcessUtilTest, EndedButUnreapedProcessesDoNotCount) {
  const std::u16string name = UniqueName("Zombie");
  fs::path probe = MakeProbe(UTF16ToUTF8(name));
  Process process;
  ASSERT_TRUE(
      StartProcess(BuildLaunchCommandLine(Path(probe), u"0"), {}, &process));
  // Give it time to end, without reaping it.
  for (int i = 0; i < 3000 && CountProcessesByName(name) > 0; ++i)
    usleep(10000);
  EXPECT_EQ(0, CountProcessesByName(name));
  EXPECT_TRUE(fs::exists("/proc/" + std::to_string(process.pid())));
}

TEST_F(ProcessUtilTest, ARunningProcessIsRunningUntilItEnds) {
  EXPECT_TRUE(IsProcessRunning(getpid()));
  Process sleeper;
  ASSERT_TRUE(StartProcess(u"/bin/sleep 60", {}, &sleeper));
  const ProcessId pid = sleeper.pid();
  EXPECT_TRUE(IsProcessRunning(pid));
  ASSERT_TRUE(sleeper.Terminate());
  int exit_code;
  ASSERT_TRUE(sleeper.WaitForExitWithTimeout(kDeadline, &exit_code));
  EXPECT_FALSE(IsProcessRunning(pid));
  EXPECT_FALSE(IsProcessRunning(0));
}

TEST_F(ProcessUtilTest, TheChildGetsTheCallersEnvironmentAndDirectory) {
  setenv("UPDATER_PROCESS_TEST", "inherited value", 1);
  fs::path out = root_ / "out.txt";
  int exit_code = RunShell("pwd > '" + out.string() +
                               "'; echo \"$UPDATER_PROCESS_TEST\" >> '" +
                               out.string() + "'",
                           {});
  unsetenv("UPDATER_PROCESS_TEST");
  EXPECT_EQ(0, exit_code);
  EXPECT_EQ(fs::current_path().string() + "\ninherited value\n",
            ReadFileOrEmpty(out));
}

TEST_F(ProcessUtilTest, ArgumentsAreSplitWithTheWindowsRules) {
  fs::path out = root_ / "args.txt";
  // printf gets: a quoted blank, an escaped quote and a plain word.
  std::u16string command =
      u"/usr/bin/printf \"[%s]\" \"two words\" \\\"quoted\\\" plain";
  int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  // Standard output is passed on, so the child writes into |out|.
  int saved_stdout = dup(1);
  dup2(fd, 1);
  close(fd);
  Process process;
  bool started = StartProcess(command, {}, &process);
  dup2(saved_stdout, 1);
  close(saved_stdout);
  ASSERT_TRUE(started);
  int exit_code;
  ASSERT_TRUE(process.WaitForExitWithTimeout(kDeadline, &exit_code));
  EXPECT_EQ(0, exit_code);
  EXPECT_EQ("[two words][\"quoted\"][plain]", ReadFileOrEmpty(out));
}

TEST_F(ProcessUtilTest, AQuotedPathWithBlanksStartsTheProgram) {
  fs::create_directories(root_ / "Program Files" / "Mirovue");
  fs::path shell = root_ / "Program Files" / "Mirovue" / "my shell";
  fs::copy_file("/bin/sh", shell);
  chmod(shell.c_str(), 0755);
  std::u16string command =
      BuildLaunchCommandLine(Path(shell), u"-c \"exit 7\"");
  EXPECT_EQ(u"\"" + Path(shell).value() + u"\" -c \"exit 7\"", command);

  Process process;
  ASSERT_TRUE(StartProcess(command, {}, &process));
  int exit_code;
  ASSERT_TRUE(process.WaitForExitWithTimeout(kDeadline, &exit_code));
  EXPECT_EQ(7, exit_code);
}

TEST_F(ProcessUtilTest, WaitForExitOptionReturnsAfterTheChildEnds) {
  fs::path marker = root_ / "marker";
  ProcessLaunchOptions options;
  options.wait_for_exit = true;
  ASSERT_TRUE(StartProcess(
      JoinCommandLineArgs(
          {u"/bin/sh", u"-c",
           UTF8ToUTF16("sleep 0.2; touch '" + marker.string() + "'")}),
      options, nullptr));
  EXPECT_TRUE(fs::exists(marker));
}

TEST_F(ProcessUtilTest, HandlesAreInheritedOnlyWhenAskedFor) {
  int fd = open(root_.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 3);
  const std::string probe = "test -e /proc/self/fd/" + std::to_string(fd);
  EXPECT_EQ(1, RunShell(probe, {}));
  ProcessLaunchOptions inherit;
  inherit.handles_inherited = true;
  EXPECT_EQ(0, RunShell(probe, inherit));
  close(fd);
}

TEST_F(ProcessUtilTest, OptionsWithoutMeaningHereAreRefused) {
  int token = 0;
  ProcessLaunchOptions with_token;
  with_token.user_token = &token;
  ProcessLaunchOptions with_desktop;
  with_desktop.empty_desktop = true;
  ProcessLaunchOptions with_job;
  with_job.job_object = &token;
  ProcessLaunchOptions breaking_away;
  breaking_away.break_away_from_job = true;
  fs::path marker = root_ / "never";
  std::u16string command = JoinCommandLineArgs(
      {u"/bin/sh", u"-c", UTF8ToUTF16("touch '" + marker.string() + "'")});
  for (const ProcessLaunchOptions& options :
       {with_token, with_desktop, with_job, breaking_away}) {
    errno = 0;
    Process process;
    EXPECT_FALSE(StartProcess(command, options, &process));
    EXPECT_EQ(ENOTSUP, errno);
    EXPECT_FALSE(process.IsValid());
  }
  EXPECT_FALSE(fs::exists(marker));

  ProcessLaunchOptions hidden;
  hidden.hide_window = true;
  hidden.wait_for_exit = true;
  EXPECT_TRUE(StartProcess(command, hidden, nullptr));
  EXPECT_TRUE(fs::exists(marker));
}

TEST_F(ProcessUtilTest, AProgramThatCannotBeRunIsNotStarted) {
  Process process;
  EXPECT_FALSE(StartProcess(
      BuildLaunchCommandLine(Path(root_ / "Mirovue.exe"), u"-launch"), {},
      &process));
  EXPECT_FALSE(process.IsValid());
  EXPECT_FALSE(StartProcess(u"", {}, &process));
}

TEST_F(ProcessUtilTest, WaitingForProcessesAsksEachRoundUntilNoneRuns) {
  const std::u16string name = UniqueName("Host");
  fs::path probe = MakeProbe(UTF16ToUTF8(name));
  Process host;
  ASSERT_TRUE(
      StartProcess(BuildLaunchCommandLine(Path(probe), u"60"), {}, &host));

  int rounds = 0;
  WaitForProcessesToExit(name, TimeDelta::FromMilliseconds(20), [&] {
    // The host "closes" once it has been asked twice.
    if (++rounds == 2)
      host.Terminate();
    // A wait that cannot end must fail the test rather than hang it.
    if (rounds > 1500) {
      ADD_FAILURE() << "the wait never ended";
      std::_Exit(1);
    }
  });
  EXPECT_GE(rounds, 2);
  EXPECT_EQ(0, CountProcessesByName(name));
}

TEST_F(ProcessUtilTest, WaitingForNothingRunningAsksNothing) {
  int rounds = 0;
  WaitForProcessesToExit(UniqueName("NeverRuns"),
                         TimeDelta::FromMilliseconds(1), [&] { ++rounds; });
  EXPECT_EQ(0, rounds);
}

}  // namespace
}  // namespace base
