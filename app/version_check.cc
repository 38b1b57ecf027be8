#include "app/version_check.h"

#include "base/version.h"

bool IsNewerVersion(const std::string& offered, const std::string& installed) {
  if (installed.empty())
    return true;
  base::Version installed_version(installed);
  return installed_version.IsOlder(offered);
}
