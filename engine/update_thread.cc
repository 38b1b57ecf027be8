#include "engine/update_thread.h"

#include "app/http_transfer.h"
#include "base/bind.h"
#include "base/file_util.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/message_loop.h"
#include "engine/installation.h"

UpdateThread* g_pUpdateThread = nullptr;

namespace {

// Moves the owner's progress bar.
int OnDownloadProgress(void* installation_data, int64_t total_to_download,
                       int64_t downloaded_now, int64_t, int64_t) {
  static_cast<Installation*>(installation_data)
      ->owner()
      ->SetProgressPosition(DownloadProgressPosition(
          static_cast<double>(total_to_download), static_cast<double>(downloaded_now)));
  return 0;
}

}  // namespace

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
  if (file_url_.empty())
    return;
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
  package_path_ = temp_dir_.path().Append(u"download.bak");
  if (base::PathPresent(package_path_))
    base::DeletePath(package_path_, false);
  DownloadPackage();
}

void UpdateThread::DownloadPackage() {
  PackageSink sink(package_path_, installation_->PackageLimit());
  PackageTransferResult result =
      TransferPackage(file_url_, &sink, OnDownloadProgress, installation_);
  if (result == PackageTransferResult::kNoHandle)
    return;
  if (sink.not_creatable)
    LOG(ERROR) << "Cannot create the package file " << package_path_.value();
  installation_->OnDownloadComplete(result != PackageTransferResult::kCompleted, package_path_,
                                    FinishPackageDigests(&sink));
}
