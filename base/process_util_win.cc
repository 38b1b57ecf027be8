// Process utilities over the toolhelp snapshot and CreateProcessW.
#include "base/process_util.h"

#include <windows.h>
#include <tlhelp32.h>
#include <userenv.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "base/win/scoped_handle.h"
#include "base/win/wide_text.h"

namespace base {

namespace {

// How long a process refused by its job may take to end.
constexpr DWORD kTerminationWaitMs = 60000;
// The exit code of a process this program ends (Terminate, a refused job).
constexpr UINT kTerminatedExitCode = 1;

// The waits take 32-bit milliseconds with one value meaning "forever";
// longer waits go in pieces.
constexpr int64_t kLongestWaitMs = INFINITE - 1;

char16_t LowerASCII(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// Executable names compare as the C runtime's _wcsicmp does in its default
// locale: ASCII letters without regard to case, everything else exactly.
bool EqualsIgnoringASCIICase(const std::u16string& a, const char16_t* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (LowerASCII(a[i]) != LowerASCII(b[i]))
      return false;
  }
  return i == a.size() && !b[i];
}

// Whether the process |pid| has ended, though something still holds it
// open. A process that cannot be opened (another user's) is taken to run.
bool HasEnded(DWORD pid) {
  win::ScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
  return process.is_valid() &&
         WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
}

// Owns an environment block made by CreateEnvironmentBlock.
class ScopedEnvironmentBlock {
 public:
  ScopedEnvironmentBlock() = default;
  ScopedEnvironmentBlock(const ScopedEnvironmentBlock&) = delete;
  ScopedEnvironmentBlock& operator=(const ScopedEnvironmentBlock&) = delete;
  ~ScopedEnvironmentBlock() {
    if (block_)
      DestroyEnvironmentBlock(block_);
  }

  // The block of the user of |token|, without this process's variables.
  bool CreateFor(HANDLE token) {
    return CreateEnvironmentBlock(&block_, token, FALSE) != 0;
  }
  void* get() const { return block_; }

 private:
  void* block_ = nullptr;
};

HANDLE Handle(intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

int CountProcessesByName(const std::u16string& executable_name,
                         const ProcessFilter* filter) {
  win::ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.is_valid())
    return 0;

  int count = 0;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    const char16_t* exe_file = AsChar16(entry.szExeFile);
    bool counts = EqualsIgnoringASCIICase(executable_name, exe_file) &&
                  !HasEnded(entry.th32ProcessID);
    if (counts && filter) {
      ProcessEntry process;
      process.pid = entry.th32ProcessID;
      process.exe_file = exe_file;
      counts = filter->Includes(process);
    }
    if (counts)
      ++count;
    entry = {};
    entry.dwSize = sizeof(entry);
  }
  return count;
}

bool IsProcessRunning(ProcessId pid) {
  if (pid == 0)
    return false;
  win::ScopedHandle process(
      OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
  // A process that exists but may not be opened (another user's) runs.
  if (!process.is_valid())
    return GetLastError() == ERROR_ACCESS_DENIED;
  return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

ProcessId Process::pid() const {
  return IsValid() ? GetProcessId(Handle(handle_)) : kInvalidHandle;
}

bool Process::WaitForExitWithTimeout(TimeDelta timeout, int* exit_code) {
  if (!IsValid())
    return false;
  int64_t remaining_ms =
      std::max<int64_t>(timeout.InMillisecondsRoundedUp(), 0);
  for (;;) {
    const DWORD wait_ms =
        static_cast<DWORD>(std::min(remaining_ms, kLongestWaitMs));
    const DWORD result = WaitForSingleObject(Handle(handle_), wait_ms);
    if (result == WAIT_OBJECT_0)
      break;
    if (result != WAIT_TIMEOUT)
      return false;
    remaining_ms -= wait_ms;
    if (remaining_ms <= 0)
      return false;
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(Handle(handle_), &code))
    return false;
  *exit_code = static_cast<int>(code);
  // As on Linux, where the wait reaps it, an ended process is let go.
  Close();
  return true;
}

bool Process::Terminate() {
  return IsValid() &&
         TerminateProcess(Handle(handle_), kTerminatedExitCode) != 0;
}

void Process::Close() {
  if (!IsValid())
    return;
  CloseHandle(Handle(std::exchange(handle_, kInvalidHandle)));
}

bool StartProcess(const std::u16string& command_line,
                  const ProcessLaunchOptions& options,
                  Process* process) {
  STARTUPINFOW startup_info = {};
  startup_info.cb = sizeof(startup_info);
  wchar_t empty_desktop[] = L"";
  if (options.empty_desktop)
    startup_info.lpDesktop = empty_desktop;
  startup_info.dwFlags = STARTF_USESHOWWINDOW;
  startup_info.wShowWindow = options.hide_window ? SW_HIDE : SW_SHOW;

  DWORD flags = 0;
  if (options.job_object)
    flags |= CREATE_SUSPENDED | CREATE_BREAKAWAY_FROM_JOB;
  if (options.break_away_from_job)
    flags |= CREATE_BREAKAWAY_FROM_JOB;

  // CreateProcessW may write into the command line it is given.
  std::u16string writable_command_line = command_line;
  PROCESS_INFORMATION info = {};
  if (options.user_token) {
    ScopedEnvironmentBlock environment;
    if (!environment.CreateFor(options.user_token))
      return false;
    if (!CreateProcessAsUserW(
            options.user_token, nullptr, AsWCHAR(&writable_command_line[0]),
            nullptr, nullptr, options.handles_inherited,
            flags | CREATE_UNICODE_ENVIRONMENT, environment.get(), nullptr,
            &startup_info, &info)) {
      return false;
    }
  } else if (!CreateProcessW(nullptr, AsWCHAR(&writable_command_line[0]),
                             nullptr, nullptr, options.handles_inherited, flags,
                             nullptr, nullptr, &startup_info, &info)) {
    return false;
  }
  win::ScopedHandle process_handle(info.hProcess);
  win::ScopedHandle thread_handle(info.hThread);

  if (options.job_object) {
    // The process was created suspended, so it has not run yet; one that
    // cannot join the job, or cannot then be let go, never does.
    if (!AssignProcessToJobObject(options.job_object, process_handle.get()) ||
        ResumeThread(thread_handle.get()) == static_cast<DWORD>(-1)) {
      if (TerminateProcess(process_handle.get(), kTerminatedExitCode))
        WaitForSingleObject(process_handle.get(), kTerminationWaitMs);
      return false;
    }
  }

  if (options.wait_for_exit)
    WaitForSingleObject(process_handle.get(), INFINITE);
  if (process)
    *process = Process(reinterpret_cast<intptr_t>(process_handle.Take()));
  return true;
}

}  // namespace base
