// The notification area of the desktop: the icons that Shell_NotifyIconW
// put there, keyed by owner window and icon id. Process-wide, guarded by its
// own lock; any thread.
#ifndef PORT_NOTIFICATION_AREA_H_
#define PORT_NOTIFICATION_AREA_H_

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace port {

struct NotifyIcon {
  HWND owner = nullptr;
  UINT id = 0;
  UINT callback_message = 0;
  HICON icon = nullptr;
  std::u16string tip;
  bool hidden = false;
  UINT version = 0;       // from NIM_SETVERSION, 0 when never set
  DWORD record_size = 0;  // cbSize of the record that added it
};

std::vector<NotifyIcon> NotifyIconsNow();
bool FindNotifyIcon(HWND owner, UINT id, NotifyIcon* icon);
// Every icon is gone, as when the shell restarts.
void ClearNotifyIcons();

}  // namespace port

#endif  // PORT_NOTIFICATION_AREA_H_
