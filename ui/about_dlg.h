// The About box: a modal dialog from template 100 that closes on any of the
// standard command ids. Runs on the calling thread.
#ifndef UI_ABOUT_DLG_H_
#define UI_ABOUT_DLG_H_

#include <windows.h>

// Returns the command that closed the box, or -1 when it could not be shown.
INT_PTR ShowAboutBox(HWND owner);

#endif  // UI_ABOUT_DLG_H_
