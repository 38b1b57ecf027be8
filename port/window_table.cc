#include "port/window_table.h"

#include <map>

#include "port/host_endpoint.h"
#include "port/message_queue.h"

namespace port {

namespace {

struct Table {
  std::mutex lock;
  uint64_t next_handle = kFirstOwnWindowHandle;
  std::map<uint64_t, std::unique_ptr<Window>> windows;
};

// Never destroyed: windows may still be looked up while other statics go.
Table& GetTable() {
  static Table* table = new Table;
  return *table;
}

// Width of the fixed frame and height of the caption, as GetSystemMetrics
// reports them.
constexpr LONG kFrame = 3;
constexpr LONG kCaption = 23;

}  // namespace

std::mutex& WindowLock() {
  return GetTable().lock;
}

Window* FindWindowLocked(HWND handle) {
  auto& windows = GetTable().windows;
  auto it = windows.find(HandleValue(handle));
  return it == windows.end() ? nullptr : it->second.get();
}

HWND AddWindowLocked(std::unique_ptr<Window> window) {
  Table& table = GetTable();
  HWND handle =
      reinterpret_cast<HWND>(static_cast<uintptr_t>(table.next_handle++));
  window->handle = handle;
  if (window->parent) {
    if (Window* parent = FindWindowLocked(window->parent))
      parent->children.push_back(handle);
  }
  table.windows[HandleValue(handle)] = std::move(window);
  return handle;
}

void RemoveWindowLocked(HWND handle) {
  auto& windows = GetTable().windows;
  auto it = windows.find(HandleValue(handle));
  if (it == windows.end())
    return;
  if (Window* parent = FindWindowLocked(it->second->parent)) {
    auto& siblings = parent->children;
    for (auto child = siblings.begin(); child != siblings.end(); ++child) {
      if (*child == handle) {
        siblings.erase(child);
        break;
      }
    }
  }
  windows.erase(it);
}

std::vector<HWND> TopLevelWindowsLocked() {
  std::vector<HWND> result;
  for (auto& entry : GetTable().windows) {
    if (!(entry.second->style & WS_CHILD) && !entry.second->destroying)
      result.push_back(entry.second->handle);
  }
  return result;
}

std::vector<HWND> WindowsOfQueueLocked(const MessageQueue* queue) {
  std::vector<HWND> result;
  for (auto& entry : GetTable().windows) {
    if (entry.second->queue.get() == queue)
      result.push_back(entry.second->handle);
  }
  return result;
}

RECT ScreenRectLocked(const Window& window) {
  RECT rect = window.rect;
  if (window.style & WS_CHILD) {
    if (Window* parent = FindWindowLocked(window.parent)) {
      POINT origin = ClientOriginLocked(*parent);
      rect.left += origin.x;
      rect.right += origin.x;
      rect.top += origin.y;
      rect.bottom += origin.y;
    }
  }
  return rect;
}

POINT ClientOriginLocked(const Window& window) {
  RECT rect = ScreenRectLocked(window);
  POINT origin = {rect.left, rect.top};
  if ((window.style & WS_CAPTION) == WS_CAPTION) {
    origin.x += kFrame;
    origin.y += kFrame + kCaption;
  }
  return origin;
}

RECT ClientRectLocked(const Window& window) {
  LONG width = window.rect.right - window.rect.left;
  LONG height = window.rect.bottom - window.rect.top;
  if ((window.style & WS_CAPTION) == WS_CAPTION) {
    width -= 2 * kFrame;
    height -= 2 * kFrame + kCaption;
  }
  return RECT{0, 0, width > 0 ? width : 0, height > 0 ? height : 0};
}

ClientFrameSize WindowSizeForClient(DWORD style, LONG width, LONG height) {
  if ((style & WS_CAPTION) == WS_CAPTION)
    return {width + 2 * kFrame, height + 2 * kFrame + kCaption};
  return {width, height};
}

bool GetWindowProcedure(HWND window, WNDPROC* procedure) {
  std::lock_guard<std::mutex> hold(WindowLock());
  Window* found = FindWindowLocked(window);
  if (!found)
    return false;
  *procedure = found->procedure;
  return true;
}

LRESULT CallProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  WNDPROC procedure = nullptr;
  if (!GetWindowProcedure(window, &procedure) || !procedure)
    return 0;
  return procedure(window, message, wparam, lparam);
}

}  // namespace port
