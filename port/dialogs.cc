// The dialog manager: dialogs from compiled-in templates, modeless and
// modal, their default processing and their items.
#include <windows.h>

#include <memory>

#include "port/controls.h"
#include "port/message_queue.h"
#include "port/resources.h"
#include "port/screen.h"
#include "port/window_table.h"

namespace {

// Average character size of "MS Shell Dlg" at 8 points on a 96-dpi screen:
// a dialog unit is a quarter of the width and an eighth of the height.
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

LONG DialogUnitsToPixelsX(int units) {
  return (units * kBaseUnitX + 2) / 4;
}

LONG DialogUnitsToPixelsY(int units) {
  return (units * kBaseUnitY + 4) / 8;
}

// Messages whose dialog-procedure result is the message result itself
// rather than DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message) {
  return message == WM_INITDIALOG ||
         (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC);
}

LRESULT DefaultDialogProcessing(HWND dialog,
                                UINT message,
                                WPARAM wparam,
                                LPARAM lparam) {
  switch (message) {
    case WM_CLOSE: {
      // The close request becomes the Cancel command, unless the dialog has
      // a Cancel button that is disabled.
      HWND cancel = GetDlgItem(dialog, IDCANCEL);
      if (!cancel || IsWindowEnabled(cancel)) {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(cancel));
      }
      return 0;
    }
    case WM_INITDIALOG:
      return 0;
    default:
      return DefWindowProcW(dialog, message, wparam, lparam);
  }
}

bool DialogEnded(HWND dialog) {
  std::lock_guard<std::mutex> hold(port::WindowLock());
  port::Window* found = port::FindWindowLocked(dialog);
  return !found || found->dialog_ended;
}

