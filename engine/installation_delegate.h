// What the installation needs of the window that shows it. Every call comes
// from the worker thread and returns once the owner has done it; an owner
// whose window is gone does nothing.
#ifndef ENGINE_INSTALLATION_DELEGATE_H_
#define ENGINE_INSTALLATION_DELEGATE_H_

#include <stdint.h>

class InstallationDelegate {
 public:
  virtual ~InstallationDelegate() = default;

  // The status line under the progress bar.
  virtual void SetStatusText(const char16_t* text) = 0;
  // The progress bar's position, 0 to 100, while the bar exists.
  virtual void SetProgressPosition(uint32_t position) = 0;
  // A message box with the update caption; returns when it is answered.
  virtual void ShowMessage(const char16_t* text) = 0;
  // Asks the owner to close, which ends the program's UI loop.
  virtual void RequestClose() = 0;
};

#endif  // ENGINE_INSTALLATION_DELEGATE_H_
