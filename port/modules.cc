// Modules: the program itself, whose resources are compiled in, and the
// shell library, whose DllGetVersion reports the desktop's shell version.
#include <windows.h>
#include <shlwapi.h>

#include <string.h>

#include <string>

#include "port/desktop.h"

namespace {

// Module handles are tokens; nothing is loaded.
const HMODULE kProgramModule = reinterpret_cast<HMODULE>(uintptr_t{0x400000});
const HMODULE kShellModule = reinterpret_cast<HMODULE>(uintptr_t{0x7C9C0000});

bool IsShellLibraryName(LPCWSTR name) {
  std::u16string folded(name);
  for (char16_t& c : folded) {
    if (c >= u'A' && c <= u'Z')
      c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return folded == u"shell32.dll" || folded == u"shell32";
}

HRESULT CALLBACK ShellDllGetVersion(DLLVERSIONINFO* info) {
  if (!info || info->cbSize < sizeof(DLLVERSIONINFO))
    return E_INVALIDARG;
  port::ShellVersion version = port::CurrentDesktop().GetShellVersion();
  if (!version.succeeds)
    return E_FAIL;
  info->dwMajorVersion = version.major;
  info->dwMinorVersion = version.minor;
  info->dwBuildNumber = version.build;
  info->dwPlatformID = DLLVER_PLATFORM_NT;
  return S_OK;
}

}  // namespace

HMODULE GetModuleHandleW(LPCWSTR module_name) {
  if (!module_name)
    return kProgramModule;
  if (IsShellLibraryName(module_name))
    return kShellModule;
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR proc_name) {
  if (module == kShellModule && proc_name &&
      strcmp(proc_name, "DllGetVersion") == 0 &&
      port::CurrentDesktop().GetShellVersion().exported) {
    return reinterpret_cast<FARPROC>(&ShellDllGetVersion);
  }
  SetLastError(ERROR_PROC_NOT_FOUND);
  return nullptr;
}
