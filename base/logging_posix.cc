#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>

#include "base/logging_platform.h"

namespace logging {
namespace internal {

namespace {

constexpr char kLogFileName[] = "debug.log";

// Serialises this process's threads around the file; the advisory lock on
// the file itself serialises the processes that share it. A plain mutex is
// constant-initialised, so the one-time set-up of the file needs no further
// guard and works even for lines logged during static initialisation.
std::mutex g_file_lock;
int g_file = -1;                     // Guarded by g_file_lock.
std::string* g_file_name = nullptr;  // Guarded by g_file_lock; leaked.

// The directory part of /proc/self/exe, with its trailing slash, followed
// by "debug.log"; empty when the executable's directory is unknown, since
// the log belongs nowhere else.
std::string DefaultLogFileName() {
  char exe[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
  if (length <= 0)
    return std::string();
  std::string path(exe, static_cast<size_t>(length));
  return path.substr(0, path.rfind('/') + 1) + kLogFileName;
}

// The executable may be renamed while it runs (an update that replaces the
// updater itself moves it aside), so its directory is taken as the process
// starts, not when the first line is written.
const bool g_log_file_named_at_start = [] {
  std::lock_guard<std::mutex> hold(g_file_lock);
  if (!g_file_name)
    g_file_name = new std::string(DefaultLogFileName());
  return true;
}();

// A link at the log's name is not followed, so that lines never land
// outside the installation; anything but a plain file (a pipe would hold
// the writer) is refused too.
int OpenForAppend(const std::string& path) {
  const int fd =
      open(path.c_str(),
           O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK,
           0644);
  struct stat info;
  if (fd >= 0 && (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
    close(fd);
    return -1;
  }
  return fd;
}

// Requires g_file_lock.
bool EnsureFileOpen() {
  if (g_file >= 0)
    return true;
  if (!g_file_name)
    g_file_name = new std::string(DefaultLogFileName());
  if (!g_file_name->empty())
    g_file = OpenForAppend(*g_file_name);
  return g_file >= 0;
}

void WriteAll(int fd, const std::string& text) {
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t result =
        write(fd, text.data() + written, text.size() - written);
    if (result < 0 && errno == EINTR)
      continue;
    if (result <= 0)
      return;
    written += static_cast<size_t>(result);
  }
}

}  // namespace

int GetLastSystemError() {
  return errno;
}

void SetLastSystemError(int error) {
  errno = error;
}

bool ReadLocalTime(std::tm* local) {
  const time_t now = time(nullptr);
  return localtime_r(&now, local) != nullptr;
}

void WriteToLogFile(const std::string& text) {
  std::lock_guard<std::mutex> hold(g_file_lock);
  if (!EnsureFileOpen())
    return;
  // Without the file lock the line is still written whole: it goes out in
  // one append, which the lock only makes certain across processes.
  const bool locked = flock(g_file, LOCK_EX) == 0;
  WriteAll(g_file, text);
  if (locked)
    flock(g_file, LOCK_UN);
}

void OpenLogFile() {
  std::lock_guard<std::mutex> hold(g_file_lock);
  EnsureFileOpen();
}

void SetLogFileName(const std::string& path) {
  std::lock_guard<std::mutex> hold(g_file_lock);
  if (g_file >= 0)
    close(g_file);
  g_file = -1;
  delete g_file_name;
  g_file_name = path.empty() ? nullptr : new std::string(path);
}

void WriteToStderr(const std::string& text) {
  WriteAll(STDERR_FILENO, text);
}

bool BeingDebugged() {
  FILE* status = fopen("/proc/self/status", "re");
  if (!status)
    return false;
  char line[256];
  bool traced = false;
  while (fgets(line, sizeof(line), status)) {
    if (strncmp(line, "TracerPid:", 10) == 0) {
      traced = atoi(line + 10) != 0;
      break;
    }
  }
  fclose(status);
  return traced;
}

void EndProcessAfterFatal() {
  // An attached debugger stops at the trap. Without one there is no crash
  // handler to hand a dump to, so the process ends with status 1 at once.
  if (BeingDebugged())
    raise(SIGTRAP);
  _exit(1);
}

}  // namespace internal
}  // namespace logging
