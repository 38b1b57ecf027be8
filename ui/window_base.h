// The part of a window object that dialogs and plain windows share: the
// handle, the message-map hook and the thin wrappers the UI code calls.
// A window object is used on the thread that created its window.
#ifndef UI_WINDOW_BASE_H_
#define UI_WINDOW_BASE_H_

#include <windows.h>

// Centres |window| on the work area of its nearest monitor, kept inside it
// (left and top win), without moving it in Z-order or activating it.
BOOL CenterWindowOnWorkArea(HWND window);

class CWindowBase {
 public:
  virtual ~CWindowBase() = default;

  // The message map: true when |message| was handled, with |result| set.
  virtual BOOL ProcessWindowMessage(HWND window,
                                    UINT message,
                                    WPARAM wparam,
                                    LPARAM lparam,
                                    LRESULT& result) = 0;
  // Called after the window's last message; the handle is already empty.
  virtual void OnFinalMessage(HWND) {}

  BOOL IsWindow() const { return ::IsWindow(m_hWnd); }
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
  BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  LRESULT SendMessage(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    return ::SendMessageW(m_hWnd, message, wparam, lparam);
  }
  BOOL PostMessage(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    return ::PostMessageW(m_hWnd, message, wparam, lparam);
  }
  HICON SetIcon(HICON icon, BOOL big) {
    return reinterpret_cast<HICON>(SendMessage(WM_SETICON,
                                               big ? ICON_BIG : ICON_SMALL,
                                               reinterpret_cast<LPARAM>(icon)));
  }

  BOOL CenterWindow() { return CenterWindowOnWorkArea(m_hWnd); }

  HWND m_hWnd = nullptr;
};

#endif  // UI_WINDOW_BASE_H_
