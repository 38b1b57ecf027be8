#include <windows.h>

#include <ctime>
#include <mutex>
#include <string>

#include "base/logging_platform.h"
#include "base/utf_string_conversions.h"
#include "base/win/wide_text.h"

namespace logging {
namespace internal {

namespace {

constexpr wchar_t kLogFileName[] = L"debug.log";

// Serialises this process's threads around the file's state; the named
// mutex serialises every thread of every process writing the same file. A
// plain mutex is constant-initialised, so the one-time set-up needs no
// further guard and works even for lines logged during static
// initialisation.
std::mutex g_file_lock;
HANDLE g_file = INVALID_HANDLE_VALUE;  // Guarded by g_file_lock.
HANDLE g_file_mutex = nullptr;         // Guarded by g_file_lock.
std::wstring* g_file_name = nullptr;   // Guarded by g_file_lock; leaked.

// The directory of the executable, with its trailing backslash, followed
// by "debug.log"; empty when the executable's directory is unknown, since
// the log belongs nowhere else.
std::wstring DefaultLogFileName() {
  wchar_t exe[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH);
  // A result that fills the buffer has been cut short.
  if (length == 0 || length >= MAX_PATH)
    return std::wstring();
  std::wstring path(exe, length);
  return path.substr(0, path.rfind(L'\\') + 1) + kLogFileName;
}

// The executable may be renamed while it runs (an update that replaces the
// updater itself moves it aside), so its directory is taken as the process
// starts, not when the first line is written.
const bool g_log_file_named_at_start = [] {
  std::lock_guard<std::mutex> hold(g_file_lock);
  if (!g_file_name)
    g_file_name = new std::wstring(DefaultLogFileName());
  return true;
}();

// The handle stays open until the process ends (or a test points logging
// elsewhere); it is not inherited by started processes. A link or other
// reparse point at the log's name is opened as itself and refused, so that
// lines never land outside the installation; so is anything but a file.
HANDLE OpenForAppend(const std::wstring& path) {
  HANDLE file = CreateFileW(
      path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
      nullptr);
  BY_HANDLE_FILE_INFORMATION info;
  if (file != INVALID_HANDLE_VALUE &&
      (!GetFileInformationByHandle(file, &info) ||
       (info.dwFileAttributes &
        (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
       GetFileType(file) != FILE_TYPE_DISK)) {
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

// Requires g_file_lock.
bool EnsureFileOpen() {
  if (g_file != INVALID_HANDLE_VALUE)
    return true;
  if (!g_file_name)
    g_file_name = new std::wstring(DefaultLogFileName());
  if (!g_file_name->empty())
    g_file = OpenForAppend(*g_file_name);
  return g_file != INVALID_HANDLE_VALUE;
}

// The mutex every writer of the log file takes: its name is the file's
// name with slashes for backslashes (a mutex name cannot hold a
// backslash), in the global namespace so that processes of every session
// meet. A failure leaves it unmade; the next line tries again. Requires
// g_file_lock.
void EnsureFileMutex() {
  if (g_file_mutex)
    return;
  if (!g_file_name)
    g_file_name = new std::wstring(DefaultLogFileName());
  std::wstring name = L"Global\\" + *g_file_name;
  for (size_t i = 7; i < name.size(); ++i) {
    if (name[i] == L'\\')
      name[i] = L'/';
  }
  g_file_mutex = CreateMutexW(nullptr, FALSE, name.c_str());
}

void WriteAll(HANDLE handle, const std::string& text) {
  size_t written = 0;
  while (written < text.size()) {
    DWORD count = 0;
    if (!WriteFile(handle, text.data() + written,
                   static_cast<DWORD>(text.size() - written), &count,
                   nullptr) ||
        count == 0) {
      return;
    }
    written += count;
  }
}

}  // namespace

int GetLastSystemError() {
  return static_cast<int>(GetLastError());
}

void SetLastSystemError(int error) {
  SetLastError(static_cast<DWORD>(error));
}

bool ReadLocalTime(std::tm* local) {
  const time_t now = time(nullptr);
  return localtime_s(local, &now) == 0;
}

void WriteToLogFile(const std::string& text) {
  std::lock_guard<std::mutex> hold(g_file_lock);
  EnsureFileMutex();
  // Without the mutex the line is still written whole by this process; only
  // the interleaving with other processes is left to chance.
  bool locked = false;
  if (g_file_mutex) {
    // An abandoned mutex (its last owner died holding it) is owned now too.
    const DWORD waited = WaitForSingleObject(g_file_mutex, INFINITE);
    locked = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  }
  if (EnsureFileOpen()) {
    LARGE_INTEGER zero = {};
    SetFilePointerEx(g_file, zero, nullptr, FILE_END);
    WriteAll(g_file, text);
  }
  if (locked)
    ReleaseMutex(g_file_mutex);
}

void OpenLogFile() {
  std::lock_guard<std::mutex> hold(g_file_lock);
  EnsureFileOpen();
}

void SetLogFileName(const std::string& path) {
  std::lock_guard<std::mutex> hold(g_file_lock);
  if (g_file != INVALID_HANDLE_VALUE)
    CloseHandle(g_file);
  g_file = INVALID_HANDLE_VALUE;
  // The mutex is named after the file, so another file needs another one.
  if (g_file_mutex)
    CloseHandle(g_file_mutex);
  g_file_mutex = nullptr;
  delete g_file_name;
  const std::u16string wide = base::UTF8ToUTF16(path);
  g_file_name =
      path.empty() ? nullptr : new std::wstring(AsWCHAR(wide.c_str()));
}

void WriteToStderr(const std::string& text) {
  // A program without a console has no standard error; then nothing goes.
  HANDLE stderr_handle = GetStdHandle(STD_ERROR_HANDLE);
  if (stderr_handle && stderr_handle != INVALID_HANDLE_VALUE)
    WriteAll(stderr_handle, text);
}

bool BeingDebugged() {
  return IsDebuggerPresent() != 0;
}

void EndProcessAfterFatal() {
  // An attached debugger stops at the breakpoint. Without one the process
  // ends with status 1 at once, like the Linux build: no crash dialog, and
  // neither at-exit callbacks nor the loader's detach notifications run.
  if (BeingDebugged())
    DebugBreak();
  TerminateProcess(GetCurrentProcess(), 1);
  // TerminateProcess does not return for the calling process.
  __builtin_unreachable();
}

}  // namespace internal
}  // namespace logging
