// Process utilities of the updater: counting running processes by
// executable name, starting a program from a command line, and the waits
// built on them. None of them logs. Any thread may call them; a Process
// object is used by one thread at a time.
#ifndef BASE_PROCESS_UTIL_H_
#define BASE_PROCESS_UTIL_H_

#include <cstdint>
#include <functional>
#include <string>

#include "base/file_path.h"
#include "base/time.h"

namespace base {

using ProcessId = int64_t;

// What CountProcessesByName tells a filter about a running process.
struct ProcessEntry {
  ProcessId pid = 0;
  // The executable's file name, without directory.
  std::u16string exe_file;
};

class ProcessFilter {
 public:
  virtual bool Includes(const ProcessEntry& entry) const = 0;

 protected:
  virtual ~ProcessFilter() = default;
};

// The number of running processes whose executable file name equals
// |executable_name|, ignoring ASCII letter case, and which |filter| (when
// given) includes. On Linux a process counts when the file name of its
// executable or the kernel's name of it matches; processes that have ended
// and wait to be reaped do not count. On Windows the names are those of the
// system's process snapshot, and processes that have ended while something
// still holds them open do not count either. 0 when the processes cannot be
// listed.
int CountProcessesByName(const std::u16string& executable_name,
                         const ProcessFilter* filter = nullptr);

// Whether a process with |pid| exists and has not ended (on Linux, one that
// has ended but waits to be reaped does not count).
bool IsProcessRunning(ProcessId pid);

// Opaque system handles of the launch options.
using UserTokenHandle = void*;
using JobObjectHandle = void*;

// How StartProcess starts a program; all off by default. On Linux
// |hide_window| has nothing to hide, and |user_token|, |empty_desktop|,
// |job_object| and |break_away_from_job| have no meaning: StartProcess
// refuses them.
struct ProcessLaunchOptions {
  bool wait_for_exit = false;
  bool hide_window = false;
  // Whether the new process inherits the caller's inheritable handles; on
  // Linux, without it only standard input, output and error are passed on.
  bool handles_inherited = false;
  UserTokenHandle user_token = nullptr;
  bool empty_desktop = false;
  JobObjectHandle job_object = nullptr;
  bool break_away_from_job = false;
};

// A started process, owned by one object. Giving it up does not end the
// process. On Linux a process that ended while owned is reaped when the
// object goes; one that runs on is reaped when the updater itself exits.
class Process {
 public:
  Process() = default;
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  bool IsValid() const { return handle_ != kInvalidHandle; }
  ProcessId pid() const;

  // Waits up to |timeout| for the process to end. True, with its exit code
  // (128 + the signal number for one ended by a signal on Linux), when it
  // has ended; the object then lets it go.
  bool WaitForExitWithTimeout(TimeDelta timeout, int* exit_code);
  // Ends the process at once; on Windows its exit code is then 1.
  bool Terminate();

 private:
  friend bool StartProcess(const std::u16string&,
                           const ProcessLaunchOptions&,
                           Process*);
  static constexpr intptr_t kInvalidHandle = -1;
  explicit Process(intptr_t handle) : handle_(handle) {}
  void Close();

  // The system's process handle on Windows; the process id on Linux.
  intptr_t handle_ = kInvalidHandle;
};

// Starts the program that |command_line| names, split with the Windows
// argument rules, with the caller's environment and current directory. Does
// not wait for it unless |options| say so. When |process| is given it
// receives the new process. False when the program could not be started,
// or (with errno ENOTSUP on Linux) when |options| ask for something the
// system cannot do.
bool StartProcess(const std::u16string& command_line,
                  const ProcessLaunchOptions& options,
                  Process* process);

// The command line that starts |program| with |arguments|: the path in
// double quotes, a space, then the arguments as they are.
std::u16string BuildLaunchCommandLine(const FilePath& program,
                                      const std::u16string& arguments);

// Sleeps |round|, then, as long as a process named |executable_name| runs,
// calls |still_running| and sleeps another |round|. Returns only when none
// runs; there is no limit on the rounds.
void WaitForProcessesToExit(const std::u16string& executable_name,
                            TimeDelta round,
                            const std::function<void()>& still_running);

}  // namespace base

#endif  // BASE_PROCESS_UTIL_H_
