// What the Windows tests share. Linked into every Windows test binary, it
// also checks, before any test runs, that the ANSI code page is 936 (Wine
// quietly stays on 1252 when the Chinese locale is missing, and the tests
// of the GBK texts would then mean nothing).
//
// Child actions (tests/child_action.h) are started through its command
// lines and processes.
#ifndef TESTS_WINDOWS_TEST_SUPPORT_H_
#define TESTS_WINDOWS_TEST_SUPPORT_H_

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "base/win/scoped_handle.h"
#include "tests/scoped_environment_variable.h"
#include "tests/test_files.h"

namespace test {

// Whether the tests run under Wine rather than Windows. Only for the few
// places where Wine is known to differ from Windows' documented behaviour;
// each such test says how.
bool RunningUnderWine();

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

}  // namespace test

#endif  // TESTS_WINDOWS_TEST_SUPPORT_H_
