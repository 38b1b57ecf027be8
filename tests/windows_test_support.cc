#include "tests/windows_test_support.h"

#include <gtest/gtest.h>

#include "base/command_line.h"
#include "base/utf_string_conversions.h"
#include "base/win/wide_text.h"

namespace test {

namespace {

// Runs before any test: the tests need the GBK code page.
class WindowsTestEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    ASSERT_EQ(936u, GetACP())
        << "The ANSI code page must be 936 (GBK). Under Wine, run the tests "
           "with LC_ALL=zh_CN.UTF-8 and that locale generated (see "
           "tools/wine_env.sh).";
  }
};

[[maybe_unused]] testing::Environment* const g_environment =
    testing::AddGlobalTestEnvironment(new WindowsTestEnvironment);

}  // namespace

bool RunningUnderWine() {
  // Wine's ntdll exports its version; Windows' has no such function.
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::wstring ChildCommandLine(const std::filesystem::path& program,
                              const std::string& action,
                              const std::vector<std::wstring>& args) {
  const std::wstring program_text = program.wstring();
  std::vector<std::u16string> all = {
      AsChar16(program_text.c_str()),
      u"--child-action=" + base::ASCIIToUTF16(action)};
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
                      directory.empty() ? nullptr : directory.c_str(), &startup,
                      &info)) {
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
  if (WaitForSingleObject(process_.get(),
                          static_cast<DWORD>(timeout.count())) !=
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

}  // namespace test
