// The procedures of the controls and of the dialog window class that port/
// provides. They run on the thread of the window they serve.
#ifndef PORT_CONTROLS_H_
#define PORT_CONTROLS_H_

#include <windows.h>

namespace port {

LRESULT CALLBACK ProgressBarProcedure(HWND window,
                                      UINT message,
                                      WPARAM wparam,
                                      LPARAM lparam);
LRESULT CALLBACK StaticProcedure(HWND window,
                                 UINT message,
                                 WPARAM wparam,
                                 LPARAM lparam);
LRESULT CALLBACK ButtonProcedure(HWND window,
                                 UINT message,
                                 WPARAM wparam,
                                 LPARAM lparam);
LRESULT CALLBACK DialogProcedure(HWND window,
                                 UINT message,
                                 WPARAM wparam,
                                 LPARAM lparam);

}  // namespace port

#endif  // PORT_CONTROLS_H_
