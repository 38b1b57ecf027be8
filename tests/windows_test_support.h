// What the Windows tests share. Linked into every Windows test binary, it
// also checks, before any test runs, that the ANSI code page is 936 (Wine
// quietly stays on 1252 when the Chinese locale is missing, and the tests
// of the GBK texts would then mean nothing).
//
// Child processes: a test runs a copy of its own program (or the program
// itself) with "--child-action=NAME" and further arguments. The test file
// that knows NAME runs it from a static initializer, before main():
//
//   const bool g_child_ran = RunChildActionIfAsked();  // ends the process
//
// A child action that no file knows ends the child with status 99 instead
// of running the tests in it. Names carry the file's prefix ("logging.").
#ifndef TESTS_WINDOWS_TEST_SUPPORT_H_
#define TESTS_WINDOWS_TEST_SUPPORT_H_

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "base/win/scoped_handle.h"

namespace test {

// The path of the running test program.
std::filesystem::path ThisProgram();

// Whether the tests run under Wine rather than Windows. Only for the few
// places where Wine is known to differ from Windows' documented behaviour;
// each such test says how.
bool RunningUnderWine();

// The action this process was started for, or "" in a test run; and the
// arguments that followed it.
std::string ChildAction();
std::vector<std::wstring> ChildArguments();

// Ends a child process with |exit_code| once its action is done, without
// running destructors of the test program's statics.
[[noreturn]] void EndChild(int exit_code);

// The command line that runs |program| for |action| with |args|, quoted by
// the Windows rules.
std::wstring ChildCommandLine(const std::filesystem::path& program,
                              const std::string& action,
                              const std::vector<std::wstring>& args = {});

// A started program, waited for with a deadline so that a hung child fails
// its test instead of hanging it. Ended at once if still running when the
// object goes away.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Runs |command_line| in |directory| (empty: this process's), with its
  // standard output and error sent to |output_path| when that is not empty.
  // False when the program could not be started.
  bool Start(const std::wstring& command_line,
             const std::filesystem::path& output_path = {},
             const std::filesystem::path& directory = {});

  // Waits until the child exits; false on time-out (the child is then
  // ended). |exit_code| is its exit code.
  bool Wait(std::chrono::milliseconds timeout, int* exit_code);

  DWORD pid() const { return pid_; }

 private:
  base::win::ScopedHandle process_;
  DWORD pid_ = 0;
};

// Reads a whole file; empty when it does not exist.
std::string ReadFileOrEmpty(const std::filesystem::path& path);

// Sets (or, with a null |value|, removes) a variable of this process's
// environment, which started processes and the system's own look-ups such
// as GetTempPathW read, and puts the old value back when it goes.
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(const wchar_t* name, const wchar_t* value);
  ~ScopedEnvironmentVariable();
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) =
      delete;

 private:
  std::wstring name_;
  bool had_value_ = false;
  std::wstring old_value_;
};

// Sends this process's standard error (as GetStdHandle sees it) into a file
// while it lives.
class ScopedStderrToFile {
 public:
  explicit ScopedStderrToFile(const std::filesystem::path& path);
  ~ScopedStderrToFile();
  ScopedStderrToFile(const ScopedStderrToFile&) = delete;
  ScopedStderrToFile& operator=(const ScopedStderrToFile&) = delete;

 private:
  HANDLE saved_;
  base::win::ScopedHandle file_;
};

}  // namespace test

#endif  // TESTS_WINDOWS_TEST_SUPPORT_H_
