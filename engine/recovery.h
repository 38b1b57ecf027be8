// Recovery at start: an updater that died part-way (killed, crashed, the
// machine off) leaves the installation to the next start, which brings it
// to one whole version and removes what earlier runs left behind. Runs on
// the main thread before the update check, only in the process that holds
// the installation's lock. Logs what it does.
#ifndef ENGINE_RECOVERY_H_
#define ENGINE_RECOVERY_H_

#include "base/file_path.h"
#include "engine/file_operations.h"

// What the installation is after recovery.
enum class InstallationState {
  // One whole version: its version can be read and updates installed.
  kWhole,
  // A damaged journal, backups without a journal, or a commit that could
  // not be undone: the installation may be part old, part new. Nothing of
  // it was removed, its version cannot be trusted, and no update may be
  // committed until it is repaired.
  kInDoubt,
};

// Undoes an incomplete commit found journaled in |install_dir|, or finishes
// the clean-up of a complete or undone one. Then, when no journal remains,
// removes staging directories and empty backup directories left in
// |install_dir|, and the updaters' private directories in |temp_dir| whose
// process no longer runs. Backups are removed only as a whole journal says.
// |operations| is not owned.
InstallationState RecoverInstallation(const base::FilePath& install_dir,
                                      const base::FilePath& temp_dir,
                                      FileOperations* operations);

#endif  // ENGINE_RECOVERY_H_
