// The file utilities that need nothing of the system beyond the others.
#include "base/file_util.h"

namespace base {

bool MakeTempDirectory(const std::u16string& prefix, FilePath* new_dir) {
  FilePath temp_dir;
  if (!GetSystemTempDir(&temp_dir))
    return false;
  return CreateUniqueDirIn(temp_dir, prefix, new_dir);
}

}  // namespace base
