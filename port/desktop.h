// The desktop the program's windows live on: who answers message boxes and
// popup menus, whether the notification area takes icons, what the shell
// shows of balloons, and which shell version it reports. The headless
// desktop serves unless a test installs its own; the installed desktop must
// outlive every call made while it is installed. Any thread.
#ifndef PORT_DESKTOP_H_
#define PORT_DESKTOP_H_

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "port/modal_prompt.h"

namespace port {

// A balloon the notification area was asked to show on one of its icons.
struct Balloon {
  HWND owner;
  UINT icon_id;
  std::u16string title;
  std::u16string text;
  DWORD info_flags;
  UINT timeout;
  UINT record_flags;   // uFlags of the record, NIF_INFO and maybe NIF_REALTIME
  HICON balloon_icon;  // hBalloonIcon of a full-size record, else null
};

// What DllGetVersion of the shell library reports.
struct ShellVersion {
  bool exported = true;  // "DllGetVersion" can be found
  bool succeeds = true;  // the call succeeds
  DWORD major = 6;
  DWORD minor = 1;
  DWORD build = 7601;
};

class Desktop {
 public:
  virtual ~Desktop() = default;

  // Whether the notification area takes a new icon (NIM_ADD).
  virtual bool AcceptsNotifyIcon(HWND owner, UINT icon_id) = 0;
  virtual void ShowBalloon(const Balloon& balloon) = 0;
  // A message box or popup menu has opened on the calling thread; the
  // desktop answers it now or later, from any thread.
  virtual void OpenPrompt(const std::shared_ptr<ModalPrompt>& prompt) = 0;
  virtual ShellVersion GetShellVersion() = 0;
};

Desktop& CurrentDesktop();
// Installs |desktop|; null puts the headless desktop back.
void InstallDesktop(Desktop* desktop);

}  // namespace port

#endif  // PORT_DESKTOP_H_
