// desktop_user.exe: acts as the person at a Windows desktop for the tests
// that run the updater under Wine.
//
//   desktop_user.exe wait CAPTION TIMEOUT_MS
//       waits for a dialog (class "#32770") titled CAPTION
//   desktop_user.exe command CAPTION ID TIMEOUT_MS
//       waits for that dialog and posts it WM_COMMAND ID, as a click on that
//       button or menu item would
//   desktop_user.exe close HWND
//       posts WM_CLOSE to the window with handle HWND, as the close box does
//   desktop_user.exe expect-codepage CP
//       succeeds when the system's ANSI code page is CP
//   desktop_user.exe manifest PROGRAM
//       writes PROGRAM's application manifest (resource type 24, id 1), as
//       the loader finds it, to standard output
//   desktop_user.exe with-temp DIR PROGRAM [ARGUMENT...]
//       runs PROGRAM with TMP and TEMP set to DIR, as a user whose profile
//       lies there would, waits for it and exits with its exit code
//
// Exit code 0 when done, 1 when no such window came within the time, 2 for
// a bad command line.
#include <windows.h>

#include <stdint.h>
#include <wchar.h>

#include <string>

namespace {

HWND WaitForDialog(const wchar_t* caption, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  while (true) {
    HWND dialog = FindWindowW(L"#32770", caption);
    if (dialog)
      return dialog;
    if (GetTickCount() - start >= timeout_ms)
      return nullptr;
    Sleep(50);
  }
}

// Writes the application manifest of |program| to standard output.
bool WriteManifest(const wchar_t* program) {
  HMODULE module =
      LoadLibraryExW(program, nullptr,
                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module)
    return false;
  HRSRC found =
      FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* manifest = loaded ? LockResource(loaded) : nullptr;
  DWORD written = 0;
  const bool wrote =
      manifest && WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), manifest,
                            SizeofResource(module, found), &written, nullptr);
  FreeLibrary(module);
  return wrote;
}

// Runs |program| with |arguments| and with TMP and TEMP set to |temp|;
// its exit code, or -1 when it could not be run.
int RunWithTemp(const wchar_t* temp,
                const wchar_t* program,
                wchar_t** arguments,
                int count) {
  std::wstring command_line = L"\"" + std::wstring(program) + L"\"";
  for (int i = 0; i < count; ++i)
    command_line += L" \"" + std::wstring(arguments[i]) + L"\"";
  if (!SetEnvironmentVariableW(L"TMP", temp) ||
      !SetEnvironmentVariableW(L"TEMP", temp))
    return -1;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(program, &command_line[0], nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &startup, &process)) {
    return -1;
  }
  CloseHandle(process.hThread);
  DWORD exit_code = static_cast<DWORD>(-1);
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hProcess);
  return static_cast<int>(exit_code);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  int argc = __argc;
  wchar_t** argv = __wargv;
  if (argc == 4 && wcscmp(argv[1], L"wait") == 0)
    return WaitForDialog(argv[2], static_cast<DWORD>(_wtoi(argv[3]))) ? 0 : 1;
  if (argc == 5 && wcscmp(argv[1], L"command") == 0) {
    HWND dialog = WaitForDialog(argv[2], static_cast<DWORD>(_wtoi(argv[4])));
    if (!dialog)
      return 1;
    PostMessageW(dialog, WM_COMMAND, static_cast<WPARAM>(_wtoi(argv[3])), 0);
    return 0;
  }
  if (argc == 3 && wcscmp(argv[1], L"close") == 0) {
    HWND window = reinterpret_cast<HWND>(
        static_cast<uintptr_t>(_wcstoui64(argv[2], nullptr, 10)));
    return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
  }
  if (argc == 3 && wcscmp(argv[1], L"expect-codepage") == 0)
    return GetACP() == static_cast<UINT>(_wtoi(argv[2])) ? 0 : 1;
  if (argc == 3 && wcscmp(argv[1], L"manifest") == 0)
    return WriteManifest(argv[2]) ? 0 : 1;
  if (argc >= 4 && wcscmp(argv[1], L"with-temp") == 0)
    return RunWithTemp(argv[2], argv[3], argv + 4, argc - 4);
  return 2;
}
