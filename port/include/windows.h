// The Windows declarations that app/ and ui/ use, for the Linux build.
// On Windows these sources include the system's <windows.h>; on Linux this
// folder is on the include path instead, so the same code builds on both.
// The calls are implemented by the other files of port/.
#ifndef PORT_INCLUDE_WINDOWS_H_
#define PORT_INCLUDE_WINDOWS_H_

#include <stddef.h>
#include <stdint.h>

#define WINAPI
#define CALLBACK
#define APIENTRY

typedef int BOOL;
typedef int INT;
typedef char CHAR;
typedef short SHORT;
typedef unsigned short USHORT;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef long LONG;
typedef unsigned long ULONG;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef char16_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef CHAR* LPSTR;
typedef const CHAR* LPCSTR;
typedef void* HANDLE;
typedef void* LPVOID;
typedef WORD ATOM;
typedef long HRESULT;
typedef struct HWND__* HWND;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HICON__* HICON;
typedef HICON HCURSOR;
typedef struct HMENU__* HMENU;
typedef struct HBRUSH__* HBRUSH;
typedef struct HMONITOR__* HMONITOR;
typedef struct _SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define S_OK ((HRESULT)0)
#define E_FAIL ((HRESULT)(int32_t)0x80004005u)
#define E_INVALIDARG ((HRESULT)(int32_t)0x80070057u)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

#define LOWORD(l) ((WORD)(((uintptr_t)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((uintptr_t)(l)) >> 16) & 0xffff))
#define MAKELONG(low, high) \
  ((LONG)(((WORD)((low)&0xffff)) | ((DWORD)((WORD)((high)&0xffff))) << 16))
#define MAKEWPARAM(low, high) ((WPARAM)(DWORD)MAKELONG(low, high))
#define MAKELPARAM(low, high) ((LPARAM)(DWORD)MAKELONG(low, high))
#define MAKELRESULT(low, high) ((LRESULT)(DWORD)MAKELONG(low, high))

// Resource names: small integers passed where a name is expected.
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define MAKEINTRESOURCEW(i) ((LPWSTR)((ULONG_PTR)((WORD)(i))))

#define ERROR_SUCCESS 0
#define ERROR_ACCESS_DENIED 5
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_INVALID_PARAMETER 87
#define ERROR_MOD_NOT_FOUND 126
#define ERROR_PROC_NOT_FOUND 127
#define ERROR_ALREADY_EXISTS 183
#define ERROR_INVALID_WINDOW_HANDLE 1400
#define ERROR_INVALID_MENU_HANDLE 1401
#define ERROR_CANNOT_FIND_WND_CLASS 1407
#define ERROR_CLASS_ALREADY_EXISTS 1410
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814

typedef struct tagPOINT {
  LONG x;
  LONG y;
} POINT, *LPPOINT;

typedef struct tagRECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
} RECT, *LPRECT;
typedef const RECT* LPCRECT;

typedef struct _GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} GUID;

// ---------------------------------------------------------------------------
// Process basics.
LPWSTR GetCommandLineW();
DWORD GetLastError();
void SetLastError(DWORD error);
DWORD GetCurrentThreadId();

// Named mutexes: exist while any process of this user holds one open.
HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES attributes,
                    BOOL initial_owner,
                    LPCWSTR name);
BOOL CloseHandle(HANDLE handle);

// Modules. GetModuleHandleW(nullptr) is the program itself, whose compiled-in
// resources the dialog, menu and icon calls use. "shell32.dll" is always
// loaded and exports "DllGetVersion", reporting the desktop's shell version.
// A plain function type, so that casting it to the export's real type is
// clean under -Wcast-function-type.
typedef void(WINAPI* FARPROC)();
HMODULE GetModuleHandleW(LPCWSTR module_name);
FARPROC GetProcAddress(HMODULE module, LPCSTR proc_name);

