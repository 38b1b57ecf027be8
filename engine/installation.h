// The installation steps that follow the package transfer, on the worker
// thread: verify the digest, wait for the host to exit, extract over the
// installation and start the host again. Reports to its owner through an
// InstallationDelegate.
#ifndef ENGINE_INSTALLATION_H_
#define ENGINE_INSTALLATION_H_

#include <string>

#include "base/file_path.h"
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

  // The rest of the sequence once the transfer into |package_path| (ANSI
  // code page) has ended; ends by asking the owner to close.
  void OnDownloadComplete(bool failed, const std::string& package_path);
  // Whether the package's digest matches |expected|.
  bool CheckPackageMD5(const std::string& package_path, const std::string& expected);
  // Returns once no process of the host's name runs, asking the user to
  // close the host every round.
  void WaitForHostExit();
  // Extracts the package over the installation directory; all or nothing.
  bool UnzipPackage(const std::string& package_path);
  // Starts the host from the installation directory with the launch
  // arguments, without waiting for it.
  bool LaunchHost();

 private:
  InstallationDelegate* const owner_;
  const std::string md5_;
  const base::FilePath install_dir_;
  const std::u16string host_exe_;
  const std::u16string launch_args_;
};

#endif  // ENGINE_INSTALLATION_H_
