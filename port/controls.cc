// The progress bar, static and button controls. Their state lives in the
// window table, so that the desktop can read it from any thread.
#include "port/controls.h"
#include <commctrl.h>

#include <algorithm>
#include <mutex>

#include "port/window_table.h"

namespace port {

namespace {

int Clamp(const Window& bar, int position) {
  return std::max(bar.range_low, std::min(bar.range_high, position));
}

}  // namespace

LRESULT CALLBACK ProgressBarProcedure(HWND window,
                                      UINT message,
                                      WPARAM wparam,
                                      LPARAM lparam) {
  if (message < PBM_SETRANGE || message > PBM_GETPOS)
    return DefWindowProcW(window, message, wparam, lparam);
  std::lock_guard<std::mutex> hold(WindowLock());
  Window* bar = FindWindowLocked(window);
  if (!bar)
    return 0;
  int previous_position = bar->position;
  switch (message) {
    case PBM_SETRANGE: {
      LRESULT previous_range = MAKELRESULT(bar->range_low, bar->range_high);
      bar->range_low = LOWORD(lparam);
      bar->range_high = HIWORD(lparam);
      bar->position = Clamp(*bar, bar->position);
      return previous_range;
    }
    case PBM_SETPOS:
      bar->position = Clamp(*bar, static_cast<int>(wparam));
      return previous_position;
    case PBM_GETRANGE:
      if (lparam) {
        auto* range = reinterpret_cast<PBRANGE*>(lparam);
        range->iLow = bar->range_low;
        range->iHigh = bar->range_high;
      }
      return wparam ? bar->range_low : bar->range_high;
    case PBM_GETPOS:
      return bar->position;
    default:
      return 0;
  }
}

LRESULT CALLBACK StaticProcedure(HWND window,
                                 UINT message,
                                 WPARAM wparam,
                                 LPARAM lparam) {
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK ButtonProcedure(HWND window,
                                 UINT message,
                                 WPARAM wparam,
                                 LPARAM lparam) {
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace port
