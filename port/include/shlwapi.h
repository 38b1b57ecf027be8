// The shell library's version record, for the Linux build. On Windows it
// comes from the system's <shlwapi.h>.
#ifndef PORT_INCLUDE_SHLWAPI_H_
#define PORT_INCLUDE_SHLWAPI_H_

#include <windows.h>

typedef struct _DllVersionInfo {
  DWORD cbSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformID;
} DLLVERSIONINFO;
#define DLLVER_PLATFORM_WINDOWS 0x00000001
#define DLLVER_PLATFORM_NT 0x00000002
typedef HRESULT(CALLBACK* DLLGETVERSIONPROC)(DLLVERSIONINFO* info);

#endif  // PORT_INCLUDE_SHLWAPI_H_
