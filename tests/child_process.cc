#include "tests/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>

#include "tests/test_files.h"

namespace test {

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

bool ChildProcess::Start(const std::string& program,
                         const std::vector<std::string>& args,
                         const std::string& directory,
                         const std::string& stderr_path,
                         const std::vector<std::string>& environment,
                         const std::string& stdout_path) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = fork();
  if (pid < 0)
    return false;
  if (pid == 0) {
    if (!directory.empty() && chdir(directory.c_str()) != 0)
      _exit(126);
    for (auto [path, target] :
         {std::pair(&stderr_path, 2), std::pair(&stdout_path, 1)}) {
      if (path->empty())
        continue;
      int fd = open(path->c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd >= 0) {
        dup2(fd, target);
        close(fd);
      }
    }
    for (const std::string& setting : environment)
      putenv(const_cast<char*>(setting.c_str()));
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  pid_ = pid;
  return true;
}

void ChildProcess::Signal(int number) {
  if (pid_ > 0)
    kill(pid_, number);
}

bool ChildProcess::Wait(std::chrono::milliseconds timeout, int* exit_code) {
  if (pid_ <= 0)
    return false;
  // A process descriptor becomes readable when the child ends, so the wait
  // takes no longer than the child.
  int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    rusage usage{};
    pid_t done = wait4(pid_, &status, WNOHANG, &usage);
    if (done == pid_) {
      pid_ = -1;
      peak_resident_kib_ = usage.ru_maxrss;
      if (pidfd >= 0)
        close(pidfd);
      *exit_code =
          WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return true;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
      break;
    if (pidfd >= 0) {
      pollfd ended = {pidfd, POLLIN, 0};
      poll(&ended, 1,
           static_cast<int>(std::min<int64_t>(left.count() + 1, INT32_MAX)));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  if (pidfd >= 0)
    close(pidfd);
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
  return false;
}

namespace {

// True while |pid| exists and has not ended (a zombie has ended).
bool ProcessAlive(pid_t pid) {
  std::string stat = ReadFileOrEmpty("/proc/" + std::to_string(pid) + "/stat");
  size_t paren = stat.rfind(')');
  return paren != std::string::npos && paren + 2 < stat.size() &&
         stat[paren + 2] != 'Z';
}

}  // namespace

int KillProcessesRunning(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  std::string wanted = fs::weakly_canonical(path, error).string();
  std::vector<pid_t> victims;
  for (const fs::directory_entry& entry :
       fs::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos)
      continue;
    std::error_code ignored;
    if (fs::read_symlink(entry.path() / "exe", ignored).string() == wanted)
      victims.push_back(static_cast<pid_t>(std::stoi(name)));
  }
  for (pid_t pid : victims)
    kill(pid, SIGKILL);
  // Not our children: wait until /proc no longer lists them.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (pid_t pid : victims) {
    while (ProcessAlive(pid) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return static_cast<int>(victims.size());
}

namespace {

// The first |length| characters that |tool| prints for |path|.
std::string DigestFromTool(const std::string& tool,
                           const std::string& path,
                           size_t length) {
  FILE* pipe = popen((tool + " '" + path + "'").c_str(), "r");
  if (!pipe)
    return std::string();
  std::string digest(length, '\0');
  size_t got = fread(&digest[0], 1, length, pipe);
  pclose(pipe);
  digest.resize(got);
  return digest;
}

}  // namespace

std::string Md5sum(const std::string& path) {
  return DigestFromTool("md5sum", path, 32);
}

std::string Sha256sum(const std::string& path) {
  return DigestFromTool("sha256sum", path, 64);
}

}  // namespace test
