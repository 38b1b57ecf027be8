#include "tests/windows_test_support.h"

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include <gtest/gtest.h>

#include "base/command_line.h"
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

// Where "--child-action=" stands among this process's arguments, or 0.
size_t ChildActionIndex(const std::vector<std::wstring>& args) {
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i].rfind(kChildActionPrefix, 0) == 0)
      return i;
  }
  return 0;
}

// Runs before any test: a child whose action no file ran must not go on to
// run the tests, and the tests need the GBK code page.
class WindowsTestEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    if (!ChildAction().empty()) {
      fprintf(stderr, "no test file runs the child action \"%s\"\n",
              ChildAction().c_str());
      EndChild(kUnknownChildAction);
    }
    ASSERT_EQ(936u, GetACP())
        << "The ANSI code page must be 936 (GBK). Under Wine, run the tests "
           "with LC_ALL=zh_CN.UTF-8 and that locale generated (see "
           "tools/wine_env.sh).";
  }
};

[[maybe_unused]] testing::Environment* const g_environment =
    testing::AddGlobalTestEnvironment(new WindowsTestEnvironment);

}  // namespace

std::filesystem::path ThisProgram() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(std::wstring(path, length));
}

bool RunningUnderWine() {
  // Wine's ntdll exports its version; Windows' has no such function.
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::string ChildAction() {
  const std::vector<std::wstring> args = OwnArguments();
  const size_t index = ChildActionIndex(args);
  if (index == 0)
    return std::string();
  const std::wstring name =
      args[index].substr(std::wstring(kChildActionPrefix).size());
  return std::string(name.begin(), name.end());
}

std::vector<std::wstring> ChildArguments() {
  std::vector<std::wstring> args = OwnArguments();
  const size_t index = ChildActionIndex(args);
  if (index == 0)
    return {};
  return std::vector<std::wstring>(args.begin() + index + 1, args.end());
}

void EndChild(int exit_code) {
  fflush(nullptr);
  _exit(exit_code);
}

std::wstring ChildCommandLine(const std::filesystem::path& program,
                              const std::string& action,
                              const std::vector<std::wstring>& args) {
  const std::wstring program_text = program.wstring();
  std::vector<std::u16string> all = {
      AsChar16(program_text.c_str()),
      AsChar16(kChildActionPrefix) + base::ASCIIToUTF16(action)};
  for (const std::wstring& arg : args)
    all.emplace_back(AsChar16(arg.c_str()));
  const std::u16string joined = base::JoinCommandLineArgs(all);
  return std::wstring(AsWCHAR(joined.c_str()));
}

ChildProcess::~ChildProcess() {
  if (process_.is_valid()) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 10000);
  }
}

bool ChildProcess::Start(const std::wstring& command_line,
                         const std::filesystem::path& output_path,
                         const std::filesystem::path& directory) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  base::win::ScopedHandle output;
  if (!output_path.empty()) {
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    output.Set(CreateFileW(output_path.c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!output.is_valid())
      return false;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output.get();
    startup.hStdError = output.get();
  }
  std::wstring writable = command_line;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, &writable[0], nullptr, nullptr,
                      output.is_valid(), 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(),
                      &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  process_.Set(info.hProcess);
  pid_ = info.dwProcessId;
  return true;
}

bool ChildProcess::Wait(std::chrono::milliseconds timeout, int* exit_code) {
  if (!process_.is_valid())
    return false;
  if (WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) !=
      WAIT_OBJECT_0) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 10000);
    process_.Close();
    return false;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  *exit_code = static_cast<int>(code);
  process_.Close();
  return true;
}

std::string ReadFileOrEmpty(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

ScopedEnvironmentVariable::ScopedEnvironmentVariable(const wchar_t* name,
                                                     const wchar_t* value)
    : name_(name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  had_value_ = size > 0;
  if (had_value_) {
    old_value_.resize(size);
    const DWORD length = GetEnvironmentVariableW(name, &old_value_[0], size);
    old_value_.resize(length);
  }
  SetEnvironmentVariableW(name, value);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
  SetEnvironmentVariableW(name_.c_str(),
                          had_value_ ? old_value_.c_str() : nullptr);
}

ScopedStderrToFile::ScopedStderrToFile(const std::filesystem::path& path)
    : saved_(GetStdHandle(STD_ERROR_HANDLE)),
      file_(CreateFileW(path.c_str(), GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {
  EXPECT_TRUE(file_.is_valid());
  SetStdHandle(STD_ERROR_HANDLE, file_.get());
}

ScopedStderrToFile::~ScopedStderrToFile() {
  SetStdHandle(STD_ERROR_HANDLE, saved_);
}

}  // namespace test
