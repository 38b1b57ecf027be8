// Where the installation is: the directory of the updater's own executable,
// beside which the host lives. Any thread.
#ifndef ENGINE_INSTALLATION_DIR_H_
#define ENGINE_INSTALLATION_DIR_H_

#include "base/file_path.h"

// The installation directory; the current directory (".") when the
// executable's directory cannot be determined, as relative paths would
// have it.
base::FilePath InstallationDirectory();

#endif  // ENGINE_INSTALLATION_DIR_H_
