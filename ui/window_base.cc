#include "ui/window_base.h"

BOOL CenterWindowOnWorkArea(HWND window_handle) {
  RECT window;
  if (!::GetWindowRect(window_handle, &window))
    return FALSE;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  if (!::GetMonitorInfoW(
          ::MonitorFromWindow(window_handle, MONITOR_DEFAULTTONEAREST),
          &monitor))
    return FALSE;
  const RECT& work = monitor.rcWork;
  int width = window.right - window.left;
  int height = window.bottom - window.top;
  int x = (work.left + work.right) / 2 - width / 2;
  int y = (work.top + work.bottom) / 2 - height / 2;
  if (x + width > work.right)
    x = work.right - width;
  if (y + height > work.bottom)
    y = work.bottom - height;
  if (x < work.left)
    x = work.left;
  if (y < work.top)
    y = work.top;
  return ::SetWindowPos(window_handle, nullptr, x, y, -1, -1,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
