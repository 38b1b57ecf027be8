#include "base/unique_temp_dir.h"

#include <utility>

#include "base/file_util.h"

namespace base {

UniqueTempDir::UniqueTempDir(UniqueTempDir&& other) noexcept
    : path_(std::exchange(other.path_, FilePath())) {}

UniqueTempDir& UniqueTempDir::operator=(UniqueTempDir&& other) noexcept {
  if (this != &other) {
    Delete();
    path_ = std::exchange(other.path_, FilePath());
  }
  return *this;
}

UniqueTempDir::~UniqueTempDir() {
  Delete();
}

bool UniqueTempDir::Create() {
  if (IsValid())
    return false;
  return MakeTempDirectory(u"scoped_dir", &path_);
}

void UniqueTempDir::Delete() {
  if (IsValid() && DeletePath(path_, true))
    path_ = FilePath();
}

}  // namespace base
