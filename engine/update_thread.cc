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

UpdateThread::UpdateThread(Installation* installation,
                           const std::string& file_url)
    : base::Thread("UpdateThread"),
      file_url_(file_url),
      installation_(installation) {}

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
  base::FilePath temp_dir;
  if (!base::GetSystemTempDir(&temp_dir) ||
      !partial_.TakeUp(temp_dir, installation_->install_dir(), file_url_,
                       installation_->offer().md5)) {
    installation_->OnDownloadComplete(true, base::FilePath(), PackageDigests());
    return;
  }
  DownloadPackage();
}

void UpdateThread::DownloadPackage() {
  PackageFile file(partial_.package_path(), installation_->PackageLimit());
  ResumeState resume = partial_.resume();
  if (!file.TakeUpExisting() || file.length() == 0)
    resume = ResumeState();
  PackageDownload download(
      file_url_, &file, resume, installation_->owner(),
      [this](const ResumeState& state) { partial_.Remember(state); });
  const bool completed = download.Run() == PackageDownload::Result::kCompleted;
  const bool written = file.Close();
  const bool whole = completed && written;
  installation_->OnDownloadComplete(!whole, file.path(), file.Finish());
  if (whole)
    partial_.Remove();
}
