// The screen of the desktop: its size, the work area of its one monitor and
// the cursor position. Process-wide; the test desktop changes them, any
// thread may read them.
#ifndef PORT_SCREEN_H_
#define PORT_SCREEN_H_

#include <windows.h>

namespace port {

RECT ScreenBounds();
RECT WorkArea();
void SetScreen(const RECT& bounds, const RECT& work_area);
POINT CursorPosition();
void SetCursorPosition(POINT point);
// Milliseconds since an arbitrary start, for MSG::time.
DWORD MessageTime();

}  // namespace port

#endif  // PORT_SCREEN_H_
