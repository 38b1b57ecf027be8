// The screen, its one monitor and the system metrics that depend on them.
#include "port/screen.h"

#include <chrono>
#include <mutex>

namespace port {

namespace {

// A 1920 by 1080 screen with a 40-pixel taskbar at the bottom.
struct Screen {
  std::mutex lock;
  RECT bounds = {0, 0, 1920, 1080};
  RECT work_area = {0, 0, 1920, 1040};
  POINT cursor = {0, 0};
};

Screen& GetScreen() {
  static Screen* screen = new Screen;
  return *screen;
}

// The one monitor has no object behind it; its handle is a fixed token.
const HMONITOR kMonitor = reinterpret_cast<HMONITOR>(uintptr_t{0x10001});

}  // namespace

RECT ScreenBounds() {
  std::lock_guard<std::mutex> hold(GetScreen().lock);
  return GetScreen().bounds;
}

RECT WorkArea() {
  std::lock_guard<std::mutex> hold(GetScreen().lock);
  return GetScreen().work_area;
}

void SetScreen(const RECT& bounds, const RECT& work_area) {
  std::lock_guard<std::mutex> hold(GetScreen().lock);
  GetScreen().bounds = bounds;
  GetScreen().work_area = work_area;
}

POINT CursorPosition() {
  std::lock_guard<std::mutex> hold(GetScreen().lock);
  return GetScreen().cursor;
}

void SetCursorPosition(POINT point) {
  std::lock_guard<std::mutex> hold(GetScreen().lock);
  GetScreen().cursor = point;
}

DWORD MessageTime() {
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<DWORD>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace port

HMONITOR MonitorFromWindow(HWND, DWORD) {
  return port::kMonitor;
}

BOOL GetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info) {
  if (monitor != port::kMonitor || !info || info->cbSize < sizeof(MONITORINFO))
    return FALSE;
  info->rcMonitor = port::ScreenBounds();
  info->rcWork = port::WorkArea();
  info->dwFlags = MONITORINFOF_PRIMARY;
  return TRUE;
}

int GetSystemMetrics(int index) {
  RECT bounds = port::ScreenBounds();
  switch (index) {
    case SM_CXSCREEN:
      return bounds.right - bounds.left;
    case SM_CYSCREEN:
      return bounds.bottom - bounds.top;
    case SM_CYCAPTION:
      return 23;
    case SM_CXFIXEDFRAME:
    case SM_CYFIXEDFRAME:
      return 3;
    case SM_CXICON:
    case SM_CYICON:
      return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    default:
      return 0;
  }
}

BOOL GetCursorPos(LPPOINT point) {
  if (!point)
    return FALSE;
  *point = port::CursorPosition();
  return TRUE;
}
