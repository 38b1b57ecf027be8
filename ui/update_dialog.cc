#include "ui/update_dialog.h"

#include <memory>

#include "app/startup_state.h"
#include "ui/app_module.h"
#include "ui/main_dlg.h"
#include "ui/message_loop_ui.h"

int RunUpdateDialog(const char16_t*, int) {
  CMessageLoop loop;
  _Module.AddMessageLoop(&loop);

  auto dialog =
      std::make_unique<CMainDlg>(g_updateInfo, g_hostExeName, g_launchArgs);
  if (!dialog->Create(nullptr)) {
    _Module.RemoveMessageLoop();
    return 0;
  }
  // Without its tray icon the dialog could never be shown or closed, and no
  // worker runs: end as if the dialog could not be created.
  if (!dialog->trayIconAdded()) {
    dialog->DestroyWindow();
    _Module.RemoveMessageLoop();
    return 0;
  }
  dialog->ShowWindow(SW_HIDE);

  int result = loop.Run();
  _Module.RemoveMessageLoop();
  dialog.reset();
  return result;
}
