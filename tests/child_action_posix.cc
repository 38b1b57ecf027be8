#include "tests/child_action.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/test_files.h"

namespace test {

namespace {

constexpr char kChildActionPrefix[] = "--child-action=";
constexpr int kUnknownChildAction = 99;

// This process's arguments, read from the system: a static initializer
// runs before main() has them.
std::vector<std::string> OwnArguments() {
  const std::string text = ReadFileOrEmpty("/proc/self/cmdline");
  std::vector<std::string> args;
  size_t begin = 0;
  for (size_t end; (end = text.find('\0', begin)) != std::string::npos;
       begin = end + 1)
    args.push_back(text.substr(begin, end - begin));
  return args;
}

// Where "--child-action=" stands among |args|, or 0.
size_t ChildActionIndex(const std::vector<std::string>& args) {
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i].rfind(kChildActionPrefix, 0) == 0)
      return i;
  }
  return 0;
}

// A child whose action no file ran must not go on to run the tests.
class ChildActionEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    if (!ChildAction().empty()) {
      fprintf(stderr, "no test file runs the child action \"%s\"\n",
              ChildAction().c_str());
      EndChild(kUnknownChildAction);
    }
  }
};

[[maybe_unused]] testing::Environment* const g_environment =
    testing::AddGlobalTestEnvironment(new ChildActionEnvironment);

}  // namespace

std::filesystem::path ThisProgram() {
  return std::filesystem::read_symlink("/proc/self/exe");
}

int64_t ThisProcessId() {
  return getpid();
}

std::string ChildAction() {
  const std::vector<std::string> args = OwnArguments();
  const size_t index = ChildActionIndex(args);
  return index == 0 ? std::string()
                    : args[index].substr(sizeof(kChildActionPrefix) - 1);
}

std::vector<std::string> ChildArguments() {
  const std::vector<std::string> args = OwnArguments();
  const size_t index = ChildActionIndex(args);
  if (index == 0)
    return {};
  return std::vector<std::string>(args.begin() + index + 1, args.end());
}

void EndChild(int exit_code) {
  fflush(nullptr);
  _exit(exit_code);
}

bool ChildActionProcess::Start(const std::filesystem::path& program,
                               const std::string& action,
                               const std::vector<std::string>& args,
                               const std::filesystem::path& directory,
                               const std::filesystem::path& error_output) {
  std::vector<std::string> all = {kChildActionPrefix + action};
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
