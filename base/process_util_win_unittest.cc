#include "base/process_util.h"

#include <windows.h>

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
#include "base/win/scoped_handle.h"
#include "base/win/wide_text.h"
#include "tests/windows_test_support.h"

namespace base {
namespace {

namespace fs = std::filesystem;

constexpr TimeDelta kDeadline = TimeDelta::FromSeconds(30);

// Children are copies of this program that run one of these actions and
// exit (see RunChildActionIfAsked).
constexpr char kSleep[] = "process.sleep";      // seconds
constexpr char kExit[] = "process.exit";        // exit code
constexpr char kReport[] = "process.report";    // output file
constexpr char kHasPipe[] = "process.has_pipe"; // handle value

void WriteFileOrDie(const std::wstring& path, const std::string& text) {
  std::ofstream out(fs::path(path), std::ios::binary);
  out << text;
  if (!out)
    test::EndChild(3);
}

bool RunChildActionIfAsked() {
  const std::string action = test::ChildAction();
  if (action.rfind("process.", 0) != 0)
    return false;
  const std::vector<std::wstring> args = test::ChildArguments();
  const std::wstring arg = args.empty() ? std::wstring() : args[0];
  if (action == kSleep) {
    Sleep(static_cast<DWORD>(std::stoul(arg) * 1000));
    test::EndChild(0);
  }
  if (action == kExit)
    test::EndChild(std::stoi(arg));
  if (action == kReport) {
    // The current directory, one environment variable, how the window is
    // to be shown, then the arguments, one per line.
    wchar_t directory[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, directory);
    wchar_t variable[256] = {};
    GetEnvironmentVariableW(L"UPDATER_PROCESS_TEST", variable, 256);
    STARTUPINFOW startup = {};
    GetStartupInfoW(&startup);
    std::u16string report = AsChar16(directory);
    report += u"\n" + std::u16string(AsChar16(variable)) + u"\n";
    report += (startup.dwFlags & STARTF_USESHOWWINDOW)
                  ? ASCIIToUTF16(std::to_string(startup.wShowWindow))
                  : u"none";
    for (size_t i = 1; i < args.size(); ++i)
      report += u"\n" + std::u16string(AsChar16(args[i].c_str()));
    WriteFileOrDie(arg, UTF16ToUTF8(report));
    test::EndChild(0);
  }
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

class ProcessUtilWinTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(g_child_ran);
    ASSERT_TRUE(scratch_.Create());
    root_ = scratch_.path().AsSystemPath();
  }

  // A copy of this program under |name|, which no other process has.
  fs::path MakeProbe(const fs::path& name) {
    const fs::path probe = root_ / name;
    fs::create_directories(probe.parent_path());
    fs::copy_file(test::ThisProgram(), probe);
    return probe;
  }

  std::u16string UniqueName(const std::string& stem) {
    return ASCIIToUTF16(stem + std::to_string(GetCurrentProcessId()) + ".exe");
  }

  static std::u16string Command(const fs::path& program,
                                const std::string& action,
                                const std::vector<std::wstring>& args = {}) {
    const std::wstring command = test::ChildCommandLine(program, action, args);
    return AsChar16(command.c_str());
  }

  // Runs this program's report action with |options| and returns the lines
  // it wrote.
  std::vector<std::string> Report(const ProcessLaunchOptions& options,
                                  const std::vector<std::wstring>& extra = {}) {
    const fs::path out = root_ / "report.txt";
    std::vector<std::wstring> args = {out.wstring()};
    args.insert(args.end(), extra.begin(), extra.end());
    Process process;
    EXPECT_TRUE(StartProcess(Command(test::ThisProgram(), kReport, args),
                             options, &process));
    int exit_code = -1;
    EXPECT_TRUE(process.WaitForExitWithTimeout(kDeadline, &exit_code));
    EXPECT_EQ(0, exit_code);
    std::vector<std::string> lines;
    std::string text = test::ReadFileOrEmpty(out);
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

TEST_F(ProcessUtilWinTest, CountsRunningProcessesByNameInAnyLetterCase) {
  const std::u16string name = UniqueName("Probe");
  const fs::path probe = MakeProbe(AsWCHAR(name.c_str()));
  EXPECT_EQ(0, CountProcessesByName(name));

  Process first, second;
  ASSERT_TRUE(StartProcess(Command(probe, kSleep, {L"60"}), {}, &first));
  ASSERT_TRUE(StartProcess(Command(probe, kSleep, {L"60"}), {}, &second));
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
    EXPECT_EQ(1, exit_code);
    EXPECT_FALSE(process->IsValid());
  }
  EXPECT_EQ(0, CountProcessesByName(name));
}

TEST_F(ProcessUtilWinTest, AnEndedProcessNoLongerCountsWhileItsHandleIsOpen) {
  const std::u16string name = UniqueName("Ended");
  const fs::path probe = MakeProbe(AsWCHAR(name.c_str()));
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::wstring command = test::ChildCommandLine(probe, kExit, {L"0"});
  ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0,
                             nullptr, nullptr, &startup, &info));
  win::ScopedHandle process(info.hProcess);
  win::ScopedHandle thread(info.hThread);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.get(), 30000));
  EXPECT_EQ(0, CountProcessesByName(name));
  EXPECT_FALSE(IsProcessRunning(info.dwProcessId));
}

