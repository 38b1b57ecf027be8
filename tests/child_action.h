// Child processes for tests, written once for both systems. A test runs a
// copy of its own program with "--child-action=NAME" and further
// arguments; the test file that knows NAME does it from a static
// initializer, before main(), and ends the process:
//
//   const bool g_child_ran = RunChildActionIfAsked();  // ends the process
//
// A child action that no file knows ends the child with status 99 instead
// of running the tests in it. Names carry the file's prefix ("logging.").
#ifndef TESTS_CHILD_ACTION_H_
#define TESTS_CHILD_ACTION_H_

#include <stdint.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#if defined(_WIN32)
#include "tests/windows_test_support.h"
#else
#include "tests/child_process.h"
#endif

namespace test {

// The path of the running test program, and its process id.
std::filesystem::path ThisProgram();
int64_t ThisProcessId();

// This process's arguments in UTF-8, as the system holds them, so that a
// static initializer, which runs before main(), can read them.
std::vector<std::string> ThisProcessArguments();

// The action this process was started for, or "" in a test run; and the
// arguments that followed it, in UTF-8.
std::string ChildAction();
std::vector<std::string> ChildArguments();

// Ends a child process with |exit_code| once its action is done, without
// running destructors of the test program's statics.
[[noreturn]] void EndChild(int exit_code);

// A copy of a test program running a child action, waited for with a
// deadline; ended at once if still running when the object goes away.
class ChildActionProcess {
 public:
  // Starts |program| for |action| with |args| (UTF-8) in |directory|
  // (empty: this process's), its standard error going to |error_output|
  // when that is not empty. False when it could not be started.
  bool Start(const std::filesystem::path& program,
             const std::string& action,
             const std::vector<std::string>& args = {},
             const std::filesystem::path& directory = {},
             const std::filesystem::path& error_output = {});

  // Waits until the child exits; false on time-out (the child is then
  // ended). |exit_code| is its exit status.
  bool Wait(std::chrono::milliseconds timeout, int* exit_code);

 private:
  ChildProcess process_;
};

// Sends this process's standard error into a file while it lives.
class ScopedStderrToFile {
 public:
  explicit ScopedStderrToFile(const std::filesystem::path& path);
  ~ScopedStderrToFile();
  ScopedStderrToFile(const ScopedStderrToFile&) = delete;
  ScopedStderrToFile& operator=(const ScopedStderrToFile&) = delete;

 private:
  intptr_t saved_;  // the standard error it replaced
};

}  // namespace test

#endif  // TESTS_CHILD_ACTION_H_
