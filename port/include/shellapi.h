// The notification area's declarations, for the Linux build. On Windows
// they come from the system's <shellapi.h>.
#ifndef PORT_INCLUDE_SHELLAPI_H_
#define PORT_INCLUDE_SHELLAPI_H_

#include <stddef.h>

#include <windows.h>

#define NIM_ADD 0x00000000
#define NIM_MODIFY 0x00000001
#define NIM_DELETE 0x00000002
#define NIM_SETFOCUS 0x00000003
#define NIM_SETVERSION 0x00000004

#define NIF_MESSAGE 0x00000001
#define NIF_ICON 0x00000002
#define NIF_TIP 0x00000004
#define NIF_STATE 0x00000008
#define NIF_INFO 0x00000010
#define NIF_GUID 0x00000020
#define NIF_REALTIME 0x00000040
#define NIF_SHOWTIP 0x00000080

#define NIS_HIDDEN 0x00000001
#define NIS_SHAREDICON 0x00000002

#define NIIF_NONE 0x00000000
#define NIIF_INFO 0x00000001
#define NIIF_WARNING 0x00000002
#define NIIF_ERROR 0x00000003
#define NIIF_USER 0x00000004
#define NIIF_ICON_MASK 0x0000000F
#define NIIF_NOSOUND 0x00000010
#define NIIF_LARGE_ICON 0x00000020

#define NOTIFYICON_VERSION 3
#define NOTIFYICON_VERSION_4 4

typedef struct _NOTIFYICONDATAW {
  DWORD cbSize;
  HWND hWnd;
  UINT uID;
  UINT uFlags;
  UINT uCallbackMessage;
  HICON hIcon;
  WCHAR szTip[128];
  DWORD dwState;
  DWORD dwStateMask;
  WCHAR szInfo[256];
  union {
    UINT uTimeout;
    UINT uVersion;
  };
  WCHAR szInfoTitle[64];
  DWORD dwInfoFlags;
  GUID guidItem;
  HICON hBalloonIcon;
} NOTIFYICONDATAW, *PNOTIFYICONDATAW;

// The record sizes by which the shell tells its levels apart, laid out as
// Windows lays them out for this platform's handles: each older level ends
// where the next one's fields begin, the newest is the whole record. The
// shell reads only the fields of the level that cbSize names (V1: up to a
// 64-character tip; V2: state, the 128-character tip and the balloon; V3:
// guidItem; whole: hBalloonIcon).
#define NOTIFYICONDATAW_V1_SIZE offsetof(NOTIFYICONDATAW, szTip[64])
#define NOTIFYICONDATAW_V2_SIZE offsetof(NOTIFYICONDATAW, guidItem)
#define NOTIFYICONDATAW_V3_SIZE offsetof(NOTIFYICONDATAW, hBalloonIcon)

BOOL Shell_NotifyIconW(DWORD message, PNOTIFYICONDATAW data);

#endif  // PORT_INCLUDE_SHELLAPI_H_
