// What the installation tells the window that shows it: what happened, never
// the words the user reads, which are the window's to choose. Every call
// comes from the worker thread and returns once the owner has done it (a
// question to the user, once it is answered); an owner whose window is gone
// does nothing.
#ifndef ENGINE_INSTALLATION_DELEGATE_H_
#define ENGINE_INSTALLATION_DELEGATE_H_

#include <stdint.h>

enum class InstallationEvent {
  // The package's digests are being checked.
  kVerifying,
  // The host still runs after a round of the wait: the user is to close it.
  kHostStillRunning,
  // The package could not be fetched (or its transfer was cancelled), or
  // the installation cannot take it.
  kTransferFailed,
  // The package is not the one the manifest offers.
  kDigestMismatch,
  // The package was refused, not staged, or not committed: nothing of it
  // is installed.
  kNotInstalled,
};

class InstallationDelegate {
 public:
  virtual ~InstallationDelegate() = default;

  virtual void OnInstallationEvent(InstallationEvent event) = 0;
  // The progress bar's position, 0 to 100, while the bar exists.
  virtual void SetProgressPosition(uint32_t position) = 0;
  // Asks the owner to close, which ends the program's UI loop.
  virtual void RequestClose() = 0;
};

#endif  // ENGINE_INSTALLATION_DELEGATE_H_
