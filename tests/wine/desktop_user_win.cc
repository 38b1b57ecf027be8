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
//
// Exit code 0 when done, 1 when no such window came within the time, 2 for
// a bad command line.
#include <windows.h>

#include <stdint.h>
#include <wchar.h>

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
  HMODULE module = LoadLibraryExW(program, nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module)
    return false;
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* manifest = loaded ? LockResource(loaded) : nullptr;
  DWORD written = 0;
  const bool wrote = manifest && WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), manifest,
                                           SizeofResource(module, found), &written, nullptr);
  FreeLibrary(module);
  return wrote;
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
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(_wcstoui64(argv[2], nullptr, 10)));
    return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
  }
  if (argc == 3 && wcscmp(argv[1], L"expect-codepage") == 0)
    return GetACP() == static_cast<UINT>(_wtoi(argv[2])) ? 0 : 1;
  if (argc == 3 && wcscmp(argv[1], L"manifest") == 0)
    return WriteManifest(argv[2]) ? 0 : 1;
  return 2;
}
