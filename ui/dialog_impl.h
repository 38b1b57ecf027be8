// A modeless dialog bound to a window of the dialog manager, created from
// the dialog template T::IDD; messages reach T's message map.
#ifndef UI_DIALOG_IMPL_H_
#define UI_DIALOG_IMPL_H_

#include <windows.h>

#include "ui/window_base.h"

template <class T>
class CDialogImpl : public CWindowBase {
 public:
  // The dialog's initialisation runs inside this call.
  HWND Create(HWND parent, LPARAM init_param = 0) {
    m_initParam = init_param;
    return ::CreateDialogParamW(
        ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(T::IDD), parent,
        StartDialogProc, reinterpret_cast<LPARAM>(this));
  }

  BOOL DestroyWindow() { return ::DestroyWindow(m_hWnd); }

  virtual DLGPROC GetDialogProc() { return DialogProc; }

 protected:
  LPARAM m_initParam = 0;

 private:
  // The first message carries the object; later ones find it on the window.
  static INT_PTR CALLBACK StartDialogProc(HWND window,
                                          UINT message,
                                          WPARAM wparam,
                                          LPARAM lparam) {
    if (message == WM_INITDIALOG) {
      CDialogImpl* self = reinterpret_cast<CDialogImpl*>(lparam);
      self->m_hWnd = window;
      ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
      ::SetWindowLongPtrW(window, DWLP_DLGPROC,
                          reinterpret_cast<LONG_PTR>(self->GetDialogProc()));
      return DialogProc(window, message, wparam, self->m_initParam);
    }
    return FALSE;
  }

  static INT_PTR CALLBACK DialogProc(HWND window,
                                     UINT message,
                                     WPARAM wparam,
                                     LPARAM lparam) {
    CDialogImpl* self =
        reinterpret_cast<CDialogImpl*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (!self)
      return FALSE;
    LRESULT result = 0;
    BOOL handled =
        self->ProcessWindowMessage(window, message, wparam, lparam, result);
    if (message == WM_NCDESTROY) {
      self->m_hWnd = nullptr;
      self->OnFinalMessage(window);
      return FALSE;
    }
    if (!handled)
      return FALSE;
    if (message == WM_INITDIALOG)
      return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
  }
};

#endif  // UI_DIALOG_IMPL_H_
