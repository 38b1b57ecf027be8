#include "engine/installation_dir.h"

#include "base/base_paths.h"
#include "base/path_service.h"

base::FilePath InstallationDirectory() {
  base::FilePath install_dir;
  base::PathService::Get(base::DIR_EXECUTABLE, &install_dir);
  return install_dir.empty() ? base::FilePath(base::FilePath::kCurrentDirectory)
                             : install_dir;
}
