// The update progress dialog: created hidden on the main thread when an
// update is offered, it owns the tray icon and the worker that installs the
// update, and ends the UI loop when it closes. Its window procedure runs on
// the main thread; the installation and the delegate calls run on the
// worker and reach the dialog's windows only through cross-thread calls.
#ifndef UI_MAIN_DLG_H_
#define UI_MAIN_DLG_H_

#include <windows.h>

#include <atomic>
#include <string>

#include "app/update_info.h"
#include "engine/installation.h"
#include "engine/installation_delegate.h"
#include "ui/dialog_impl.h"
#include "ui/message_loop_ui.h"
#include "ui/resource.h"
#include "ui/tray_notify_icon.h"
#include "ui/update_ui.h"

// Owns one icon handle.
class ScopedIcon {
 public:
  ScopedIcon() = default;
  ~ScopedIcon() {
    if (icon_)
      DestroyIcon(icon_);
  }
  ScopedIcon(const ScopedIcon&) = delete;
  ScopedIcon& operator=(const ScopedIcon&) = delete;
  void reset(HICON icon) {
    if (icon_)
      DestroyIcon(icon_);
    icon_ = icon;
  }
  HICON get() const { return icon_; }

 private:
  HICON icon_ = nullptr;
};

// The steps of the installation are not the dialog's own: the worker
// (UpdateThread, engine/update_thread.h) downloads the package, and
// Installation (engine/installation.h) checks its digests, waits for the
// host to exit, stages and commits the package and starts the host again,
// reporting to the dialog through InstallationDelegate.
class CMainDlg : public CDialogImpl<CMainDlg>,
                 public CUpdateUI<CMainDlg>,
                 public CMessageFilter,
                 public CIdleHandler,
                 public InstallationDelegate {
 public:
  enum { IDD = IDD_MAINDLG };

  // Copies its arguments and creates the worker when none exists yet.
  CMainDlg(const UpdateInfo& manifest,
           const std::u16string& host_exe,
           const std::u16string& launch_args);
  // Stops and joins the worker, then removes the tray icon.
  ~CMainDlg() override;

  BOOL PreTranslateMessage(MSG* msg) override;
  BOOL OnIdle() override;
  BOOL ProcessWindowMessage(HWND window,
                            UINT message,
                            WPARAM wparam,
                            LPARAM lparam,
                            LRESULT& result) override;

  bool trayIconAdded() const { return m_trayIconAdded; }

  // InstallationDelegate, on the worker thread: each event in the words
  // the user reads, in the status line or in a message box owned by the
  // dialog, which the calling thread waits for.
  void OnInstallationEvent(InstallationEvent event) override;
  void SetProgressPosition(uint32_t position) override;
  void RequestClose() override;

  const UpdateInfo m_manifest;
  // The progress bar while the dialog is open. Written on the main thread,
  // read by the worker's progress reports without a lock.
  std::atomic<HWND> m_hProgress{nullptr};
  const std::u16string m_hostExe;
  const std::u16string m_launchArgs;

 private:
  LRESULT OnInitDialog();
  // A message box with the update caption, owned by the dialog; returns
  // when it is answered.
  void ShowMessage(const char16_t* text);
  void OnTrayIcon(WPARAM wparam, LPARAM lparam);
  void OnOkCancel(WORD id);

  // The dialog's handle as the worker uses it: set before the worker starts
  // and never changed, so the worker reads it without a lock. Calls on it
  // fail harmlessly once the window is gone.
  HWND m_workerTarget = nullptr;
  Installation m_installation;
  bool m_trayIconAdded = false;
  ScopedIcon m_bigIcon;
  ScopedIcon m_smallIcon;
  CTrayNotifyIcon m_trayIcon;
};

#endif  // UI_MAIN_DLG_H_
