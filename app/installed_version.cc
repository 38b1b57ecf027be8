#include "app/installed_version.h"

#include <memory>

#include "app/startup_state.h"
#include "base/base_paths.h"
#include "base/file_path.h"
#include "base/file_version_info.h"
#include "base/path_service.h"
#include "base/string_util.h"
#include "base/sys_string_conversions.h"

std::string DottedFileVersion(const base::FilePath& file) {
  std::unique_ptr<base::FileVersionInfo> info(
      base::FileVersionInfo::ForFile(file));
  std::string version;
  if (info)
    base::ReplaceCharacters(base::WideToAnsi(info->FileVersion()), ",", ".",
                            &version);
  return version;
}

void GetInstalledVersion(const std::u16string& host_exe_name) {
  // Without the executable's directory the host is looked up relative to
  // the current directory.
  base::FilePath directory;
  base::PathService::Get(base::DIR_EXECUTABLE, &directory);
  g_installedVersion = DottedFileVersion(directory.Append(host_exe_name));
}
