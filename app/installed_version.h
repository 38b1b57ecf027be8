// Learns which version of the host is installed next to the updater.
// Main thread, during the update check.
#ifndef APP_INSTALLED_VERSION_H_
#define APP_INSTALLED_VERSION_H_

#include <string>

namespace base {
class FilePath;
}

// The FileVersion of the executable at |file|, ',' replaced by '.'; empty
// when the file or its version resource is missing.
std::string DottedFileVersion(const base::FilePath& file);

// Fills g_installedVersion with the FileVersion of |host_exe_name| in the
// updater's directory, ',' replaced by '.'; leaves it empty when the file or
// its version resource is missing.
void GetInstalledVersion(const std::u16string& host_exe_name);

#endif  // APP_INSTALLED_VERSION_H_
