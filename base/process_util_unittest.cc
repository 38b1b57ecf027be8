#include "base/process_util.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/command_line.h"
#include "base/unique_temp_dir.h"
#include "base/utf_string_conversions.h"
#include "tests/child_action.h"
#include "tests/scoped_environment_variable.h"
#include "tests/test_files.h"

#if defined(_WIN32)
#include <windows.h>

#include "base/win/scoped_handle.h"
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace base {
namespace {

namespace fs = std::filesystem;

constexpr TimeDelta kDeadline = TimeDelta::FromSeconds(30);

// The exit status of a process that Process::Terminate ended.
#if defined(_WIN32)
constexpr int kTerminatedStatus = 1;
#else
constexpr int kTerminatedStatus = 128 + 9;
#endif

// Children are copies of this program that run one of these actions and
// exit (see RunChildActionIfAsked).
constexpr char kSleep[] = "process.sleep";    // seconds
constexpr char kExit[] = "process.exit";      // exit code
constexpr char kReport[] = "process.report";  // output file, arguments
#if defined(_WIN32)
constexpr char kHasPipe[] = "process.has_pipe";  // handle value
#endif

// The report: the current directory, one environment variable, how the
// window is to be shown ("none" where no window is asked for), then the
// arguments after the output file, one per line.
void WriteReport(const std::vector<std::string>& args) {
  const char* variable = getenv("UPDATER_PROCESS_TEST");
  std::string report =
      fs::current_path().u8string() + "\n" + (variable ? variable : "") + "\n";
#if defined(_WIN32)
  STARTUPINFOW startup = {};
  GetStartupInfoW(&startup);
  report += (startup.dwFlags & STARTF_USESHOWWINDOW)
                ? std::to_string(startup.wShowWindow)
                : "none";
#else
  report += "none";
#endif
  for (size_t i = 1; i < args.size(); ++i)
    report += "\n" + args[i];
  std::ofstream out(fs::u8path(args[0]), std::ios::binary);
  out << report;
  if (!out)
    test::EndChild(3);
}

bool RunChildActionIfAsked() {
  const std::string action = test::ChildAction();
  if (action.rfind("process.", 0) != 0)
    return false;
  const std::vector<std::string> args = test::ChildArguments();
  const std::string arg = args.empty() ? std::string() : args[0];
  if (action == kSleep) {
    std::this_thread::sleep_for(std::chrono::seconds(std::stoi(arg)));
    test::EndChild(0);
  }
  if (action == kExit)
    test::EndChild(std::stoi(arg));
  if (action == kReport) {
    WriteReport(args);
    test::EndChild(0);
  }
#if defined(_WIN32)
  if (action == kHasPipe) {
    // Exit 0 when the handle value names the parent's pipe with its byte
    // waiting; peeking never blocks, whatever else the value may name.
    HANDLE pipe = reinterpret_cast<HANDLE>(std::stoull(arg));
    char byte = 0;
    DWORD read = 0;
    const bool inherited =
        PeekNamedPipe(pipe, &byte, 1, &read, nullptr, nullptr) && read == 1 &&
        byte == 'x';
    test::EndChild(inherited ? 0 : 1);
  }
#endif
  test::EndChild(98);
}

const bool g_child_ran = RunChildActionIfAsked();

// Counts only the process with one id.
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
    ASSERT_FALSE(g_child_ran);
    ASSERT_TRUE(scratch_.Create());
    root_ = scratch_.path().AsSystemPath();
  }

  static FilePath Path(const fs::path& path) {
    return FilePath::FromSystemPath(path.native());
  }

  // A copy of this program under |name|, which no other process has.
  fs::path MakeProbe(const fs::path& name) {
    const fs::path probe = root_ / name;
    fs::create_directories(probe.parent_path());
    fs::copy_file(test::ThisProgram(), probe);
    return probe;
  }

  static std::u16string UniqueName(const std::string& stem) {
    return ASCIIToUTF16(stem + std::to_string(test::ThisProcessId()) + ".exe");
  }

  // The command line that runs |program| for |action| with |args|.
  static std::u16string Command(const fs::path& program,
                                const std::string& action,
                                const std::vector<std::string>& args = {}) {
    std::vector<std::u16string> all = {
        Path(program).value(), u"--child-action=" + ASCIIToUTF16(action)};
    for (const std::string& arg : args)
      all.push_back(UTF8ToUTF16(arg));
    return JoinCommandLineArgs(all);
  }

  // Runs this program's report action with |options| and returns the lines
  // it wrote.
  std::vector<std::string> Report(const ProcessLaunchOptions& options,
                                  const std::vector<std::string>& extra = {}) {
    const fs::path out = root_ / "report.txt";
    std::vector<std::string> args = {out.u8string()};
    args.insert(args.end(), extra.begin(), extra.end());
    Process process;
    EXPECT_TRUE(StartProcess(Command(test::ThisProgram(), kReport, args),
                             options, &process));
    int exit_code = -1;
    EXPECT_TRUE(process.WaitForExitWithTimeout(kDeadline, &exit_code));
    EXPECT_EQ(0, exit_code);
    std::vector<std::string> lines;
    const std::string text = test::ReadFileOrEmpty(out);
    for (size_t start = 0; start <= text.size();) {
      const size_t end = std::min(text.find('\n', start), text.size());
      lines.push_back(text.substr(start, end - start));
      start = end + 1;
    }
    fs::remove(out);
    return lines;
  }

  UniqueTempDir scratch_;
  fs::path root_;
};

