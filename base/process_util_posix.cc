// Process utilities over /proc and posix_spawn.
#include "base/process_util.h"

#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/command_line.h"
#include "base/utf_string_conversions.h"

extern char** environ;

namespace base {

namespace {

// The kernel keeps this many bytes of a process name, terminator included.
constexpr size_t kKernelNameLength = 16;

bool EqualsIgnoringASCIICase(const std::string& a, const std::string& b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) {
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (lower(a[i]) != lower(b[i]))
      return false;
  }
  return true;
}

std::string ReadSmallFile(const std::string& path) {
  std::string content;
  FILE* file = fopen(path.c_str(), "re");
  if (!file)
    return content;
  char buffer[512];
  size_t read;
  while ((read = fread(buffer, 1, sizeof(buffer), file)) > 0)
    content.append(buffer, read);
  fclose(file);
  return content;
}

// Whether the process behind |proc_dir| has ended and waits to be reaped
// (or is gone already).
bool HasEnded(const std::string& proc_dir) {
  std::string stat = ReadSmallFile(proc_dir + "/stat");
  // The state follows the name, which is in parentheses and may hold any
  // character, so look after its last closing parenthesis.
  size_t close = stat.rfind(')');
  if (close == std::string::npos || close + 2 >= stat.size())
    return true;
  char state = stat[close + 2];
  return state == 'Z' || state == 'X';
}

std::string KernelName(const std::string& proc_dir) {
  std::string name = ReadSmallFile(proc_dir + "/comm");
  if (!name.empty() && name.back() == '\n')
    name.pop_back();
  return name;
}

// The file name of the executable, or "" when it cannot be read.
std::string ExecutableFileName(const std::string& proc_dir) {
  char target[4096];
  ssize_t length =
      readlink((proc_dir + "/exe").c_str(), target, sizeof(target) - 1);
  if (length <= 0)
    return std::string();
  std::string path(target, static_cast<size_t>(length));
  const std::string kDeleted = " (deleted)";
  if (path.size() > kDeleted.size() &&
      path.compare(path.size() - kDeleted.size(), kDeleted.size(), kDeleted) ==
          0) {
    path.resize(path.size() - kDeleted.size());
  }
  return path.substr(path.rfind('/') + 1);
}

int ExitCodeFromStatus(int status) {
  if (WIFEXITED(status))
    return WEXITSTATUS(status);
  return 128 + WTERMSIG(status);
}

bool HasLinuxMeaning(const ProcessLaunchOptions& options) {
  return options.user_token == nullptr && !options.empty_desktop &&
         options.job_object == nullptr && !options.break_away_from_job;
}

class SpawnFileActions {
 public:
  SpawnFileActions() { valid_ = posix_spawn_file_actions_init(&actions_) == 0; }
  ~SpawnFileActions() {
    if (valid_)
      posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnFileActions(const SpawnFileActions&) = delete;
  SpawnFileActions& operator=(const SpawnFileActions&) = delete;

  bool valid() const { return valid_; }
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
  bool valid_;
};

}  // namespace

int CountProcessesByName(const std::u16string& executable_name,
                         const ProcessFilter* filter) {
  DIR* proc = opendir("/proc");
  if (!proc)
    return 0;
  const std::string wanted = UTF16ToUTF8(executable_name);
  const std::string wanted_kernel_name =
      wanted.substr(0, kKernelNameLength - 1);

  int count = 0;
  while (struct dirent* entry = readdir(proc)) {
    const std::string pid_text = entry->d_name;
    if (pid_text.find_first_not_of("0123456789") != std::string::npos)
      continue;
    const std::string proc_dir = "/proc/" + pid_text;
    std::string exe_name = ExecutableFileName(proc_dir);
    std::string kernel_name = KernelName(proc_dir);
    bool matches =
        (!exe_name.empty() && EqualsIgnoringASCIICase(exe_name, wanted)) ||
        EqualsIgnoringASCIICase(kernel_name, wanted_kernel_name);
    if (!matches || HasEnded(proc_dir))
      continue;
    if (filter) {
      ProcessEntry process;
      process.pid = std::stoll(pid_text);
      process.exe_file = UTF8ToUTF16(exe_name.empty() ? kernel_name : exe_name);
      if (!filter->Includes(process))
        continue;
    }
    ++count;
  }
  closedir(proc);
  return count;
}

bool IsProcessRunning(ProcessId pid) {
  return pid > 0 && !HasEnded("/proc/" + std::to_string(pid));
}

ProcessId Process::pid() const {
  return handle_;
}

bool Process::WaitForExitWithTimeout(TimeDelta timeout, int* exit_code) {
  if (!IsValid())
    return false;
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::microseconds(timeout.InMicroseconds());
  for (;;) {
    int status;
    pid_t result = waitpid(static_cast<pid_t>(handle_), &status, WNOHANG);
    if (result == static_cast<pid_t>(handle_)) {
      *exit_code = ExitCodeFromStatus(status);
      handle_ = kInvalidHandle;
      return true;
    }
    if (result < 0 && errno != EINTR)
      return false;
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool Process::Terminate() {
  return IsValid() && kill(static_cast<pid_t>(handle_), SIGKILL) == 0;
}

void Process::Close() {
  if (!IsValid())
    return;
  int status;
  waitpid(static_cast<pid_t>(std::exchange(handle_, kInvalidHandle)), &status,
          WNOHANG);
}

bool StartProcess(const std::u16string& command_line,
                  const ProcessLaunchOptions& options,
                  Process* process) {
  if (!HasLinuxMeaning(options)) {
    errno = ENOTSUP;
    return false;
  }
  std::vector<std::u16string> arguments = SplitCommandLineText(command_line);
  if (arguments.empty()) {
    errno = ENOENT;
    return false;
  }
  std::vector<std::string> utf8_arguments;
  for (const std::u16string& argument : arguments)
    utf8_arguments.push_back(UTF16ToUTF8(argument));
  std::vector<char*> argv;
  for (std::string& argument : utf8_arguments)
    argv.push_back(argument.data());
  argv.push_back(nullptr);

  SpawnFileActions actions;
  if (!actions.valid())
    return false;
  if (!options.handles_inherited &&
      posix_spawn_file_actions_addclosefrom_np(actions.get(), 3) != 0) {
    return false;
  }

  pid_t pid;
  // posix_spawnp reports a program that cannot be run as an error of its
  // own, as CreateProcess would, and searches PATH for a bare name.
  int error =
      posix_spawnp(&pid, argv[0], actions.get(), nullptr, argv.data(), environ);
  if (error != 0) {
    errno = error;
    return false;
  }

  Process started(pid);
  if (options.wait_for_exit) {
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    started.handle_ = Process::kInvalidHandle;
  }
  if (process)
    *process = std::move(started);
  return true;
}

}  // namespace base
