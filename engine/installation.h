// The installation steps that follow the package transfer, on the worker
// thread: verify the digest, stage the package beside the installation
// while waiting for the host to exit, commit it and start the host again.
// Reports to its owner through an InstallationDelegate.
#ifndef ENGINE_INSTALLATION_H_
#define ENGINE_INSTALLATION_H_

#include <string>

#include "base/file_path.h"
#include "engine/file_operations.h"
#include "engine/installation_delegate.h"

class Installation {
 public:
  // |owner| is not owned and outlives the installation. |md5| is the
  // manifest's digest of the package; |install_dir| is where the package is
  // extracted and the host lives; |host_exe| and |launch_args| name the host
  // and how it is started again.
  Installation(InstallationDelegate* owner, const std::string& md5,
               const base::FilePath& install_dir, const std::u16string& host_exe,
               const std::u16string& launch_args);

  InstallationDelegate* owner() const { return owner_; }

  // Whether the installation can take an update: checked before the
  // package is fetched. The reason it cannot goes to the log.
  bool CanInstall();

  // The rest of the sequence once the transfer into |package_path| (ANSI
  // code page) has ended; |package_digest| is the digest of what was
  // written, empty when no file was. Ends by asking the owner to close.
  void OnDownloadComplete(bool failed, const std::string& package_path,
                          const std::string& package_digest);
  // Whether the package's digest matches |expected|.
  bool CheckPackageMD5(const std::string& package_digest, const std::string& expected);
  // Returns once no process of the host's name runs, asking the user to
  // close the host every round.
  void WaitForHostExit();
  // Stages the package while waiting for the host to exit, then commits
  // it and starts the host again. A package refused, not staged or not
  // committed changes nothing and is told to the user (when allowed).
  void InstallPackage(const std::string& package_path);
  // Starts the host from the installation directory with the launch
  // arguments, without waiting for it.
  bool LaunchHost();

 private:
  InstallationDelegate* const owner_;
  const std::string md5_;
  const base::FilePath install_dir_;
  const std::u16string host_exe_;
  const std::u16string launch_args_;
  FileOperations file_operations_;
};

#endif  // ENGINE_INSTALLATION_H_
