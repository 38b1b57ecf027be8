#include "engine/installation.h"

#include <thread>

#include "app/host_messages.h"
#include "app/http_transfer.h"
#include "app/startup_state.h"
#include "base/file_path.h"
#include "base/logging.h"
#include "base/md5.h"
#include "base/process_util.h"
#include "base/sys_string_conversions.h"
#include "base/time.h"
#include "engine/staged_update.h"

namespace {

constexpr int64_t kHostWaitRoundMs = 3000;
constexpr char16_t kUnknownError[] = u"更新时发生未知错误";

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

bool Installation::CanInstall() {
  std::string error;
  if (StagedUpdate::CanStageIn(install_dir_, &error))
    return true;
  LOG(ERROR) << "The installation cannot take the update: " << error;
  return false;
}

void Installation::OnDownloadComplete(bool failed, const std::string& package_path,
                                      const std::string& package_digest) {
  if (failed) {
    NotifyHost(WM_HOST_UPDATE_FAILED);
    if (!g_bCancelDownload && g_notify)
      owner_->ShowMessage(kUnknownError);
  } else if (!CheckPackageMD5(package_digest, md5_)) {
    NotifyHost(WM_HOST_UPDATE_FAILED);
    if (g_notify) {
      owner_->ShowMessage(u"文件MD5校验失败，更新操作被终止!");
      LOG(ERROR) << "文件MD5校验失败";
    }
  } else {
    NotifyHost(WM_HOST_UPDATE_VERIFIED);
    InstallPackage(package_path);
  }
  owner_->RequestClose();
}

bool Installation::CheckPackageMD5(const std::string& package_digest,
                                   const std::string& expected) {
  owner_->SetStatusText(u"正在校验文件的MD5....");
  return !package_digest.empty() && base::MD5DigestMatches(package_digest, expected);
}

void Installation::WaitForHostExit() {
  // Asked whatever the notify setting: the update cannot go on while the
  // host runs.
  base::WaitForProcessesToExit(
      host_exe_, base::TimeDelta::FromMilliseconds(kHostWaitRoundMs),
      [this] { owner_->ShowMessage(u"Mirovue依旧在运行请手动关闭后更新"); });
}

void Installation::InstallPackage(const std::string& package_path) {
  // Once staging has filled the disk, the log could not be opened to say so.
  logging::OpenLogFile();
  StagedUpdate update(install_dir_, &file_operations_);
  const base::FilePath package(base::AnsiToWide(package_path));
  std::string staging_error;
  bool staged = false;
  // Staging writes nothing of the installation's own files, so it runs
  // while the host may still be running and the wait keeps its rhythm.
  // The host heard 1126: it must not wait for an update that never comes,
  // so a failure is posted the moment it is known, while the host may run.
  std::thread stager([&] {
    staged = update.Stage(package, &staging_error);
    if (!staged)
      NotifyHost(WM_HOST_UPDATE_FAILED);
  });
  WaitForHostExit();
  stager.join();

  std::string commit_error;
  const bool installed = staged && update.Commit(&commit_error);
  if (!installed) {
    if (!staged) {
      LOG(ERROR) << "Update package not staged: " << staging_error;
    } else {
      LOG(ERROR) << "Update not committed: " << commit_error;
      NotifyHost(WM_HOST_UPDATE_FAILED);
    }
    if (g_notify)
      owner_->ShowMessage(kUnknownError);
  }
  LaunchHost();
  if (installed)
    update.FinishCommit();
}

bool Installation::LaunchHost() {
  base::FilePath host = install_dir_.Append(host_exe_);
  return base::StartProcess(base::BuildLaunchCommandLine(host, launch_args_),
                            base::ProcessLaunchOptions(), nullptr);
}
