// Windows answers for the platform keys: the executable and this module from
// the loader's module file names, the Windows and system directories, and
// the shell's folders. Every look-up uses a buffer of the classic 260
// characters; an answer that does not fit is a failure, never a path cut
// short.
#include "base/base_paths.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <string>

#include "base/file_path.h"
#include "base/path_service.h"
#include "base/win/wide_text.h"

namespace base {

namespace {

constexpr DWORD kPathBufferSize = MAX_PATH;

// The token value that makes the shell answer for the default user profile.
const HANDLE kDefaultUserToken = reinterpret_cast<HANDLE>(-1);

// The file name of |module| (null: the executable).
bool ReadModulePath(HMODULE module, FilePath* result) {
  char16_t buffer[kPathBufferSize];
  const DWORD length =
      GetModuleFileNameW(module, AsWCHAR(buffer), kPathBufferSize);
  // A result that fills the buffer has been cut short.
  if (length == 0 || length >= kPathBufferSize)
    return false;
  *result = FilePath(std::u16string(buffer, length));
  return true;
}

// The module this code was linked into: the executable, or a DLL that
// carries the framework.
bool ReadThisModulePath(FilePath* result) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(&ReadThisModulePath),
                          &module)) {
    return false;
  }
  return ReadModulePath(module, result);
}

// GetWindowsDirectoryW and GetSystemDirectoryW answer alike: the length
// without terminator, or the size needed when the buffer is too small.
bool ReadSystemDirectory(UINT(WINAPI* read)(LPWSTR, UINT), FilePath* result) {
  char16_t buffer[kPathBufferSize];
  const UINT length = read(AsWCHAR(buffer), kPathBufferSize);
  if (length == 0 || length >= kPathBufferSize)
    return false;
  *result = FilePath(std::u16string(buffer, length));
  return true;
}

// The shell folder |csidl| as it is now (not its default), for the user of
// |token| (null: the caller).
bool ReadShellFolder(int csidl, HANDLE token, FilePath* result) {
  char16_t buffer[kPathBufferSize] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, token, SHGFP_TYPE_CURRENT,
                              AsWCHAR(buffer)))) {
    return false;
  }
  *result = FilePath(buffer);
  return true;
}

bool IsX86System() {
  SYSTEM_INFO info;
  GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL;
}

// Known only from Windows 8 on; older systems fail the look-up.
bool ReadAppShortcutFolder(FilePath* result) {
  PWSTR path = nullptr;
  const HRESULT found =
      SHGetKnownFolderPath(FOLDERID_ApplicationShortcuts, 0, nullptr, &path);
  // The buffer is the caller's to free even when the look-up fails.
  const bool ok = SUCCEEDED(found) && path;
  if (ok)
    *result = FilePath(AsChar16(path));
  CoTaskMemFree(path);
  return ok;
}

FilePath QuickLaunchIn(const FilePath& app_data) {
  return app_data.AppendASCII("Microsoft")
      .AppendASCII("Internet Explorer")
      .AppendASCII("Quick Launch");
}

}  // namespace

bool PathProviderPlatform(int key, FilePath* result) {
  switch (key) {
    case FILE_EXECUTABLE:
      return ReadModulePath(nullptr, result);
    case FILE_THIS_MODULE:
      return ReadThisModulePath(result);
    case DIR_EXECUTABLE_GRANDPARENT: {
      FilePath directory;
      if (!PathService::Get(DIR_EXECUTABLE, &directory))
        return false;
      *result = directory.DirName().DirName();
      return true;
    }
    case DIR_DESKTOP:
      return ReadShellFolder(CSIDL_DESKTOPDIRECTORY, nullptr, result);
    case DIR_WINDOWS_ROOT:
      return ReadSystemDirectory(&GetWindowsDirectoryW, result);
    case DIR_SYSTEM_FOLDER:
      return ReadSystemDirectory(&GetSystemDirectoryW, result);
    case DIR_PROGRAM_FOLDER:
      return ReadShellFolder(CSIDL_PROGRAM_FILES, nullptr, result);
    case DIR_PROGRAM_FOLDER_X86:
      return ReadShellFolder(
          IsX86System() ? CSIDL_PROGRAM_FILES : CSIDL_PROGRAM_FILESX86, nullptr,
          result);
    case DIR_INTERNET_CACHE:
      return ReadShellFolder(CSIDL_INTERNET_CACHE, nullptr, result);
    case DIR_ALL_USERS_START_MENU:
      return ReadShellFolder(CSIDL_COMMON_PROGRAMS, nullptr, result);
    case DIR_USER_START_MENU:
      return ReadShellFolder(CSIDL_PROGRAMS, nullptr, result);
    case DIR_ROAMING_APP_DATA:
      return ReadShellFolder(CSIDL_APPDATA, nullptr, result);
    case DIR_USER_PROFILE:
      return ReadShellFolder(CSIDL_PROFILE, nullptr, result);
    case DIR_LOW_INTEGRITY_APP_DATA: {
      // Every supported system (Windows 7 and later) has LocalLow.
      FilePath roaming;
      if (!ReadShellFolder(CSIDL_APPDATA, nullptr, &roaming))
        return false;
      *result = roaming.DirName().AppendASCII("LocalLow");
      return true;
    }
    case DIR_NONROAMING_APP_DATA:
      return ReadShellFolder(CSIDL_LOCAL_APPDATA, nullptr, result);
    case DIR_ALL_USERS_APP_DATA:
      return ReadShellFolder(CSIDL_COMMON_APPDATA, nullptr, result);
    case DIR_APP_SHORTCUT_FOLDER:
      return ReadAppShortcutFolder(result);
    case DIR_ALL_USERS_DESKTOP:
      return ReadShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY, nullptr, result);
    case DIR_QUICK_LAUNCH: {
      FilePath roaming;
      if (!PathService::Get(DIR_ROAMING_APP_DATA, &roaming))
        return false;
      *result = QuickLaunchIn(roaming);
      return true;
    }
    case DIR_DEFAULT_PROFILE_QUICK_LAUNCH: {
      FilePath default_roaming;
      if (!ReadShellFolder(CSIDL_APPDATA, kDefaultUserToken, &default_roaming))
        return false;
      *result = QuickLaunchIn(default_roaming);
      return true;
    }
    default:
      return false;
  }
}

bool ReadCurrentDirectory(FilePath* result) {
  char16_t buffer[kPathBufferSize];
  // The length without terminator, or the size needed when it does not fit.
  const DWORD length = GetCurrentDirectoryW(kPathBufferSize, AsWCHAR(buffer));
  if (length == 0 || length >= kPathBufferSize)
    return false;
  *result = FilePath(std::u16string(buffer, length)).StripTrailingSeparators();
  return true;
}

bool ReadTemporaryDirectory(FilePath* result) {
  char16_t buffer[kPathBufferSize];
  const DWORD length = GetTempPathW(kPathBufferSize, AsWCHAR(buffer));
  if (length == 0 || length >= kPathBufferSize)
    return false;
  *result = FilePath(std::u16string(buffer, length)).StripTrailingSeparators();
  return true;
}

}  // namespace base