// ---------------------------------------------------------------------------
// Window messages.
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_SHOWWINDOW 0x0018
#define WM_SETFONT 0x0030
#define WM_CONTEXTMENU 0x007B
#define WM_GETICON 0x007F
#define WM_SETICON 0x0080
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_NCMOUSEMOVE 0x00A0
#define WM_KEYFIRST 0x0100
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_KEYLAST 0x0109
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_CTLCOLORMSGBOX 0x0132
#define WM_CTLCOLOREDIT 0x0133
#define WM_CTLCOLORLISTBOX 0x0134
#define WM_CTLCOLORBTN 0x0135
#define WM_CTLCOLORDLG 0x0136
#define WM_CTLCOLORSCROLLBAR 0x0137
#define WM_CTLCOLORSTATIC 0x0138
#define WM_MOUSEFIRST 0x0200
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MOUSELAST 0x020E
#define WM_USER 0x0400
#define WM_APP 0x8000

// WM_SYSCOMMAND commands (wParam with its low 4 bits cleared).
#define SC_SIZE 0xF000
#define SC_MOVE 0xF010
#define SC_MINIMIZE 0xF020
#define SC_MAXIMIZE 0xF030
#define SC_CLOSE 0xF060
#define SC_RESTORE 0xF120

// Virtual keys.
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20

// Posted to every top-level window of the updater when the window is
// HWND_BROADCAST.
#define HWND_BROADCAST ((HWND)0xffff)
#define HWND_TOP ((HWND)0)

typedef struct tagMSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
} MSG, *LPMSG;

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);

// Posts to one of the updater's windows (any thread), or, for a handle below
// 2^32 that is not one of ours, to the host endpoint of that handle. FALSE
// with ERROR_INVALID_WINDOW_HANDLE when the window does not exist; a null
// window is refused the same way.
BOOL PostMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Runs the window procedure on the window's own thread and returns its
// result. The calling thread waits and meanwhile serves messages sent to its
// own windows; 0 at once when the window does not exist, and 0 as soon as
// the window is destroyed while the send still waits to be served.
LRESULT SendMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Waits for a posted message of the calling thread, serving sent ones
// meanwhile. 0 for WM_QUIT, -1 for an invalid window filter, else nonzero.
BOOL GetMessageW(LPMSG msg, HWND window, UINT filter_min, UINT filter_max);
BOOL PeekMessageW(LPMSG msg,
                  HWND window,
                  UINT filter_min,
                  UINT filter_max,
                  UINT remove);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageW(const MSG* msg);
void PostQuitMessage(int exit_code);

// ---------------------------------------------------------------------------
// Window classes and windows.
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008

#define COLOR_WINDOW 5

#define IDC_ARROW MAKEINTRESOURCEW(32512)

typedef struct tagWNDCLASSEXW {
  UINT cbSize;
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
  HICON hIconSm;
} WNDCLASSEXW;

typedef struct tagCREATESTRUCTW {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCWSTR lpszName;
  LPCWSTR lpszClass;
  DWORD dwExStyle;
} CREATESTRUCTW;

#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_MAXIMIZE 0x01000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_OVERLAPPEDWINDOW                                                   \
  (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | \
   WS_MAXIMIZEBOX)

#define WS_EX_DLGMODALFRAME 0x00000001L
#define WS_EX_TOOLWINDOW 0x00000080L
#define WS_EX_APPWINDOW 0x00040000L

#define CW_USEDEFAULT ((int)0x80000000)

ATOM RegisterClassExW(const WNDCLASSEXW* window_class);
BOOL GetClassInfoExW(HINSTANCE instance,
                     LPCWSTR class_name,
                     WNDCLASSEXW* window_class);
HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR cursor_name);

// The new window belongs to the calling thread. Its procedure receives
// WM_NCCREATE and WM_CREATE (lParam the CREATESTRUCTW, whose lpCreateParams
// is |param|) before the call returns.
HWND CreateWindowExW(DWORD ex_style,
                     LPCWSTR class_name,
                     LPCWSTR window_name,
                     DWORD style,
                     int x,
                     int y,
                     int width,
                     int height,
                     HWND parent,
                     HMENU menu_or_id,
                     HINSTANCE instance,
                     LPVOID param);
// Only the window's own thread may destroy it: WM_DESTROY to it and then to
// its children, WM_NCDESTROY to the children and then to it.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWLP_WNDPROC (-4)
#define GWLP_HINSTANCE (-6)
#define GWLP_HWNDPARENT (-8)
#define GWLP_ID (-12)
#define GWLP_USERDATA (-21)
#define DWLP_MSGRESULT 0
#define DWLP_DLGPROC ((int)sizeof(LRESULT))
#define DWLP_USER ((int)(sizeof(LRESULT) + sizeof(DLGPROC)))

