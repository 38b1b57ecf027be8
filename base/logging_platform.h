// The system-dependent half of logging: the log file, standard error, the
// thread's last error code and the end of the process. Internal to
// logging.cc and its platform files; every function may be called from any
// thread.
#ifndef BASE_LOGGING_PLATFORM_H_
#define BASE_LOGGING_PLATFORM_H_

#include <ctime>
#include <string>

namespace logging {
namespace internal {

int GetLastSystemError();
void SetLastSystemError(int error);

// The current calendar time in the local time zone, for the line prefix.
// False when the system cannot convert it.
bool ReadLocalTime(std::tm* local);

// Appends |text| to the log file in one write, holding the lock that all
// processes writing the same file share. Opens the file first if needed: the
// file set for tests, or "debug.log" beside the executable, never through a
// link and never anywhere else. A line that finds no file is dropped; the
// next one tries again.
void WriteToLogFile(const std::string& text);
// Opens the log file unless it is open.
void OpenLogFile();
// |path| empty means the default file.
void SetLogFileName(const std::string& path);

void WriteToStderr(const std::string& text);

bool BeingDebugged();
// Stops in the debugger if one is attached, then ends the process with
// status 1 without running at-exit callbacks.
[[noreturn]] void EndProcessAfterFatal();

}  // namespace internal
}  // namespace logging

#endif  // BASE_LOGGING_PLATFORM_H_
