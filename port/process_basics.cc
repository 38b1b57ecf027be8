// Process basics of the Windows API: the command line, the last error code
// and the toolkit start-up calls, which have nothing to prepare here.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <errno.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/utf_string_conversions.h"
#include "port/process_arguments.h"

namespace port {

namespace {

std::u16string g_full_command_line;
std::u16string g_command_line_tail;

}  // namespace

void SetProcessArguments(int argc, char** argv) {
  std::vector<std::u16string> args;
  for (int i = 0; i < argc; ++i)
    args.push_back(base::UTF8ToUTF16(argv[i]));
  g_full_command_line = base::JoinCommandLineArgs(args);
  if (!args.empty())
    args.erase(args.begin());
  g_command_line_tail = base::JoinCommandLineArgs(args);
}

const std::u16string& CommandLineTail() {
  return g_command_line_tail;
}

}  // namespace port

LPWSTR GetCommandLineW() {
  return &port::g_full_command_line[0];
}

DWORD GetLastError() {
  return static_cast<DWORD>(errno);
}

void SetLastError(DWORD error) {
  errno = static_cast<int>(error);
}

HRESULT CoInitialize(LPVOID) {
  return S_OK;
}

void CoUninitialize() {}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX*) {
  return TRUE;
}

DWORD GetCurrentThreadId() {
  return static_cast<DWORD>(gettid());
}