LONG_PTR GetWindowLongPtrW(HWND window, int index);
// Returns the previous value, 0 (with ERROR_INVALID_WINDOW_HANDLE) on failure.
LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10

// Returns whether the window was visible before the call.
BOOL ShowWindow(HWND window, int show_command);
// Whether the window and all its parents have WS_VISIBLE. Any thread.
BOOL IsWindowVisible(HWND window);
BOOL IsIconic(HWND window);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);

#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOREDRAW 0x0008
#define SWP_NOACTIVATE 0x0010
#define SWP_FRAMECHANGED 0x0020
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080
#define SWP_NOOWNERZORDER 0x0200

// Positions are screen coordinates for top-level windows and client
// coordinates of the parent for child windows.
BOOL SetWindowPos(HWND window,
                  HWND insert_after,
                  int x,
                  int y,
                  int cx,
                  int cy,
                  UINT flags);
BOOL GetWindowRect(HWND window, LPRECT rect);
BOOL GetClientRect(HWND window, LPRECT rect);

// Texts through WM_SETTEXT / WM_GETTEXT, sent to the window.
BOOL SetWindowTextW(HWND window, LPCWSTR text);
int GetWindowTextW(HWND window, LPWSTR buffer, int buffer_size);

// The parent of a child window, the owner of a top-level one.
HWND GetParent(HWND window);

// The active window is the one last shown or brought to the foreground.
BOOL SetForegroundWindow(HWND window);
HWND GetActiveWindow();
HWND SetFocus(HWND window);
BOOL GetCursorPos(LPPOINT point);

// ---------------------------------------------------------------------------
// Dialogs and their controls.
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

#define DS_FIXEDSYS 0x0008L
#define DS_SETFONT 0x0040L
#define DS_MODALFRAME 0x0080L
#define DS_CENTER 0x0800L
#define DS_SHELLFONT (DS_SETFONT | DS_FIXEDSYS)

#define SS_LEFT 0x00000000L
#define SS_CENTER 0x00000001L
#define SS_ICON 0x00000003L
#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_GROUPBOX 0x00000007L
#define BN_CLICKED 0

#define WC_DIALOG u"#32770"

// Creates a dialog from the compiled-in template |template_name|
// (MAKEINTRESOURCEW(id)); the dialog belongs to the calling thread. The
// dialog procedure's first message is WM_INITDIALOG with lParam |init_param|,
// sent after the controls exist; the window is returned whatever that
// message's result, unless the procedure destroyed it. A procedure returns
// TRUE for a handled message and puts its result in DWLP_MSGRESULT (the
// result of WM_INITDIALOG and WM_CTLCOLOR* is the return value itself).
// Unhandled WM_CLOSE posts WM_COMMAND IDCANCEL to the dialog (unless it has
// a disabled IDCANCEL button).
HWND CreateDialogParamW(HINSTANCE instance,
                        LPCWSTR template_name,
                        HWND parent,
                        DLGPROC procedure,
                        LPARAM init_param);
// Runs the dialog modally on the calling thread until EndDialog; the owner
// is disabled meanwhile. Returns the EndDialog result, -1 on failure.
INT_PTR DialogBoxParamW(HINSTANCE instance,
                        LPCWSTR template_name,
                        HWND owner,
                        DLGPROC procedure,
                        LPARAM init_param);
BOOL EndDialog(HWND dialog, INT_PTR result);
// Esc and Enter become IDCANCEL and the default command (IDOK) of |dialog|.
BOOL IsDialogMessageW(HWND dialog, LPMSG msg);
HWND GetDlgItem(HWND dialog, int id);
BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text);
UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int buffer_size);
LRESULT SendDlgItemMessageW(HWND dialog,
                            int id,
                            UINT message,
                            WPARAM wparam,
                            LPARAM lparam);

// ---------------------------------------------------------------------------
// Message boxes.
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONERROR 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONWARNING 0x00000030L
#define MB_ICONINFORMATION 0x00000040L

