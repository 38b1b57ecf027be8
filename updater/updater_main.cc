// The updater's entry point: the update check on the main thread, before any
// window exists, then the update dialog when a newer version is offered.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <curl/curl.h>

#include "app/host_messages.h"
#include "app/installed_version.h"
#include "app/manifest.h"
#include "app/parse_command_line.h"
#include "app/single_instance_guard.h"
#include "app/startup_state.h"
#include "app/trusted_keys.h"
#include "app/version_check.h"
#include "base/at_exit.h"
#include "base/directory_lock.h"
#include "base/file_path.h"
#include "base/file_util.h"
#include "base/logging.h"
#include "base/utc_time.h"
#include "base/win/wide_text.h"
#include "engine/file_operations.h"
#include "engine/installation_dir.h"
#include "engine/partial_package.h"
#include "engine/recovery.h"
#include "ui/app_module.h"
#include "ui/update_dialog.h"

SingleInstanceGuard g_singleInstance;

namespace {

// An update that died part-way is undone or finished before the installed
// version is read, so that the check sees one whole version.
InstallationState RecoverEarlierUpdates(const base::FilePath& install_dir,
                                        const base::FilePath& temp_dir) {
  FileOperations operations;
  return RecoverInstallation(install_dir, temp_dir, &operations);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance,
                    HINSTANCE,
                    LPWSTR command_line,
                    int show_command) {
  CoInitialize(nullptr);
  DefWindowProcW(nullptr, 0, 0, 0);
  INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX),
                                   ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  _Module.Init(nullptr, instance);

  base::AtExitManager exit_manager;
  ParseCommandLine();
  if (g_singleInstance.anotherInstanceRunning())
    return 0;
  // The single-instance mutex is one user's, or one session's: the lock
  // keeps every other updater on the machine away from this installation
  // while this one may work on it. An installation that cannot be written
  // has no lock, and nothing to recover.
  const base::FilePath install_dir = InstallationDirectory();
  base::DirectoryLock installation_lock;
  if (installation_lock.Acquire(install_dir) ==
      base::DirectoryLock::Result::kHeldElsewhere) {
    LOG(INFO) << "Another updater is working on the installation "
              << install_dir.value() << "; this one leaves it alone";
    return 0;
  }
  base::FilePath temp_dir;
  base::GetSystemTempDir(&temp_dir);
  const InstallationState state =
      installation_lock.held() ? RecoverEarlierUpdates(install_dir, temp_dir)
                               : InstallationState::kWhole;
  RemoveOldPartialPackages(temp_dir, base::UtcNowSeconds());
  if (g_manifestUrl.empty())
    return 0;
  // A version read from a part-replaced installation would be a guess.
  if (state == InstallationState::kInDoubt) {
    NotifyHost(WM_HOST_UPDATE_FAILED);
    return 0;
  }

  GetInstalledVersion(g_hostExeName);
  curl_global_init(CURL_GLOBAL_ALL);
  if (!CheckManifest(g_manifestUrl, TrustedKeys())) {
    NotifyHost(WM_HOST_UPDATE_FAILED);
    return 0;
  }
  if (!IsNewerVersion(g_updateInfo.version, g_installedVersion)) {
    DiscardPartialPackagesNotOffered(temp_dir, install_dir, nullptr);
    NotifyHost(WM_HOST_UP_TO_DATE);
    return 0;
  }
  // A partial download is kept only for the package still offered.
  DiscardPartialPackagesNotOffered(temp_dir, install_dir, &g_updateInfo);

  NotifyHost(WM_HOST_UPDATE_AVAILABLE);
  int result = RunUpdateDialog(AsChar16(command_line), show_command);
  _Module.Term();
  CoUninitialize();
  curl_global_cleanup();
  return result;
}
