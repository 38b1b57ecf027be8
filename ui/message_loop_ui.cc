#include "ui/message_loop_ui.h"

namespace {

constexpr UINT kSystemTimerMessage = 0x0118;

}  // namespace

int CMessageLoop::Run() {
  bool idle = true;
  MSG msg = {};
  for (;;) {
    while (idle && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!OnIdle())
        idle = false;
    }
    BOOL result = GetMessageW(&msg, nullptr, 0, 0);
    if (result == -1)
      continue;
    if (!result)
      break;
    if (!PreTranslateMessage(&msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (IsIdleMessage(msg))
      idle = true;
  }
  return static_cast<int>(msg.wParam);
}

BOOL CMessageLoop::PreTranslateMessage(MSG* msg) {
  for (auto it = m_filters.rbegin(); it != m_filters.rend(); ++it) {
    if ((*it)->PreTranslateMessage(msg))
      return TRUE;
  }
  return FALSE;
}

BOOL CMessageLoop::OnIdle() {
  BOOL more = FALSE;
  for (CIdleHandler* handler : m_idleHandlers) {
    if (handler->OnIdle())
      more = TRUE;
  }
  return more;
}

bool CMessageLoop::IsIdleMessage(const MSG& msg) {
  switch (msg.message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case kSystemTimerMessage:
      return false;
  }
  return true;
}
