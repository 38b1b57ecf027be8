#include "tests/child_action.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include <gtest/gtest.h>

#include "base/utf_string_conversions.h"
#include "base/win/wide_text.h"

namespace test {

namespace {

struct LocalMemoryFreer {
  void operator()(LPWSTR* block) const { LocalFree(block); }
};

}  // namespace

std::filesystem::path ThisProgram() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(std::wstring(path, length));
}

int64_t ThisProcessId() {
  return GetCurrentProcessId();
}

std::vector<std::string> ThisProcessArguments() {
  int count = 0;
  std::unique_ptr<LPWSTR, LocalMemoryFreer> argv(
      CommandLineToArgvW(GetCommandLineW(), &count));
  std::vector<std::string> args;
  for (int i = 0; argv && i < count; ++i)
    args.push_back(base::UTF16ToUTF8(AsChar16(argv.get()[i])));
  return args;
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
