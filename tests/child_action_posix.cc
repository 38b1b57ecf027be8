#include "tests/child_action.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/test_files.h"

namespace test {

// Read from the system: a static initializer runs before main() has them.
std::vector<std::string> ThisProcessArguments() {
  const std::string text = ReadFileOrEmpty("/proc/self/cmdline");
  std::vector<std::string> args;
  size_t begin = 0;
  for (size_t end; (end = text.find('\0', begin)) != std::string::npos;
       begin = end + 1)
    args.push_back(text.substr(begin, end - begin));
  return args;
}

std::filesystem::path ThisProgram() {
  return std::filesystem::read_symlink("/proc/self/exe");
}

int64_t ThisProcessId() {
  return getpid();
}

bool ChildActionProcess::Start(const std::filesystem::path& program,
                               const std::string& action,
                               const std::vector<std::string>& args,
                               const std::filesystem::path& directory,
                               const std::filesystem::path& error_output) {
  std::vector<std::string> all = {"--child-action=" + action};
  all.insert(all.end(), args.begin(), args.end());
  return process_.Start(program.string(), all, directory.string(),
                        error_output.string());
}

bool ChildActionProcess::Wait(std::chrono::milliseconds timeout,
                              int* exit_code) {
  return process_.Wait(timeout, exit_code);
}

ScopedStderrToFile::ScopedStderrToFile(const std::filesystem::path& path)
    : saved_(dup(STDERR_FILENO)) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  EXPECT_GE(fd, 0);
  dup2(fd, STDERR_FILENO);
  close(fd);
}

ScopedStderrToFile::~ScopedStderrToFile() {
  dup2(static_cast<int>(saved_), STDERR_FILENO);
  close(static_cast<int>(saved_));
}

}  // namespace test