HWND CreateDialogFromTemplate(HINSTANCE instance,
                              LPCWSTR template_name,
                              HWND parent,
                              DLGPROC procedure,
                              LPARAM init_param) {
  const port::DialogTemplate* dialog_template =
      IS_INTRESOURCE(template_name)
          ? port::FindDialogTemplate(
                static_cast<WORD>(reinterpret_cast<uintptr_t>(template_name)))
          : nullptr;
  if (!dialog_template) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  if (parent && !IsWindow(parent)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  const port::DialogTemplate& t = *dialog_template;
  DWORD style = t.style & ~WS_VISIBLE;
  port::ClientFrameSize size = port::WindowSizeForClient(
      style, DialogUnitsToPixelsX(t.cx), DialogUnitsToPixelsY(t.cy));
  LONG x = DialogUnitsToPixelsX(t.x);
  LONG y = DialogUnitsToPixelsY(t.y);
  if (parent) {
    std::lock_guard<std::mutex> hold(port::WindowLock());
    if (port::Window* owner = port::FindWindowLocked(parent)) {
      POINT origin = port::ClientOriginLocked(*owner);
      x += origin.x;
      y += origin.y;
    }
  }
  if (t.style & DS_CENTER) {
    RECT work = port::WorkArea();
    x = work.left + (work.right - work.left - size.cx) / 2;
    y = work.top + (work.bottom - work.top - size.cy) / 2;
  }
  HWND dialog =
      CreateWindowExW(t.ex_style, WC_DIALOG, t.caption.c_str(), style, x, y,
                      size.cx, size.cy, parent, nullptr, instance, nullptr);
  if (!dialog)
    return nullptr;
  for (const port::DialogItemTemplate& item : t.items) {
    HWND control = CreateWindowExW(
        item.ex_style, item.class_name.c_str(), item.text.c_str(),
        item.style | WS_CHILD, DialogUnitsToPixelsX(item.x),
        DialogUnitsToPixelsY(item.y), DialogUnitsToPixelsX(item.cx),
        DialogUnitsToPixelsY(item.cy), dialog,
        reinterpret_cast<HMENU>(static_cast<uintptr_t>(item.id)), instance,
        nullptr);
    if (!control) {
      DestroyWindow(dialog);
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
  }
  HWND first_tab_stop = nullptr;
  {
    std::lock_guard<std::mutex> hold(port::WindowLock());
    port::Window* found = port::FindWindowLocked(dialog);
    found->dialog_procedure = procedure;
    found->dialog_started = true;
    for (HWND child : found->children) {
      if (port::FindWindowLocked(child)->style & WS_TABSTOP) {
        first_tab_stop = child;
        break;
      }
    }
  }
  if (port::CallProcedure(dialog, WM_INITDIALOG,
                          reinterpret_cast<WPARAM>(first_tab_stop),
                          init_param) &&
      first_tab_stop) {
    SetFocus(first_tab_stop);
  }
  // The procedure may have destroyed its own dialog.
  if (!IsWindow(dialog))
    return nullptr;
  if (t.style & WS_VISIBLE)
    ShowWindow(dialog, SW_SHOWNORMAL);
  return dialog;
}

}  // namespace

namespace port {

// The default dialog procedure: the dialog's own procedure first, from
// WM_INITDIALOG on, then the default processing for what it leaves.
LRESULT CALLBACK DialogProcedure(HWND dialog,
                                 UINT message,
                                 WPARAM wparam,
                                 LPARAM lparam) {
  DLGPROC procedure = nullptr;
  {
    std::lock_guard<std::mutex> hold(port::WindowLock());
    port::Window* found = port::FindWindowLocked(dialog);
    if (found && found->dialog_started) {
      procedure = found->dialog_procedure;
      found->dialog_result = 0;
    }
  }
  if (procedure) {
    INT_PTR handled = procedure(dialog, message, wparam, lparam);
    if (handled)
      return ReturnsDirectly(message)
                 ? handled
                 : GetWindowLongPtrW(dialog, DWLP_MSGRESULT);
  }
  return DefaultDialogProcessing(dialog, message, wparam, lparam);
}

}  // namespace port

HWND CreateDialogParamW(HINSTANCE instance,
                        LPCWSTR template_name,
                        HWND parent,
                        DLGPROC procedure,
                        LPARAM init_param) {
  return CreateDialogFromTemplate(instance, template_name, parent, procedure,
                                  init_param);
}

INT_PTR DialogBoxParamW(HINSTANCE instance,
                        LPCWSTR template_name,
                        HWND owner,
                        DLGPROC procedure,
                        LPARAM init_param) {
  if (owner && !IsWindow(owner)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  HWND dialog = CreateDialogFromTemplate(instance, template_name, owner,
                                         procedure, init_param);
  if (!dialog)
    return -1;
  bool owner_was_enabled = owner && IsWindowEnabled(owner);
  if (owner_was_enabled)
    EnableWindow(owner, FALSE);
  // A dialog that ended in WM_INITDIALOG is never shown.
  if (!DialogEnded(dialog))
    ShowWindow(dialog, SW_SHOWNORMAL);
  std::shared_ptr<port::MessageQueue> queue = port::MessageQueue::Current();
  for (;;) {
    bool ended = false;
    queue->ServeUntil([&] {
      ended = DialogEnded(dialog);
      return ended || queue->HasPostedLocked();
    });
    if (ended)
      break;
    MSG msg;
    // A quit request stays queued for the loop that runs after the dialog.
    if (queue->TakePosted(&msg, nullptr, 0, 0, true) &&
        msg.message != WM_QUIT) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  INT_PTR result = 0;
  {
    std::lock_guard<std::mutex> hold(port::WindowLock());
    if (port::Window* found = port::FindWindowLocked(dialog))
      result = found->end_result;
  }
  if (owner_was_enabled)
    EnableWindow(owner, TRUE);
  if (IsWindow(dialog))
    DestroyWindow(dialog);
  return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  std::shared_ptr<port::MessageQueue> queue;
  {
    std::lock_guard<std::mutex> hold(port::WindowLock());
    port::Window* found = port::FindWindowLocked(dialog);
    if (!found) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    found->dialog_ended = true;
    found->end_result = result;
    found->style &= ~WS_VISIBLE;
    queue = found->queue;
  }
  // Wakes the modal loop when it waits.
  queue->Change([] {});
  return TRUE;
}

BOOL IsDialogMessageW(HWND dialog, LPMSG msg) {
  if (!msg || !dialog ||
      (msg->hwnd != dialog && GetParent(msg->hwnd) != dialog))
    return FALSE;
  bool key = msg->message == WM_KEYDOWN &&
             (msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN);
  bool key_character = msg->message == WM_CHAR &&
                       (msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN);
  if (key) {
    int command = msg->wParam == VK_ESCAPE ? IDCANCEL : IDOK;
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, command)));
  } else if (!key_character) {
    DispatchMessageW(msg);
  }
  return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
  std::lock_guard<std::mutex> hold(port::WindowLock());
  port::Window* found = port::FindWindowLocked(dialog);
  if (!found)
    return nullptr;
  for (HWND child : found->children) {
    if (port::FindWindowLocked(child)->id == id)
      return child;
  }
  return nullptr;
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
  HWND item = GetDlgItem(dialog, id);
  if (!item) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return SetWindowTextW(item, text);
}

UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int buffer_size) {
  HWND item = GetDlgItem(dialog, id);
  if (!item) {
    if (buffer && buffer_size > 0)
      buffer[0] = 0;
    return 0;
  }
  return static_cast<UINT>(GetWindowTextW(item, buffer, buffer_size));
}

LRESULT SendDlgItemMessageW(HWND dialog,
                            int id,
                            UINT message,
                            WPARAM wparam,
                            LPARAM lparam) {
  HWND item = GetDlgItem(dialog, id);
  return item ? SendMessageW(item, message, wparam, lparam) : 0;
}
