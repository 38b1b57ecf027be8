// The Windows declarations that app/ and ui/ use, for the Linux build.
// On Windows these sources include the system's <windows.h>; on Linux this
// folder is on the include path instead, so the same code builds on both.
// The calls are implemented by the other files of port/.
#ifndef PORT_INCLUDE_WINDOWS_H_
#define PORT_INCLUDE_WINDOWS_H_

#include <stdint.h>

#define WINAPI
#define CALLBACK

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef long LONG;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef char16_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef void* HANDLE;
typedef struct HWND__* HWND;
typedef struct HINSTANCE__* HINSTANCE;
typedef void* LPVOID;
typedef struct _SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
typedef long HRESULT;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define S_OK ((HRESULT)0)
#define WM_USER 0x0400
#define SW_SHOWDEFAULT 10

#define ERROR_SUCCESS 0
#define ERROR_ALREADY_EXISTS 183
#define ERROR_INVALID_WINDOW_HANDLE 1400

#define ICC_BAR_CLASSES 0x00000004

typedef struct tagINITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;

// Process basics.
LPWSTR GetCommandLineW();
DWORD GetLastError();
void SetLastError(DWORD error);

// Named mutexes: exist while any process of this user holds one open.
HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES attributes, BOOL initial_owner,
                    LPCWSTR name);
BOOL CloseHandle(HANDLE handle);

// Toolkit preparation; nothing to prepare on Linux.
HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls);

// Windows and messages.
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
BOOL PostMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

#endif  // PORT_INCLUDE_WINDOWS_H_