TEST_F(ProcessUtilWinTest, ThisProcessRunsAndNoProcessZeroDoes) {
  EXPECT_TRUE(IsProcessRunning(GetCurrentProcessId()));
  EXPECT_FALSE(IsProcessRunning(0));
}

TEST_F(ProcessUtilWinTest, TheChildGetsTheCallersEnvironmentAndDirectory) {
  test::ScopedEnvironmentVariable variable(L"UPDATER_PROCESS_TEST",
                                           L"inherited value");
  wchar_t directory[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, directory);
  const std::vector<std::string> lines = Report({});
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(UTF16ToUTF8(AsChar16(directory)), lines[0]);
  EXPECT_EQ("inherited value", lines[1]);
}

TEST_F(ProcessUtilWinTest, TheWindowIsShownOrHiddenAsAsked) {
  ProcessLaunchOptions hidden;
  hidden.hide_window = true;
  EXPECT_EQ(std::to_string(SW_SHOW), Report({}).at(2));
  EXPECT_EQ(std::to_string(SW_HIDE), Report(hidden).at(2));
}

TEST_F(ProcessUtilWinTest, ArgumentsAreSplitWithTheWindowsRules) {
  const std::vector<std::string> lines =
      Report({}, {L"two words", L"\"quoted\"", L"back\\slash\\", L"\u66F4\u65B0"});
  ASSERT_EQ(7u, lines.size());
  EXPECT_EQ("two words", lines[3]);
  EXPECT_EQ("\"quoted\"", lines[4]);
  EXPECT_EQ("back\\slash\\", lines[5]);
  EXPECT_EQ("\xE6\x9B\xB4\xE6\x96\xB0", lines[6]);
}

TEST_F(ProcessUtilWinTest, AQuotedPathWithBlanksStartsTheProgram) {
  const fs::path program =
      MakeProbe(fs::path("Program Files") / "Mirovue" / "my probe.exe");
  const FilePath path = FilePath::FromSystemPath(program.wstring());
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

TEST_F(ProcessUtilWinTest, WaitForExitOptionReturnsAfterTheChildEnds) {
  const fs::path out = root_ / "report.txt";
  ProcessLaunchOptions options;
  options.wait_for_exit = true;
  Process process;
  ASSERT_TRUE(StartProcess(
      Command(test::ThisProgram(), kReport, {out.wstring()}), options,
      &process));
  EXPECT_TRUE(fs::exists(out));
  // The handle is handed over all the same; the process has ended.
  int exit_code = -1;
  ASSERT_TRUE(process.WaitForExitWithTimeout(TimeDelta(), &exit_code));
  EXPECT_EQ(0, exit_code);
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
  const std::wstring value =
      std::to_wstring(reinterpret_cast<uintptr_t>(reader.get()));

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
  ASSERT_TRUE(StartProcess(Command(test::ThisProgram(), kSleep, {L"60"}),
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
  EXPECT_FALSE(StartProcess(
      Command(test::ThisProgram(), kReport, {out.wstring()}), options,
      &process));
  EXPECT_FALSE(process.IsValid());
  Sleep(200);
  EXPECT_FALSE(fs::exists(out));
}

TEST_F(ProcessUtilWinTest, AUserTokenGivesThatUsersOwnEnvironment) {
  HANDLE token_handle = nullptr;
  ASSERT_TRUE(OpenProcessToken(
      GetCurrentProcess(),
      TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY, &token_handle));
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
  ASSERT_TRUE(StartProcess(Command(test::ThisProgram(), kExit, {L"4"}),
                           options, &process));
  int exit_code = -1;
  ASSERT_TRUE(process.WaitForExitWithTimeout(kDeadline, &exit_code));
  EXPECT_EQ(4, exit_code);
}

TEST_F(ProcessUtilWinTest, AProgramThatCannotBeRunIsNotStarted) {
  Process process;
  EXPECT_FALSE(StartProcess(
      BuildLaunchCommandLine(
          FilePath::FromSystemPath((root_ / "Mirovue.exe").wstring()),
          u"-launch"),
      {}, &process));
  EXPECT_FALSE(process.IsValid());
  EXPECT_FALSE(StartProcess(u"", {}, &process));
  std::ofstream(root_ / "not_a_program.exe") << "text";
  EXPECT_FALSE(StartProcess(
      BuildLaunchCommandLine(
          FilePath::FromSystemPath((root_ / "not_a_program.exe").wstring()),
          u""),
      {}, &process));
}

TEST_F(ProcessUtilWinTest, WaitingForProcessesAsksEachRoundUntilNoneRuns) {
  const std::u16string name = UniqueName("Host");
  const fs::path probe = MakeProbe(AsWCHAR(name.c_str()));
  Process host;
  ASSERT_TRUE(StartProcess(Command(probe, kSleep, {L"60"}), {}, &host));

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

TEST_F(ProcessUtilWinTest, WaitingForNothingRunningAsksNothing) {
  int rounds = 0;
  WaitForProcessesToExit(UniqueName("NeverRuns"),
                         TimeDelta::FromMilliseconds(1), [&] { ++rounds; });
  EXPECT_EQ(0, rounds);
}

}  // namespace
}  // namespace base
