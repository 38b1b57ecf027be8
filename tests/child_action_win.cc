#include "tests/child_action.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>

#include "base/utf_string_conversions.h"
#include "base/win/wide_text.h"

namespace test {

namespace {

constexpr wchar_t kChildActionPrefix[] = L"--child-action=";
constexpr int kUnknownChildAction = 99;

struct LocalMemoryFreer {
  void operator()(LPWSTR* block) const { LocalFree(block); }
};

// This process's arguments as the system splits them.
std::vector<std::wstring> OwnArguments() {
  int count = 0;
  std::unique_ptr<LPWSTR, LocalMemoryFreer> argv(
      CommandLineToArgvW(GetCommandLineW(), &count));
  std::vector<std::wstring> args;
  for (int i = 0; argv && i < count; ++i)
    args.emplace_back(argv.get()[i]);
  return args;
}

// Where "--child-action=" stands among |args|, or 0.
size_t ChildActionIndex(const std::vector<std::wstring>& args) {
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i].rfind(kChildActionPrefix, 0) == 0)
      return i;
  }
  return 0;
}

std::string Utf8(const std::wstring& text) {
  return base::UTF16ToUTF8(AsChar16(text.c_str()));
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
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(std::wstring(path, length));
}

int64_t ThisProcessId() {
  return GetCurrentProcessId();
}

std::string ChildAction() {
  const std::vector<std::wstring> args = OwnArguments();
  const size_t index = ChildActionIndex(args);
  if (index == 0)
    return std::string();
  return Utf8(args[index].substr(std::wstring(kChildActionPrefix).size()));
}

std::vector<std::string> ChildArguments() {
  const std::vector<std::wstring> args = OwnArguments();
  std::vector<std::string> rest;
  const size_t index = ChildActionIndex(args);
  for (size_t i = index + 1; index != 0 && i < args.size(); ++i)
    rest.push_back(Utf8(args[i]));
  return rest;
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
  std::vector<std::wstring> wide_args;
  for (const std::string& arg : args)
    wide_args.push_back(AsWCHAR(base::UTF8ToUTF16(arg).c_str()));
  return process_.Start(ChildCommandLine(program, action, wide_args),
                        error_output, directory);
}

bool ChildActionProcess::Wait(std::chrono::milliseconds timeout,
                              int* exit_code) {
  return process_.Wait(timeout, exit_code);
}

ScopedStderrToFile::ScopedStderrToFile(const std::filesystem::path& path)
    : saved_(reinterpret_cast<intptr_t>(GetStdHandle(STD_ERROR_HANDLE))) {
  const HANDLE file = CreateFileW(
      path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, file);
  SetStdHandle(STD_ERROR_HANDLE, file);
}

ScopedStderrToFile::~ScopedStderrToFile() {
  CloseHandle(GetStdHandle(STD_ERROR_HANDLE));
  SetStdHandle(STD_ERROR_HANDLE, reinterpret_cast<HANDLE>(saved_));
}

}  // namespace test
