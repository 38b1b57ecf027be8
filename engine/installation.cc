#include "engine/installation.h"

#include <thread>

#include "app/host_messages.h"
#include "app/installed_version.h"
#include "app/manifest.h"
#include "base/file_path.h"
#include "base/logging.h"
#include "base/md5.h"
#include "base/process_util.h"
#include "base/string_util.h"
#include "base/sys_string_conversions.h"
#include "base/time.h"
#include "base/version.h"
#include "engine/staged_update.h"

namespace {

constexpr int64_t kHostWaitRoundMs = 3000;

}  // namespace

Installation::Installation(InstallationDelegate* owner,
                           const UpdateInfo& offer,
                           const base::FilePath& install_dir,
                           const std::u16string& host_exe,
                           const std::u16string& launch_args)
    : owner_(owner),
      offer_(offer),
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

uint64_t Installation::PackageLimit() const {
  uint64_t size = 0;
  return ParseManifestSize(offer_.size, &size) ? size : kNoPackageLimit;
}

void Installation::OnDownloadComplete(bool failed,
                                      const base::FilePath& package_path,
                                      const PackageDigests& package) {
  if (failed) {
    NotifyHost(WM_HOST_UPDATE_FAILED);
    owner_->OnInstallationEvent(InstallationEvent::kTransferFailed);
  } else if (!CheckPackageMD5(package)) {
    NotifyHost(WM_HOST_UPDATE_FAILED);
    owner_->OnInstallationEvent(InstallationEvent::kDigestMismatch);
  } else {
    NotifyHost(WM_HOST_UPDATE_VERIFIED);
    InstallPackage(package_path);
  }
  owner_->RequestClose();
}

bool Installation::CheckPackageMD5(const PackageDigests& package) {
  owner_->OnInstallationEvent(InstallationEvent::kVerifying);
  if (package.md5.empty() || !base::MD5DigestMatches(package.md5, offer_.md5))
    return false;
  if (!offer_.sha256.empty() && base::StringToLowerASCII(package.sha256) !=
                                    base::StringToLowerASCII(offer_.sha256)) {
    LOG(ERROR) << "The package's SHA-256 digest is not the manifest's";
    return false;
  }
  if (PackageLimit() != kNoPackageLimit && package.length != PackageLimit()) {
    LOG(ERROR) << "The package has " << package.length
               << " bytes, not the manifest's " << offer_.size;
    return false;
  }
  return true;
}

void Installation::WaitForHostExit() {
  base::WaitForProcessesToExit(
      host_exe_, base::TimeDelta::FromMilliseconds(kHostWaitRoundMs), [this] {
        owner_->OnInstallationEvent(InstallationEvent::kHostStillRunning);
      });
}

void Installation::InstallPackage(const base::FilePath& package) {
  // Once staging has filled the disk, the log could not be opened to say so.
  logging::OpenLogFile();
  StagedUpdate update(install_dir_, &file_operations_);
  std::string staging_error;
  bool staged = false;
  // Staging writes nothing of the installation's own files, so it runs
  // while the host may still be running and the wait keeps its rhythm.
  // The host heard 1126: it must not wait for an update that never comes,
  // so a failure is posted the moment it is known, while the host may run.
  std::thread stager([&] {
    staged = update.Stage(package, &staging_error) &&
             (!offer_.signed_by_trusted_key ||
              StagedHostIsOffered(update, &staging_error));
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
    owner_->OnInstallationEvent(InstallationEvent::kNotInstalled);
  }
  LaunchHost();
  if (installed)
    update.FinishCommit();
}

bool Installation::StagedHostIsOffered(const StagedUpdate& update,
                                       std::string* error) const {
  const base::FilePath host = update.StagedFile(base::FilePath(host_exe_));
  if (host.empty())
    return true;
  // A signed manifest cannot relabel an older signed package as a newer
  // version: the host it installs must be the version offered.
  const std::string version = DottedFileVersion(host);
  if (!base::Version(version).IsValid() ||
      base::Version(version).Compare(base::Version(offer_.version)) != 0) {
    *error = "the package's " + base::WideToAnsi(host_exe_) + " has version '" +
             version + "', not the offered " + offer_.version;
    return false;
  }
  return true;
}

bool Installation::LaunchHost() {
  base::FilePath host = install_dir_.Append(host_exe_);
  return base::StartProcess(base::BuildLaunchCommandLine(host, launch_args_),
                            base::ProcessLaunchOptions(), nullptr);
}
