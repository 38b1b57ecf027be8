#include "app/host_messages.h"

#include <windows.h>

#include "app/startup_state.h"

void NotifyHost(uint32_t message) {
  if (g_hostWindow == 0)
    return;
  PostMessageW(reinterpret_cast<HWND>(static_cast<uintptr_t>(g_hostWindow)),
               message, 0, 0);
}
