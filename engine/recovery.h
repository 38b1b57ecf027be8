// Recovery at start: an updater that died part-way (killed, crashed, the
// machine off) leaves the installation to the next start, which brings it
// to one whole version and removes what earlier runs left behind. Runs on
// the main thread before the update check, only in the process that holds
// the single-instance mutex. Logs what it does.
#ifndef ENGINE_RECOVERY_H_
#define ENGINE_RECOVERY_H_

#include "base/file_path.h"
#include "engine/file_operations.h"

// Undoes an incomplete commit found journaled in |install_dir|, or finishes
// the clean-up of a complete one. Then, when no journal remains, removes
// staging and backup directories left in |install_dir| (with the previous
// copy of the updater's own executable, which a commit moves to a backup),
// and the updaters' private directories in |temp_dir| whose process no
// longer runs. |operations| is not owned.
void RecoverInstallation(const base::FilePath& install_dir, const base::FilePath& temp_dir,
                         FileOperations* operations);

#endif  // ENGINE_RECOVERY_H_
