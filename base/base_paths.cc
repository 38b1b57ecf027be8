// The generic provider: what follows from other keys or needs one call.
#include "base/base_paths.h"

#include "base/file_path.h"
#include "base/path_service.h"

namespace base {

namespace {

bool GetParentOf(int key, FilePath* result) {
  FilePath path;
  if (!PathService::Get(key, &path))
    return false;
  *result = path.DirName();
  return true;
}

}  // namespace

bool PathProvider(int key, FilePath* result) {
  switch (key) {
    case DIR_EXECUTABLE:
      return GetParentOf(FILE_EXECUTABLE, result);
    case DIR_THIS_MODULE:
      return GetParentOf(FILE_THIS_MODULE, result);
    case DIR_TEMPORARY:
      return ReadTemporaryDirectory(result);
    default:
      return false;
  }
}

}  // namespace base