// A modal wait on the calling thread until the desktop answers; the thread
// keeps serving sent and posted messages meanwhile. |text| and |caption| are
// in the ANSI code page (GBK). 0 at once when |owner| is given but is not a
// window; 0 when the owner is destroyed while the box is open.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// ---------------------------------------------------------------------------
// Menus.
#define MF_BYCOMMAND 0x00000000L
#define MF_BYPOSITION 0x00000400L
#define MF_ENABLED 0x00000000L
#define MF_GRAYED 0x00000001L
#define MF_DISABLED 0x00000002L
#define MF_STRING 0x00000000L
#define MF_CHECKED 0x00000008L
#define MF_POPUP 0x00000010L
#define MF_SEPARATOR 0x00000800L
#define MF_DEFAULT 0x00001000L
#define MFS_GRAYED 0x00000003L
#define MFS_DEFAULT MF_DEFAULT

#define GMDI_USEDISABLED 0x0001L
#define GMDI_GOINTOPOPUPS 0x0002L

#define TPM_LEFTBUTTON 0x0000L
#define TPM_RIGHTBUTTON 0x0002L
#define TPM_LEFTALIGN 0x0000L
#define TPM_CENTERALIGN 0x0004L
#define TPM_RIGHTALIGN 0x0008L
#define TPM_TOPALIGN 0x0000L
#define TPM_VCENTERALIGN 0x0010L
#define TPM_BOTTOMALIGN 0x0020L
#define TPM_NONOTIFY 0x0080L
#define TPM_RETURNCMD 0x0100L

// Menus are process-wide objects; any thread may use them.
HMENU LoadMenuW(HINSTANCE instance, LPCWSTR menu_name);
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);
HMENU GetSubMenu(HMENU menu, int position);
UINT GetMenuState(HMENU menu, UINT id, UINT flags);
BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT by_position);
UINT GetMenuDefaultItem(HMENU menu, UINT by_position, UINT flags);
// Returns the previous state (MF_ENABLED, MF_GRAYED, MF_DISABLED), or -1
// when the item does not exist.
BOOL EnableMenuItem(HMENU menu, UINT id, UINT enable);
// The window menu of |window| (SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE,
// SC_MAXIMIZE, a separator, SC_CLOSE); a greyed SC_CLOSE disables the
// caption's close box.
HMENU GetSystemMenu(HWND window, BOOL revert);
// A modal wait on the calling thread until the desktop chooses an item or
// closes the menu. With TPM_RETURNCMD the chosen command id (0 for none) is
// returned; otherwise a choice is posted to |owner| as WM_COMMAND and the
// result is TRUE. FALSE when |menu| or |owner| is not valid.
BOOL TrackPopupMenu(HMENU menu,
                    UINT flags,
                    int x,
                    int y,
                    int reserved,
                    HWND owner,
                    const RECT* rect);

// ---------------------------------------------------------------------------
// Icons, monitors and system metrics.
#define IMAGE_ICON 1
#define LR_DEFAULTCOLOR 0x00000000
#define LR_DEFAULTSIZE 0x00000040

#define ICON_SMALL 0
#define ICON_BIG 1

// An icon of the compiled-in icon group |name| at |cx| by |cy| (0 means the
// system's large icon size), from the group's image closest to that size.
// Owned by the caller, who frees it with DestroyIcon.
HANDLE LoadImageW(HINSTANCE instance,
                  LPCWSTR name,
                  UINT type,
                  int cx,
                  int cy,
                  UINT flags);
BOOL DestroyIcon(HICON icon);

#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CYCAPTION 4
#define SM_CXFIXEDFRAME 7
#define SM_CYFIXEDFRAME 8
#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CXSMICON 49
#define SM_CYSMICON 50
int GetSystemMetrics(int index);

#define MONITOR_DEFAULTTONULL 0x00000000
#define MONITOR_DEFAULTTOPRIMARY 0x00000001
#define MONITOR_DEFAULTTONEAREST 0x00000002
#define MONITORINFOF_PRIMARY 0x00000001

typedef struct tagMONITORINFO {
  DWORD cbSize;
  RECT rcMonitor;
  RECT rcWork;
  DWORD dwFlags;
} MONITORINFO, *LPMONITORINFO;

// The desktop has one monitor.
HMONITOR MonitorFromWindow(HWND window, DWORD flags);
BOOL GetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info);

// ---------------------------------------------------------------------------
// Registered messages: the same name (ignoring letter case) gives the same
// number in 0xC000..0xFFFF for the life of the process; 0 for an empty name.
UINT RegisterWindowMessageW(LPCWSTR name);

#endif  // PORT_INCLUDE_WINDOWS_H_