TEST_F(ProcessUtilTest, CountsRunningProcessesByNameInAnyLetterCase) {
  const std::u16string name = UniqueName("Probe");
  const fs::path probe = MakeProbe(fs::u8path(UTF16ToUTF8(name)));
  EXPECT_EQ(0, CountProcessesByName(name));

  Process first, second;
  ASSERT_TRUE(StartProcess(Command(probe, kSleep, {"60"}), {}, &first));
  ASSERT_TRUE(StartProcess(Command(probe, kSleep, {"60"}), {}, &second));
  std::u16string upper = name;
  for (char16_t& c : upper) {
    if (c >= u'a' && c <= u'z')
      c = static_cast<char16_t>(c - u'a' + u'A');
  }
  EXPECT_EQ(2, CountProcessesByName(name));
  EXPECT_EQ(2, CountProcessesByName(upper));
  EXPECT_EQ(0, CountProcessesByName(u"Probe"));
  const OnlyPid only_first(first.pid());
  EXPECT_EQ(1, CountProcessesByName(name, &only_first));

  ASSERT_TRUE(first.Terminate());
  ASSERT_TRUE(second.Terminate());
  for (Process* process : {&first, &second}) {
    int exit_code = -1;
    ASSERT_TRUE(process->WaitForExitWithTimeout(kDeadline, &exit_code));
    EXPECT_EQ(kTerminatedStatus, exit_code);
    EXPECT_FALSE(process->IsValid());
  }
  EXPECT_EQ(0, CountProcessesByName(name));
}

