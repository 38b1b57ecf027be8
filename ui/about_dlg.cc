#include "ui/about_dlg.h"

#include "ui/resource.h"
#include "ui/window_base.h"

namespace {

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) {
    CenterWindowOnWorkArea(dialog);
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wparam) >= IDOK &&
      LOWORD(wparam) <= IDNO) {
    EndDialog(dialog, LOWORD(wparam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

INT_PTR ShowAboutBox(HWND owner) {
  return DialogBoxParamW(GetModuleHandleW(nullptr),
                         MAKEINTRESOURCEW(IDD_ABOUTBOX), owner, AboutProc, 0);
}
