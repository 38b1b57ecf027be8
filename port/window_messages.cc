// Window messages. The updater has no windows of its own yet, so a post
// reaches a host endpoint or fails as a post to a window that is gone.
#include <windows.h>

#include "port/host_endpoint.h"

LRESULT DefWindowProcW(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  uint64_t handle = reinterpret_cast<uintptr_t>(window);
  if (handle == 0 || handle >= port::kFirstOwnWindowHandle ||
      !port::PostToHostEndpoint(handle, message, wparam,
                                static_cast<uint64_t>(lparam))) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return TRUE;
}