// A process that has ended no longer runs, though its parent still holds
// it (an open handle, or on Linux a child not yet reaped).
TEST_F(ProcessUtilTest, AnEndedProcessNoLongerCountsBeforeItIsWaitedFor) {
  const std::u16string name = UniqueName("Ended");
  const fs::path probe = MakeProbe(fs::u8path(UTF16ToUTF8(name)));
  Process process;
  ASSERT_TRUE(StartProcess(Command(probe, kExit, {"0"}), {}, &process));
  for (int i = 0; i < 3000 && CountProcessesByName(name) > 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(0, CountProcessesByName(name));
  EXPECT_FALSE(IsProcessRunning(process.pid()));
  EXPECT_TRUE(process.IsValid());
}

TEST_F(ProcessUtilTest, ARunningProcessIsRunningUntilItEnds) {
  EXPECT_TRUE(IsProcessRunning(test::ThisProcessId()));
  EXPECT_FALSE(IsProcessRunning(0));
  Process sleeper;
  ASSERT_TRUE(
      StartProcess(Command(test::ThisProgram(), kSleep, {"60"}), {}, &sleeper));
  const ProcessId pid = sleeper.pid();
  EXPECT_TRUE(IsProcessRunning(pid));
  ASSERT_TRUE(sleeper.Terminate());
  int exit_code;
  ASSERT_TRUE(sleeper.WaitForExitWithTimeout(kDeadline, &exit_code));
  EXPECT_FALSE(IsProcessRunning(pid));
}

TEST_F(ProcessUtilTest, TheChildGetsTheCallersEnvironmentAndDirectory) {
  test::ScopedEnvironmentVariable variable(
      fs::path("UPDATER_PROCESS_TEST").c_str(),
      fs::path("inherited value").c_str());
  const std::vector<std::string> lines = Report({});
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(fs::current_path().u8string(), lines[0]);
  EXPECT_EQ("inherited value", lines[1]);
}

TEST_F(ProcessUtilTest, ArgumentsAreSplitWithTheWindowsRules) {
  const std::vector<std::string> lines =
      Report({}, {"two words", "\"quoted\"", "back\\slash\\",
                  "\xE6\x9B\xB4\xE6\x96\xB0", "plain"});
  ASSERT_EQ(8u, lines.size());
  EXPECT_EQ("two words", lines[3]);
  EXPECT_EQ("\"quoted\"", lines[4]);
  EXPECT_EQ("back\\slash\\", lines[5]);
  EXPECT_EQ("\xE6\x9B\xB4\xE6\x96\xB0", lines[6]);
  EXPECT_EQ("plain", lines[7]);
}

TEST_F(ProcessUtilTest, AQuotedPathWithBlanksStartsTheProgram) {
  const FilePath path =
      Path(MakeProbe(fs::path("Program Files") / "Mirovue" / "my probe.exe"));
  const std::u16string command =
      BuildLaunchCommandLine(path, u"--child-action=process.exit 7");
  EXPECT_EQ(u"\"" + path.value() + u"\" --child-action=process.exit 7",
            command);

  Process process;
  ASSERT_TRUE(StartProcess(command, {}, &process));
  int exit_code = -1;
  ASSERT_TRUE(process.WaitForExitWithTimeout(kDeadline, &exit_code));
  EXPECT_EQ(7, exit_code);
}

TEST_F(ProcessUtilTest, WaitForExitOptionReturnsAfterTheChildEnds) {
  const fs::path out = root_ / "report.txt";
  ProcessLaunchOptions options;
  options.wait_for_exit = true;
  ASSERT_TRUE(
      StartProcess(Command(test::ThisProgram(), kReport, {out.u8string()}),
                   options, nullptr));
  EXPECT_TRUE(fs::exists(out));
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
  const fs::path probe = MakeProbe(fs::u8path(UTF16ToUTF8(name)));
  Process host;
  ASSERT_TRUE(StartProcess(Command(probe, kSleep, {"60"}), {}, &host));

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

// What exists on Linux alone: descriptors, and options that mean nothing
// there.
#if !defined(_WIN32)
using ProcessUtilPosixTest = ProcessUtilTest;

// Runs "/bin/sh -c |script|" with |options| and waits for it; its exit code.
int RunShell(const std::string& script, const ProcessLaunchOptions& options) {
  Process process;
  EXPECT_TRUE(StartProcess(
      JoinCommandLineArgs({u"/bin/sh", u"-c", UTF8ToUTF16(script)}), options,
      &process));
  int exit_code = -1;
  EXPECT_TRUE(process.WaitForExitWithTimeout(kDeadline, &exit_code));
  return exit_code;
}

TEST_F(ProcessUtilPosixTest, HandlesAreInheritedOnlyWhenAskedFor) {
  int fd = open(root_.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 3);
  const std::string probe = "test -e /proc/self/fd/" + std::to_string(fd);
  EXPECT_EQ(1, RunShell(probe, {}));
  ProcessLaunchOptions inherit;
  inherit.handles_inherited = true;
  EXPECT_EQ(0, RunShell(probe, inherit));
  close(fd);
}

TEST_F(ProcessUtilPosixTest, OptionsWithoutMeaningHereAreRefused) {
  int token = 0;
  ProcessLaunchOptions with_token;
  with_token.user_token = &token;
  ProcessLaunchOptions with_desktop;
  with_desktop.empty_desktop = true;
  ProcessLaunchOptions with_job;
  with_job.job_object = &token;
  ProcessLaunchOptions breaking_away;
  breaking_away.break_away_from_job = true;
  const fs::path marker = root_ / "never";
  const std::u16string command = JoinCommandLineArgs(
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
#endif  // !defined(_WIN32)

// What exists on Windows alone: windows, pipes, jobs, user tokens and
// desktops.
#if defined(_WIN32)
using ProcessUtilWinTest = ProcessUtilTest;

TEST_F(ProcessUtilWinTest, TheWindowIsShownOrHiddenAsAsked) {
  ProcessLaunchOptions hidden;
  hidden.hide_window = true;
  EXPECT_EQ(std::to_string(SW_SHOW), Report({}).at(2));
  EXPECT_EQ(std::to_string(SW_HIDE), Report(hidden).at(2));
}

TEST_F(ProcessUtilWinTest, HandlesAreInheritedOnlyWhenAskedFor) {
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  ASSERT_TRUE(CreatePipe(&read_end, &write_end, &inheritable, 0));
  win::ScopedHandle reader(read_end);
  win::ScopedHandle writer(write_end);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(writer.get(), "x", 1, &written, nullptr));
  const std::string value =
      std::to_string(reinterpret_cast<uintptr_t>(reader.get()));

  for (bool inherit : {false, true}) {
    SCOPED_TRACE(inherit);
    ProcessLaunchOptions options;
    options.handles_inherited = inherit;
    Process process;
    ASSERT_TRUE(StartProcess(Command(test::ThisProgram(), kHasPipe, {value}),
                             options, &process));
    int exit_code = -1;
    ASSERT_TRUE(process.WaitForExitWithTimeout(kDeadline, &exit_code));
    EXPECT_EQ(inherit ? 0 : 1, exit_code);
  }
}

TEST_F(ProcessUtilWinTest, AJobObjectReceivesTheProcessBeforeItRuns) {
  win::ScopedHandle job(CreateJobObjectW(nullptr, nullptr));
  ASSERT_TRUE(job.is_valid());
  ProcessLaunchOptions options;
  options.job_object = job.get();
  Process process;
  ASSERT_TRUE(StartProcess(Command(test::ThisProgram(), kSleep, {"60"}),
                           options, &process));
  struct {
    JOBOBJECT_BASIC_PROCESS_ID_LIST list;
    ULONG_PTR more[15];
  } ids = {};
  ids.list.NumberOfAssignedProcesses = 16;
  ASSERT_TRUE(QueryInformationJobObject(job.get(), JobObjectBasicProcessIdList,
                                        &ids, sizeof(ids), nullptr));
  ASSERT_EQ(1u, ids.list.NumberOfProcessIdsInList);
  EXPECT_EQ(static_cast<ULONG_PTR>(process.pid()), ids.list.ProcessIdList[0]);
  // It runs: it was resumed after joining the job.
  int exit_code = -1;
  EXPECT_FALSE(process.WaitForExitWithTimeout(TimeDelta::FromMilliseconds(200),
                                              &exit_code));
  ASSERT_TRUE(TerminateJobObject(job.get(), 5));
  ASSERT_TRUE(process.WaitForExitWithTimeout(kDeadline, &exit_code));
  EXPECT_EQ(5, exit_code);
}

TEST_F(ProcessUtilWinTest, AProcessTheJobRefusesNeverRuns) {
  const fs::path out = root_ / "report.txt";
  // An event is no job: the assignment fails, and the suspended process is
  // ended before it could write anything.
  win::ScopedHandle not_a_job(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ProcessLaunchOptions options;
  options.job_object = not_a_job.get();
  Process process;
  EXPECT_FALSE(
      StartProcess(Command(test::ThisProgram(), kReport, {out.u8string()}),
                   options, &process));
  EXPECT_FALSE(process.IsValid());
  Sleep(200);
  EXPECT_FALSE(fs::exists(out));
}

TEST_F(ProcessUtilWinTest, AUserTokenGivesThatUsersOwnEnvironment) {
  HANDLE token_handle = nullptr;
  ASSERT_TRUE(OpenProcessToken(
      GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY,
      &token_handle));
  win::ScopedHandle token(token_handle);
  test::ScopedEnvironmentVariable variable(L"UPDATER_PROCESS_TEST",
                                           L"only in this process");
  ProcessLaunchOptions options;
  options.user_token = token.get();
  const std::vector<std::string> lines = Report(options);
  ASSERT_GE(lines.size(), 2u);
  // The block is built from the user's profile, not from this process.
  EXPECT_EQ("", lines[1]);
}

TEST_F(ProcessUtilWinTest, AnEmptyDesktopStillStartsTheProcess) {
  ProcessLaunchOptions options;
  options.empty_desktop = true;
  Process process;
  ASSERT_TRUE(StartProcess(Command(test::ThisProgram(), kExit, {"4"}), options,
                           &process));
  int exit_code = -1;
  ASSERT_TRUE(process.WaitForExitWithTimeout(kDeadline, &exit_code));
  EXPECT_EQ(4, exit_code);
}

TEST_F(ProcessUtilWinTest, AWaitedProcessIsStillHandedOver) {
  const fs::path out = root_ / "report.txt";
  ProcessLaunchOptions options;
  options.wait_for_exit = true;
  Process process;
  ASSERT_TRUE(
      StartProcess(Command(test::ThisProgram(), kReport, {out.u8string()}),
                   options, &process));
  int exit_code = -1;
  ASSERT_TRUE(process.WaitForExitWithTimeout(TimeDelta(), &exit_code));
  EXPECT_EQ(0, exit_code);
}

TEST_F(ProcessUtilWinTest, AFileThatIsNoProgramIsNotStarted) {
  std::ofstream(root_ / "not_a_program.exe") << "text";
  Process process;
  EXPECT_FALSE(StartProcess(
      BuildLaunchCommandLine(Path(root_ / "not_a_program.exe"), u""), {},
      &process));
  EXPECT_FALSE(process.IsValid());
}
#endif  // defined(_WIN32)

}  // namespace
}  // namespace base
