// Window creation and destruction, window state (visibility, position,
// texts, long values), default window processing and activation.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>

#include "port/message_queue.h"
#include "port/modal_prompt.h"
#include "port/window_classes.h"
#include "port/window_table.h"

namespace {

// The active (foreground) and focus windows of the desktop; guarded by
// port::WindowLock().
HWND g_active_window = nullptr;
HWND g_focus_window = nullptr;

constexpr int kDefaultX = 26;
constexpr int kDefaultY = 26;
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

bool IsActivatingCommand(int show_command) {
  return show_command == SW_SHOWNORMAL || show_command == SW_SHOW ||
         show_command == SW_RESTORE || show_command == SW_SHOWMAXIMIZED ||
         show_command == SW_SHOWDEFAULT;
}

void ForgetActivationLocked(HWND window) {
  if (g_active_window == window)
    g_active_window = nullptr;
  if (g_focus_window == window)
    g_focus_window = nullptr;
}

// WM_DESTROY to |window| and then its children, WM_NCDESTROY to the
// children and then to it; the window leaves the table last.
void DestroyTree(HWND window) {
  port::CallProcedure(window, WM_DESTROY, 0, 0);
  std::vector<HWND> children;
  {
    std::lock_guard<std::mutex> hold(port::WindowLock());
    if (port::Window* found = port::FindWindowLocked(window))
      children = found->children;
  }
  for (HWND child : children) {
    {
      std::lock_guard<std::mutex> hold(port::WindowLock());
      port::Window* found = port::FindWindowLocked(child);
      if (!found || found->destroying)
        continue;
      found->destroying = true;
    }
    DestroyTree(child);
  }
  port::CallProcedure(window, WM_NCDESTROY, 0, 0);
  std::shared_ptr<port::MessageQueue> queue;
  HMENU system_menu = nullptr;
  {
    std::lock_guard<std::mutex> hold(port::WindowLock());
    if (port::Window* found = port::FindWindowLocked(window)) {
      queue = found->queue;
      system_menu = found->system_menu;
    }
    port::RemoveWindowLocked(window);
    ForgetActivationLocked(window);
  }
  if (queue)
    queue->ForgetWindow(window);
  if (system_menu)
    DestroyMenu(system_menu);
}

}  // namespace

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
                     LPVOID param) {
  auto window = std::make_unique<port::Window>();
  if (!port::LookUpWindowClass(class_name, &window->procedure,
                               &window->class_name)) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  bool child = (style & WS_CHILD) != 0;
  if ((parent || child) && !IsWindow(parent)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  window->queue = port::MessageQueue::Current();
  window->instance = instance;
  if (child) {
    window->parent = parent;
    window->id = static_cast<int>(reinterpret_cast<uintptr_t>(menu_or_id));
  } else {
    window->owner = parent;
  }
  if (x == CW_USEDEFAULT) {
    x = child ? 0 : kDefaultX;
    y = child ? 0 : kDefaultY;
  }
  if (width == CW_USEDEFAULT) {
    width = child ? 0 : kDefaultWidth;
    height = child ? 0 : kDefaultHeight;
  }
  window->rect = RECT{x, y, x + width, y + height};
  window->style = style & ~WS_VISIBLE;
  window->ex_style = ex_style;
  if (window_name)
    window->text = window_name;

  HWND handle;
  {
    std::lock_guard<std::mutex> hold(port::WindowLock());
    handle = port::AddWindowLocked(std::move(window));
  }
  CREATESTRUCTW create = {param,       instance,   menu_or_id,
                          parent,      height,     width,
                          y,           x,          static_cast<LONG>(style),
                          window_name, class_name, ex_style};
  LPARAM create_param = reinterpret_cast<LPARAM>(&create);
  if (!port::CallProcedure(handle, WM_NCCREATE, 0, create_param) ||
      port::CallProcedure(handle, WM_CREATE, 0, create_param) == -1) {
    DestroyWindow(handle);
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (style & WS_VISIBLE)
    ShowWindow(handle, child ? SW_SHOWNA : SW_SHOW);
  return handle;
}

BOOL DestroyWindow(HWND window) {
  std::vector<HWND> owned;
  {
    std::lock_guard<std::mutex> hold(port::WindowLock());
    port::Window* found = port::FindWindowLocked(window);
    if (!found) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    if (found->queue != port::MessageQueue::Current()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (found->destroying)
      return TRUE;
    found->destroying = true;
    found->style &= ~WS_VISIBLE;
    for (HWND other : port::TopLevelWindowsLocked()) {
      port::Window* candidate = port::FindWindowLocked(other);
      if (candidate->owner == window && candidate->queue == found->queue)
        owned.push_back(other);
    }
  }
  // Owned windows go first; prompts of other threads that it owns close.
  for (HWND other : owned)
    DestroyWindow(other);
  port::AnswerPromptsOwnedBy(window);
  DestroyTree(window);
  return TRUE;
}

BOOL IsWindow(HWND window) {
  std::lock_guard<std::mutex> hold(port::WindowLock());
  return port::FindWindowLocked(window) != nullptr;
}

LRESULT DefWindowProcW(HWND window,
                       UINT message,
                       WPARAM wparam,
                       LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_SYSCOMMAND: {
      UINT command = static_cast<UINT>(wparam & 0xFFF0);
      if (command == SC_CLOSE) {
        HMENU menu = GetSystemMenu(window, FALSE);
        UINT state = GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND);
        if (state == static_cast<UINT>(-1) ||
            !(state & (MF_GRAYED | MF_DISABLED)))
          SendMessageW(window, WM_CLOSE, 0, 0);
      } else if (command == SC_MINIMIZE) {
        ShowWindow(window, SW_MINIMIZE);
      } else if (command == SC_RESTORE) {
        ShowWindow(window, SW_RESTORE);
      }
      return 0;
    }
    default:
      break;
  }
  std::lock_guard<std::mutex> hold(port::WindowLock());
  port::Window* found = port::FindWindowLocked(window);
  if (!found)
    return 0;
  switch (message) {
    case WM_SETTEXT:
      found->text = lparam ? reinterpret_cast<LPCWSTR>(lparam) : u"";
      return TRUE;
    case WM_GETTEXT: {
      if (wparam == 0 || !lparam)
        return 0;
      size_t count =
          std::min(found->text.size(), static_cast<size_t>(wparam - 1));
      WCHAR* buffer = reinterpret_cast<WCHAR*>(lparam);
      std::copy(found->text.begin(), found->text.begin() + count, buffer);
      buffer[count] = 0;
      return static_cast<LRESULT>(count);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(found->text.size());
    case WM_SETICON: {
      HICON* slot = wparam == ICON_BIG ? &found->big_icon : &found->small_icon;
      HICON previous = *slot;
      *slot = reinterpret_cast<HICON>(lparam);
      return reinterpret_cast<LRESULT>(previous);
    }
    case WM_GETICON:
      return reinterpret_cast<LRESULT>(wparam == ICON_BIG ? found->big_icon
                                                          : found->small_icon);
    default:
      return 0;
  }
}

LONG_PTR GetWindowLongPtrW(HWND window, int index) {
  std::lock_guard<std::mutex> hold(port::WindowLock());
  port::Window* found = port::FindWindowLocked(window);
  if (!found) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  bool dialog = port::SameClassName(found->class_name, WC_DIALOG);
  switch (index) {
    case GWL_STYLE:
      return static_cast<LONG_PTR>(found->style);
    case GWL_EXSTYLE:
      return static_cast<LONG_PTR>(found->ex_style);
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(found->procedure);
    case GWLP_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(found->instance);
    case GWLP_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(found->parent ? found->parent
                                                      : found->owner);
    case GWLP_ID:
      return found->id;
    case GWLP_USERDATA:
      return found->user_data;
    default:
      break;
  }
  if (dialog && index == DWLP_MSGRESULT)
    return found->dialog_result;
  if (dialog && index == DWLP_DLGPROC)
    return reinterpret_cast<LONG_PTR>(found->dialog_procedure);
  if (dialog && index == DWLP_USER)
    return found->dialog_user;
  SetLastError(ERROR_INVALID_PARAMETER);
  return 0;
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
  std::lock_guard<std::mutex> hold(port::WindowLock());
  port::Window* found = port::FindWindowLocked(window);
  if (!found) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  SetLastError(ERROR_SUCCESS);
  bool dialog = port::SameClassName(found->class_name, WC_DIALOG);
  LONG_PTR previous = 0;
  switch (index) {
    case GWL_STYLE:
      previous = static_cast<LONG_PTR>(found->style);
      found->style = static_cast<DWORD>(value);
      return previous;
    case GWL_EXSTYLE:
      previous = static_cast<LONG_PTR>(found->ex_style);
      found->ex_style = static_cast<DWORD>(value);
      return previous;
    case GWLP_WNDPROC:
      previous = reinterpret_cast<LONG_PTR>(found->procedure);
      found->procedure = reinterpret_cast<WNDPROC>(value);
      return previous;
    case GWLP_ID:
      previous = found->id;
      found->id = static_cast<int>(value);
      return previous;
    case GWLP_USERDATA:
      previous = found->user_data;
      found->user_data = value;
      return previous;
    default:
      break;
  }
  if (dialog && index == DWLP_MSGRESULT) {
    previous = found->dialog_result;
    found->dialog_result = value;
  } else if (dialog && index == DWLP_DLGPROC) {
    previous = reinterpret_cast<LONG_PTR>(found->dialog_procedure);
    found->dialog_procedure = reinterpret_cast<DLGPROC>(value);
  } else if (dialog && index == DWLP_USER) {
    previous = found->dialog_user;
    found->dialog_user = value;
  } else {
    SetLastError(ERROR_INVALID_PARAMETER);
  }
  return previous;
}

BOOL ShowWindow(HWND window, int show_command) {
  std::lock_guard<std::mutex> hold(port::WindowLock());
  port::Window* found = port::FindWindowLocked(window);
  if (!found) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  BOOL was_visible = (found->style & WS_VISIBLE) != 0;
  switch (show_command) {
    case SW_HIDE:
      found->style &= ~WS_VISIBLE;
      ForgetActivationLocked(window);
      return was_visible;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
      found->minimized = true;
      break;
    case SW_SHOWNA:
    case SW_SHOW:
      break;
    default:
      found->minimized = false;
      break;
  }
  found->style |= WS_VISIBLE;
  if (IsActivatingCommand(show_command) && !(found->style & WS_CHILD))
    g_active_window = window;
  return was_visible;
}

BOOL IsWindowVisible(HWND window) {
  std::lock_guard<std::mutex> hold(port::WindowLock());
  for (port::Window* found = port::FindWindowLocked(window); found;
       found = port::FindWindowLocked(found->parent)) {
    if (!(found->style & WS_VISIBLE))
      return FALSE;
    if (!(found->style & WS_CHILD))
      return TRUE;
  }
  return FALSE;
}

BOOL IsIconic(HWND window) {
  std::lock_guard<std::mutex> hold(port::WindowLock());
  port::Window* found = port::FindWindowLocked(window);
  return found && found->minimized;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  std::lock_guard<std::mutex> hold(port::WindowLock());
  port::Window* found = port::FindWindowLocked(window);
  if (!found)
    return FALSE;
  BOOL was_disabled = (found->style & WS_DISABLED) != 0;
  if (enable)
    found->style &= ~WS_DISABLED;
  else
    found->style |= WS_DISABLED;
  return was_disabled;
}

BOOL IsWindowEnabled(HWND window) {
  std::lock_guard<std::mutex> hold(port::WindowLock());
  port::Window* found = port::FindWindowLocked(window);
  return found && !(found->style & WS_DISABLED);
}

BOOL SetWindowPos(HWND window, HWND, int x, int y, int cx, int cy, UINT flags) {
  std::lock_guard<std::mutex> hold(port::WindowLock());
  port::Window* found = port::FindWindowLocked(window);
  if (!found) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  RECT& rect = found->rect;
  if (!(flags & SWP_NOSIZE)) {
    rect.right = rect.left + cx;
    rect.bottom = rect.top + cy;
  }
  if (!(flags & SWP_NOMOVE)) {
    LONG width = rect.right - rect.left;
    LONG height = rect.bottom - rect.top;
    rect = RECT{x, y, x + width, y + height};
  }
  if (flags & SWP_SHOWWINDOW)
    found->style |= WS_VISIBLE;
  if (flags & SWP_HIDEWINDOW) {
    found->style &= ~WS_VISIBLE;
    ForgetActivationLocked(window);
  }
  if (!(flags & SWP_NOACTIVATE) && !(found->style & WS_CHILD) &&
      (found->style & WS_VISIBLE)) {
    g_active_window = window;
  }
  return TRUE;
}

BOOL GetWindowRect(HWND window, LPRECT rect) {
  std::lock_guard<std::mutex> hold(port::WindowLock());
  port::Window* found = port::FindWindowLocked(window);
  if (!found || !rect) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *rect = port::ScreenRectLocked(*found);
  return TRUE;
}

BOOL GetClientRect(HWND window, LPRECT rect) {
  std::lock_guard<std::mutex> hold(port::WindowLock());
  port::Window* found = port::FindWindowLocked(window);
  if (!found || !rect) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *rect = port::ClientRectLocked(*found);
  return TRUE;
}

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
  if (!IsWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) !=
         0;
}

int GetWindowTextW(HWND window, LPWSTR buffer, int buffer_size) {
  if (!buffer || buffer_size <= 0)
    return 0;
  buffer[0] = 0;
  return static_cast<int>(SendMessageW(window, WM_GETTEXT,
                                       static_cast<WPARAM>(buffer_size),
                                       reinterpret_cast<LPARAM>(buffer)));
}

HWND GetParent(HWND window) {
  std::lock_guard<std::mutex> hold(port::WindowLock());
  port::Window* found = port::FindWindowLocked(window);
  if (!found)
    return nullptr;
  return found->parent ? found->parent : found->owner;
}

BOOL SetForegroundWindow(HWND window) {
  std::lock_guard<std::mutex> hold(port::WindowLock());
  if (!port::FindWindowLocked(window))
    return FALSE;
  g_active_window = window;
  return TRUE;
}

HWND GetActiveWindow() {
  std::lock_guard<std::mutex> hold(port::WindowLock());
  return g_active_window;
}

HWND SetFocus(HWND window) {
  std::lock_guard<std::mutex> hold(port::WindowLock());
  HWND previous = g_focus_window;
  if (window && !port::FindWindowLocked(window))
    return nullptr;
  g_focus_window = window;
  return previous;
}
