// A plain window of a class registered on first use (T's class name and
// styles), whose messages reach T's message map; unhandled ones get the
// default window processing.
#ifndef UI_WINDOW_IMPL_H_
#define UI_WINDOW_IMPL_H_

#include <windows.h>

#include "base/win/wide_text.h"
#include "ui/window_base.h"

template <class T>
class CWindowImpl : public CWindowBase {
 public:
  HWND Create(HWND parent,
              const char16_t* title,
              DWORD style,
              DWORD ex_style = 0) {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    if (!::GetClassInfoExW(instance, AsWCHAR(T::kClassName), &window_class)) {
      window_class.cbSize = sizeof(window_class);
      window_class.style = T::kClassStyle;
      window_class.lpfnWndProc = WindowProc;
      window_class.hInstance = instance;
      window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
      window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
      window_class.lpszClassName = AsWCHAR(T::kClassName);
      if (!::RegisterClassExW(&window_class))
        return nullptr;
    }
    return ::CreateWindowExW(ex_style, AsWCHAR(T::kClassName), AsWCHAR(title),
                             style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, parent, nullptr, instance, this);
  }

  virtual WNDPROC GetWindowProc() { return WindowProc; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window,
                                     UINT message,
                                     WPARAM wparam,
                                     LPARAM lparam) {
    if (message == WM_NCCREATE) {
      CREATESTRUCTW* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      CWindowImpl* self = static_cast<CWindowImpl*>(create->lpCreateParams);
      self->m_hWnd = window;
      ::SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(self));
    }
    CWindowImpl* self = reinterpret_cast<CWindowImpl*>(
        ::GetWindowLongPtrW(window, GWLP_USERDATA));
    LRESULT result = 0;
    if (self &&
        self->ProcessWindowMessage(window, message, wparam, lparam, result))
      return result;
    result = ::DefWindowProcW(window, message, wparam, lparam);
    if (self && message == WM_NCDESTROY) {
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      self->m_hWnd = nullptr;
      self->OnFinalMessage(window);
    }
    return result;
  }
};

#endif  // UI_WINDOW_IMPL_H_
