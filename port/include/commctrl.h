// The common controls' declarations that ui/ uses, for the Linux build: the
// progress bar and the control classes of the dialog templates. On Windows
// these come from the system's <commctrl.h>.
#ifndef PORT_INCLUDE_COMMCTRL_H_
#define PORT_INCLUDE_COMMCTRL_H_

#include <windows.h>

#define WC_STATICW u"Static"
#define WC_BUTTONW u"Button"
#define PROGRESS_CLASSW u"msctls_progress32"

// Nothing to prepare on Linux.
#define ICC_BAR_CLASSES 0x00000004

typedef struct tagINITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls);

// Progress bar messages; the range defaults to 0..100, the position is kept
// within the range.
#define PBM_SETRANGE (WM_USER + 1)
#define PBM_SETPOS (WM_USER + 2)
#define PBM_GETRANGE (WM_USER + 7)
#define PBM_GETPOS (WM_USER + 8)

typedef struct {
  int iLow;
  int iHigh;
} PBRANGE, *PPBRANGE;

#endif  // PORT_INCLUDE_COMMCTRL_H_
