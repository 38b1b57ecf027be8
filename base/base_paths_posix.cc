// Linux answers for the platform keys: the executable from /proc/self/exe
// (which also holds this code, as the program is linked statically), the
// temporary directory from $TMPDIR. Windows shell folders have no meaning
// here and are not handled.
#include "base/base_paths.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "base/file_path.h"
#include "base/path_service.h"

namespace base {

namespace {

bool ReadExecutablePath(FilePath* result) {
  std::vector<char> buffer(PATH_MAX);
  ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
  // A result that fills the buffer may have been cut short.
  if (length <= 0 || static_cast<size_t>(length) >= buffer.size())
    return false;
  *result = FilePath::FromSystemPath(std::string(buffer.data(), length));
  return true;
}

}  // namespace

bool PathProviderPlatform(int key, FilePath* result) {
  switch (key) {
    case FILE_EXECUTABLE:
    case FILE_THIS_MODULE:
      return ReadExecutablePath(result);
    case DIR_EXECUTABLE_GRANDPARENT: {
      FilePath directory;
      if (!PathService::Get(DIR_EXECUTABLE, &directory))
        return false;
      *result = directory.DirName().DirName();
      return true;
    }
    default:
      return false;
  }
}

bool ReadCurrentDirectory(FilePath* result) {
  std::vector<char> buffer(PATH_MAX);
  if (!getcwd(buffer.data(), buffer.size()))
    return false;
  *result = FilePath::FromSystemPath(buffer.data()).StripTrailingSeparators();
  return true;
}

bool ReadTemporaryDirectory(FilePath* result) {
  const char* variable = getenv("TMPDIR");
  std::string directory = variable && *variable ? variable : "/tmp";
  *result = FilePath::FromSystemPath(directory).StripTrailingSeparators();
  return true;
}

}  // namespace base
