#include "engine/update_thread.h"

#include "base/bind.h"
#include "base/file_util.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/message_loop.h"
#include "engine/installation.h"
#include "engine/package_download.h"
#include "engine/package_file.h"

UpdateThread* g_pUpdateThread = nullptr;

UpdateThread::UpdateThread(Installation* installation, const std::string& file_url)
    : base::Thread("UpdateThread"), file_url_(file_url), installation_(installation) {}

UpdateThread::~UpdateThread() {
  Stop();
}

void UpdateThread::Init() {
  // The task does not own the worker, which outlives its own loop.
  base::MessageLoop::current()->PostTask(
      FROM_HERE_WITH_FUNCTION("UpdateThread::Init"),
      base::Bind(&UpdateThread::DoUpdate, this));
}

void UpdateThread::DoUpdate() {
  // Every way this can end is told: the host and the user must not wait
  // for an update that never comes.
  if (file_url_.empty()) {
    LOG(ERROR) << "The manifest names no package";
    installation_->OnDownloadComplete(true, base::FilePath(), PackageDigests());
    return;
  }
  // An installation that cannot be written is found before the package is
  // fetched, and the update ends as a failed transfer.
  if (!installation_->CanInstall()) {
    installation_->OnDownloadComplete(true, base::FilePath(), PackageDigests());
    return;
  }
  // The package goes nowhere else: without a private directory there is no
  // transfer.
  if (!temp_dir_.Create()) {
    LOG(ERROR) << "Cannot create a private temporary directory for the package";
    installation_->OnDownloadComplete(true, base::FilePath(), PackageDigests());
    return;
  }
  package_path_ = temp_dir_.path().Append(kPackageFileName);
  if (base::PathPresent(package_path_))
    base::DeletePath(package_path_, false);
  DownloadPackage();
}

void UpdateThread::DownloadPackage() {
  PackageFile file(package_path_, installation_->PackageLimit());
  PackageDownload download(file_url_, &file, ResumeState(), installation_->owner());
  const bool completed = download.Run() == PackageDownload::Result::kCompleted;
  const bool written = file.Close();
  installation_->OnDownloadComplete(!completed || !written, package_path_, file.Finish());
}
