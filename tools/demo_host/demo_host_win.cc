// Mirovue.exe for Windows, the demonstration host: a real top-level window
// that records its handle, how it was started, and every update message
// (1124 to 1127) posted to it, one line each, in a log file.
//
//   --log=FILE         log file (default: host.log beside the executable)
//   --exit-after-ms=M  close the window after M milliseconds
//   --exit-on=MSG      close the window once message MSG has arrived
//   --exit-delay-ms=D  with --exit-on: close it D milliseconds after that, as
//                      a user who closes the program a moment later would
//
// Lines: "start <arguments>", "window <handle>", "message <msg> <wparam>
// <lparam>", "exit". The window exists before its line is written, so a
// reader that sees the line can post to it.
#include <windows.h>

#include <stdint.h>
#include <stdio.h>

#include <string>

namespace {

constexpr UINT kFirstUpdateMessage = WM_USER + 100;
constexpr UINT kLastUpdateMessage = WM_USER + 103;
constexpr UINT_PTR kExitTimer = 1;

struct Options {
  std::wstring log_path;
  UINT exit_after_ms = 0;
  UINT exit_on = 0;
  UINT exit_delay_ms = 0;
};

HANDLE g_log = INVALID_HANDLE_VALUE;
UINT g_exit_on = 0;
UINT g_exit_delay_ms = 0;

// Appends one UTF-8 line with a single write, so it is on disk whole.
void Record(const std::wstring& text) {
  std::wstring line = text + L"\n";
  int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(),
                                 static_cast<int>(line.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()),
                      &utf8[0], size, nullptr, nullptr);
  DWORD written = 0;
  WriteFile(g_log, utf8.data(), static_cast<DWORD>(utf8.size()), &written,
            nullptr);
}

bool ParseOptions(int argc, wchar_t** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    std::wstring argument = argv[i];
    size_t equals = argument.find(L'=');
    std::wstring name = argument.substr(0, equals);
    std::wstring value =
        equals == std::wstring::npos ? L"" : argument.substr(equals + 1);
    if (name == L"--log") {
      if (value.empty())
        return false;
      options->log_path = value;
    } else if (name == L"--exit-after-ms") {
      options->exit_after_ms = static_cast<UINT>(_wtoi(value.c_str()));
    } else if (name == L"--exit-on") {
      options->exit_on = static_cast<UINT>(_wtoi(value.c_str()));
    } else if (name == L"--exit-delay-ms") {
      options->exit_delay_ms = static_cast<UINT>(_wtoi(value.c_str()));
    }
  }
  return true;
}

std::wstring DefaultLogPath() {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring executable(path, length);
  return executable.substr(0, executable.find_last_of(L"\\/") + 1) +
         L"host.log";
}

LRESULT CALLBACK HostWindowProc(HWND window,
                                UINT message,
                                WPARAM wparam,
                                LPARAM lparam) {
  if (message >= kFirstUpdateMessage && message <= kLastUpdateMessage) {
    Record(L"message " + std::to_wstring(message) + L" " +
           std::to_wstring(wparam) + L" " + std::to_wstring(lparam));
    if (message == g_exit_on && g_exit_delay_ms)
      SetTimer(window, kExitTimer, g_exit_delay_ms, nullptr);
    else if (message == g_exit_on)
      DestroyWindow(window);
    return 0;
  }
  switch (message) {
    case WM_TIMER:
      if (wparam == kExitTimer)
        DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR command_line, int) {
  Options options;
  if (!ParseOptions(__argc, __wargv, &options))
    return 2;
  if (options.log_path.empty())
    options.log_path = DefaultLogPath();
  g_log = CreateFileW(options.log_path.c_str(), FILE_APPEND_DATA,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (g_log == INVALID_HANDLE_VALUE)
    return 1;
  g_exit_on = options.exit_on;
  g_exit_delay_ms = options.exit_delay_ms;

  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = HostWindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = L"MirovueDemoHost";
  RegisterClassExW(&window_class);
  HWND window =
      CreateWindowExW(0, L"MirovueDemoHost", L"Mirovue", WS_OVERLAPPEDWINDOW,
                      40, 40, 360, 200, nullptr, nullptr, instance, nullptr);
  if (!window)
    return 1;
  ShowWindow(window, SW_SHOWNOACTIVATE);
  if (options.exit_after_ms)
    SetTimer(window, kExitTimer, options.exit_after_ms, nullptr);

  std::wstring start = L"start";
  if (*command_line)
    start += std::wstring(L" ") + command_line;
  Record(start);
  Record(L"window " + std::to_wstring(reinterpret_cast<uintptr_t>(window)));

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  Record(L"exit");
  CloseHandle(g_log);
  return 0;
}
