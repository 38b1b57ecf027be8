#include "engine/installation.h"

#include "app/host_messages.h"
#include "app/http_transfer.h"
#include "app/startup_state.h"
#include "base/file_path.h"
#include "base/logging.h"
#include "base/md5.h"
#include "base/process_util.h"
#include "base/sys_string_conversions.h"
#include "base/time.h"
#include "zip/zip_extract.h"

namespace {

constexpr int64_t kHostWaitRoundMs = 3000;

}  // namespace

Installation::Installation(InstallationDelegate* owner, const std::string& md5,
                           const base::FilePath& install_dir,
                           const std::u16string& host_exe,
                           const std::u16string& launch_args)
    : owner_(owner),
      md5_(md5),
      install_dir_(install_dir),
      host_exe_(host_exe),
      launch_args_(launch_args) {}

void Installation::OnDownloadComplete(bool failed, const std::string& package_path) {
  if (failed) {
    NotifyHost(WM_HOST_UPDATE_FAILED);
    if (!g_bCancelDownload && g_notify)
      owner_->ShowMessage(u"更新时发生未知错误");
  } else if (!CheckPackageMD5(package_path, md5_)) {
    NotifyHost(WM_HOST_UPDATE_FAILED);
    if (g_notify) {
      owner_->ShowMessage(u"文件MD5校验失败，更新操作被终止!");
      LOG(ERROR) << "文件MD5校验失败";
    }
  } else {
    NotifyHost(WM_HOST_UPDATE_VERIFIED);
    WaitForHostExit();
    UnzipPackage(package_path);
    LaunchHost();
  }
  owner_->RequestClose();
}

bool Installation::CheckPackageMD5(const std::string& package_path,
                                   const std::string& expected) {
  owner_->SetStatusText(u"正在校验文件的MD5....");
  std::string digest;
  if (!base::ComputeFileMD5(base::FilePath(base::AnsiToWide(package_path)), &digest))
    return false;
  return base::MD5DigestMatches(digest, expected);
}

void Installation::WaitForHostExit() {
  // Asked whatever the notify setting: the update cannot go on while the
  // host runs.
  base::WaitForProcessesToExit(
      host_exe_, base::TimeDelta::FromMilliseconds(kHostWaitRoundMs),
      [this] { owner_->ShowMessage(u"Mirovue依旧在运行请手动关闭后更新"); });
}

bool Installation::UnzipPackage(const std::string& package_path) {
  return zip::ExtractArchive(base::FilePath(base::AnsiToWide(package_path)),
                             install_dir_);
}

bool Installation::LaunchHost() {
  base::FilePath host = install_dir_.Append(host_exe_);
  return base::StartProcess(base::BuildLaunchCommandLine(host, launch_args_),
                            base::ProcessLaunchOptions(), nullptr);
}
