// Posting, sending, getting and dispatching window messages. A post to a
// handle below 2^32 that is not one of ours goes to the host endpoint.
#include <windows.h>

#include <memory>

#include "port/host_endpoint.h"
#include "port/message_queue.h"
#include "port/screen.h"
#include "port/window_table.h"

namespace {

// The queue of an existing window of ours, or null.
std::shared_ptr<port::MessageQueue> QueueOf(HWND window) {
  std::lock_guard<std::mutex> hold(port::WindowLock());
  port::Window* found = port::FindWindowLocked(window);
  return found ? found->queue : nullptr;
}

MSG MakeMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  MSG msg = {};
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wparam;
  msg.lParam = lparam;
  msg.time = port::MessageTime();
  msg.pt = port::CursorPosition();
  return msg;
}

void PostToEveryTopLevelWindow(UINT message, WPARAM wparam, LPARAM lparam) {
  std::vector<HWND> windows;
  {
    std::lock_guard<std::mutex> hold(port::WindowLock());
    windows = port::TopLevelWindowsLocked();
  }
  for (HWND window : windows) {
    if (std::shared_ptr<port::MessageQueue> queue = QueueOf(window))
      queue->Post(MakeMessage(window, message, wparam, lparam));
  }
}

}  // namespace

BOOL PostMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (window == HWND_BROADCAST) {
    PostToEveryTopLevelWindow(message, wparam, lparam);
    return TRUE;
  }
  uint64_t handle = port::HandleValue(window);
  bool posted = false;
  if (handle >= port::kFirstOwnWindowHandle) {
    std::shared_ptr<port::MessageQueue> queue = QueueOf(window);
    posted = queue && queue->Post(MakeMessage(window, message, wparam, lparam));
  } else if (handle != 0) {
    posted = port::PostToHostEndpoint(handle, message, wparam,
                                      static_cast<uint64_t>(lparam));
  }
  if (!posted) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return TRUE;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  // Windows of other processes are only ever posted to.
  std::shared_ptr<port::MessageQueue> queue = QueueOf(window);
  if (!queue) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (queue == port::MessageQueue::Current())
    return port::CallProcedure(window, message, wparam, lparam);
  return queue->SendFromOtherThread(window, message, wparam, lparam);
}

BOOL GetMessageW(LPMSG msg, HWND window, UINT filter_min, UINT filter_max) {
  if (window && !IsWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  std::shared_ptr<port::MessageQueue> queue = port::MessageQueue::Current();
  for (;;) {
    queue->ServeUntil([&] {
      return queue->HasMatchingLocked(window, filter_min, filter_max);
    });
    if (queue->TakePosted(msg, window, filter_min, filter_max, true))
      return msg->message != WM_QUIT;
  }
}

BOOL PeekMessageW(LPMSG msg,
                  HWND window,
                  UINT filter_min,
                  UINT filter_max,
                  UINT remove) {
  std::shared_ptr<port::MessageQueue> queue = port::MessageQueue::Current();
  queue->ServePendingSends();
  return queue->TakePosted(msg, window, filter_min, filter_max,
                           (remove & PM_REMOVE) != 0);
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || msg->message != WM_KEYDOWN)
    return FALSE;
  WPARAM key = msg->wParam;
  WPARAM character = 0;
  if (key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE ||
      key == VK_SPACE || (key >= '0' && key <= '9')) {
    character = key;
  } else if (key >= 'A' && key <= 'Z') {
    character = key - 'A' + 'a';
  }
  if (!character)
    return FALSE;
  return PostMessageW(msg->hwnd, WM_CHAR, character, msg->lParam);
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (!msg || !msg->hwnd)
    return 0;
  // A window of another thread is served by that thread only.
  if (QueueOf(msg->hwnd) != port::MessageQueue::Current())
    return 0;
  return port::CallProcedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exit_code) {
  port::MessageQueue::Current()->PostQuit(exit_code);
}
