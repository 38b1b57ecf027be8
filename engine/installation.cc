// The installation steps of the dialog that run on the worker thread, once
// the package transfer has ended: verify, wait for the host to exit,
// extract over the installation and start the host again.
#include <windows.h>

#include "app/host_messages.h"
#include "app/http_transfer.h"
#include "app/startup_state.h"
#include "base/base_paths.h"
#include "base/file_path.h"
#include "base/logging.h"
#include "base/md5.h"
#include "base/path_service.h"
#include "base/process_util.h"
#include "base/sys_string_conversions.h"
#include "base/time.h"
#include "ui/main_dlg.h"
#include "zip/zip_extract.h"

namespace {

constexpr int64_t kHostWaitRoundMs = 3000;

base::FilePath ExecutableDirectory() {
  // On failure the directory stays empty: paths are then relative to the
  // current directory.
  base::FilePath directory;
  base::PathService::Get(base::DIR_EXECUTABLE, &directory);
  return directory;
}

}  // namespace

void CMainDlg::ShowMessage(const char16_t* text) {
  MessageBoxA(m_workerTarget, base::WideToAnsi(text).c_str(),
              base::WideToAnsi(u"更新提示").c_str(), MB_OK);
}

void CMainDlg::OnDownloadComplete(bool failed, const std::string& package_path) {
  if (failed) {
    NotifyHost(WM_HOST_UPDATE_FAILED);
    if (!g_bCancelDownload && g_notify)
      ShowMessage(u"更新时发生未知错误");
  } else if (!CheckPackageMD5(package_path, m_manifest.md5)) {
    NotifyHost(WM_HOST_UPDATE_FAILED);
    if (g_notify) {
      ShowMessage(u"文件MD5校验失败，更新操作被终止!");
      LOG(ERROR) << "文件MD5校验失败";
    }
  } else {
    NotifyHost(WM_HOST_UPDATE_VERIFIED);
    WaitForHostExit();
    UnzipPackage(package_path);
    LaunchHost();
  }
  SendMessageW(m_workerTarget, WM_CLOSE, 0, 0);
}

bool CMainDlg::CheckPackageMD5(const std::string& package_path,
                               const std::string& expected) {
  SetDlgItemTextW(m_workerTarget, IDC_STATUS, u"正在校验文件的MD5....");
  std::string digest;
  if (!base::ComputeFileMD5(base::FilePath(base::AnsiToWide(package_path)), &digest))
    return false;
  return base::MD5DigestMatches(digest, expected);
}

void CMainDlg::WaitForHostExit() {
  // Asked whatever the notify setting: the update cannot go on while the
  // host runs.
  base::WaitForProcessesToExit(m_hostExe, base::TimeDelta::FromMilliseconds(kHostWaitRoundMs),
                               [this] { ShowMessage(u"Mirovue依旧在运行请手动关闭后更新"); });
}

bool CMainDlg::UnzipPackage(const std::string& package_path) {
  return zip::ExtractArchive(base::FilePath(base::AnsiToWide(package_path)),
                             ExecutableDirectory());
}

bool CMainDlg::LaunchHost() {
  base::FilePath host = ExecutableDirectory().Append(m_hostExe);
  return base::StartProcess(base::BuildLaunchCommandLine(host, m_launchArgs),
                            base::ProcessLaunchOptions(), nullptr);
}
