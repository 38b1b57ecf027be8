// The installation steps that follow the package transfer, on the worker
// thread: verify the digest, stage the package beside the installation
// while waiting for the host to exit, commit it and start the host again.
// Reports to its owner through an InstallationDelegate.
#ifndef ENGINE_INSTALLATION_H_
#define ENGINE_INSTALLATION_H_

#include <stdint.h>

#include <string>

#include "app/http_transfer.h"
#include "app/update_info.h"
#include "base/file_path.h"
#include "engine/file_operations.h"
#include "engine/installation_delegate.h"
#include "engine/package_file.h"

class StagedUpdate;

class Installation {
 public:
  // |owner| is not owned and outlives the installation. |offer| is the
  // accepted manifest; |install_dir| is where the package is extracted and
  // the host lives; |host_exe| and |launch_args| name the host and how it is
  // started again.
  Installation(InstallationDelegate* owner,
               const UpdateInfo& offer,
               const base::FilePath& install_dir,
               const std::u16string& host_exe,
               const std::u16string& launch_args);

  InstallationDelegate* owner() const { return owner_; }
  const UpdateInfo& offer() const { return offer_; }
  const base::FilePath& install_dir() const { return install_dir_; }

  // Whether the installation can take an update: checked before the
  // package is fetched. The reason it cannot goes to the log.
  bool CanInstall();

  // The most bytes the package may have: its size, where the offer names
  // one.
  uint64_t PackageLimit() const;

  // The rest of the sequence once the transfer into |package_path| has
  // ended; |package| holds the digests and the length of
  // what was written. Ends by asking the owner to close.
  void OnDownloadComplete(bool failed,
                          const base::FilePath& package_path,
                          const PackageDigests& package);
  // Whether the package matches the offer: its MD5 digest, and its SHA-256
  // digest and length where the offer names them.
  bool CheckPackageMD5(const PackageDigests& package);
  // Returns once no process of the host's name runs, asking the user to
  // close the host every round.
  void WaitForHostExit();
  // Stages the package while waiting for the host to exit, then commits
  // it and starts the host again. A package refused, not staged or not
  // committed changes nothing and is told to the user (when allowed).
  void InstallPackage(const base::FilePath& package_path);
  // Starts the host from the installation directory with the launch
  // arguments, without waiting for it.
  bool LaunchHost();

 private:
  // For a signed offer: whether the host that the staged |update| installs,
  // if it holds one, is of the offered version; |error| says why not.
  bool StagedHostIsOffered(const StagedUpdate& update,
                           std::string* error) const;

  InstallationDelegate* const owner_;
  const UpdateInfo offer_;
  const base::FilePath install_dir_;
  const std::u16string host_exe_;
  const std::u16string launch_args_;
  FileOperations file_operations_;
};

#endif  // ENGINE_INSTALLATION_H_
