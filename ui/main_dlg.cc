#include "ui/main_dlg.h"

#include <commctrl.h>

#include <string>

#include "app/http_transfer.h"
#include "app/startup_state.h"
#include "base/file_path.h"
#include "base/logging.h"
#include "base/sys_string_conversions.h"
#include "base/win/wide_text.h"
#include "engine/installation_dir.h"
#include "engine/update_thread.h"
#include "ui/about_dlg.h"

namespace {

// The balloon text is formatted into a buffer of this many bytes in the ANSI
// code page; a text that does not fit is left empty rather than cut.
constexpr size_t kBalloonBufferBytes = 260;
constexpr UINT kBalloonTimeoutMs = 3000;
constexpr char16_t kUnknownError[] = u"更新时发生未知错误";

std::u16string BalloonText(const std::string& version) {
  std::string text = base::WideToAnsi(u"发现新的版本:") + version +
                     base::WideToAnsi(u" 正在下载安装文件...");
  if (text.size() + 1 > kBalloonBufferBytes)
    return std::u16string();
  return base::AnsiToWide(text);
}

}  // namespace

CMainDlg::CMainDlg(const UpdateInfo& manifest,
                   const std::u16string& host_exe,
                   const std::u16string& launch_args)
    : m_manifest(manifest),
      m_hostExe(host_exe),
      m_launchArgs(launch_args),
      m_installation(this,
                     manifest,
                     InstallationDirectory(),
                     host_exe,
                     launch_args) {
  if (!g_pUpdateThread)
    g_pUpdateThread = new UpdateThread(&m_installation, m_manifest.file_url);
}

CMainDlg::~CMainDlg() {
  if (g_pUpdateThread) {
    delete g_pUpdateThread;
    g_pUpdateThread = nullptr;
  }
}

BOOL CMainDlg::PreTranslateMessage(MSG* msg) {
  return IsDialogMessageW(m_hWnd, msg);
}

BOOL CMainDlg::OnIdle() {
  return FALSE;
}

BOOL CMainDlg::ProcessWindowMessage(HWND,
                                    UINT message,
                                    WPARAM wparam,
                                    LPARAM lparam,
                                    LRESULT& result) {
  result = 0;
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == SC_MINIMIZE) {
        ShowWindow(SW_HIDE);
        return TRUE;
      }
      return FALSE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case ID_SHOW:
          ShowWindow(SW_SHOWNORMAL);
          return TRUE;
        case ID_APP_ABOUT:
          ShowAboutBox(GetActiveWindow());
          return TRUE;
        case IDOK:
        case IDCANCEL:
          OnOkCancel(LOWORD(wparam));
          return TRUE;
      }
      return FALSE;
    case WM_INITDIALOG:
      result = OnInitDialog();
      return TRUE;
    case WM_TRAYICON:
      OnTrayIcon(wparam, lparam);
      return TRUE;
  }
  return FALSE;
}

LRESULT CMainDlg::OnInitDialog() {
  CenterWindow();
  EnableMenuItem(GetSystemMenu(m_hWnd, FALSE), SC_CLOSE,
                 MF_BYCOMMAND | MF_GRAYED);

  HINSTANCE module = GetModuleHandleW(nullptr);
  m_bigIcon.reset(static_cast<HICON>(
      LoadImageW(module, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                 GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                 LR_DEFAULTCOLOR)));
  SetIcon(m_bigIcon.get(), TRUE);
  m_smallIcon.reset(static_cast<HICON>(
      LoadImageW(module, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                 LR_DEFAULTCOLOR)));
  SetIcon(m_smallIcon.get(), FALSE);

  m_trayIconAdded = m_trayIcon.AddIcon(this, IDR_TRAY_MENU, u"updater",
                                       m_bigIcon.get(), WM_TRAYICON, 0, true);
  if (!m_trayIconAdded) {
    LOG(ERROR) << "Failed to create tray icon \n";
    return FALSE;
  }

  m_trayIcon.ShowBalloon(BalloonText(m_manifest.version).c_str(), u"更新提示",
                         CTrayNotifyIcon::Info, kBalloonTimeoutMs);

  m_hProgress = GetDlgItem(IDC_PROGRESS);
  SendDlgItemMessageW(m_hWnd, IDC_PROGRESS, PBM_SETRANGE, 0,
                      MAKELPARAM(0, 100));

  m_workerTarget = m_hWnd;
  if (g_pUpdateThread)
    g_pUpdateThread->Start();
  return TRUE;
}

void CMainDlg::OnTrayIcon(WPARAM wparam, LPARAM lparam) {
  if (lparam == WM_LBUTTONDOWN)
    ShowWindow(IsWindowVisible() ? SW_HIDE : SW_SHOWNORMAL);
  m_trayIcon.HandleTrayMessage(wparam, lparam);
}

void CMainDlg::OnOkCancel(WORD id) {
  if (g_pUpdateThread)
    g_bCancelDownload = true;
  m_hProgress = nullptr;
  DestroyWindow();
  PostQuitMessage(id);
}

void CMainDlg::OnInstallationEvent(InstallationEvent event) {
  switch (event) {
    case InstallationEvent::kVerifying:
      SetDlgItemTextW(m_workerTarget, IDC_STATUS,
                      AsWCHAR(u"正在校验文件的MD5...."));
      return;
    case InstallationEvent::kHostStillRunning:
      // Asked whatever the notify setting: the update cannot go on while
      // the host runs.
      ShowMessage(u"Mirovue依旧在运行请手动关闭后更新");
      return;
    case InstallationEvent::kTransferFailed:
      // A transfer that the user cancelled needs no box to say so.
      if (g_notify && !g_bCancelDownload)
        ShowMessage(kUnknownError);
      return;
    case InstallationEvent::kDigestMismatch:
      if (g_notify) {
        ShowMessage(u"文件MD5校验失败，更新操作被终止!");
        LOG(ERROR) << "文件MD5校验失败";
      }
      return;
    case InstallationEvent::kNotInstalled:
      if (g_notify)
        ShowMessage(kUnknownError);
      return;
  }
}

void CMainDlg::SetProgressPosition(uint32_t position) {
  HWND progress = m_hProgress.load();
  if (progress)
    ::SendMessageW(progress, PBM_SETPOS, position, 0);
}

void CMainDlg::ShowMessage(const char16_t* text) {
  MessageBoxA(m_workerTarget, base::WideToAnsi(text).c_str(),
              base::WideToAnsi(u"更新提示").c_str(), MB_OK);
}

void CMainDlg::RequestClose() {
  ::SendMessageW(m_workerTarget, WM_CLOSE, 0, 0);
}
