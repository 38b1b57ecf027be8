#include "base/directory_lock.h"

#include <utility>

namespace base {

DirectoryLock::DirectoryLock(DirectoryLock&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoHandle)) {}

DirectoryLock& DirectoryLock::operator=(DirectoryLock&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = std::exchange(other.handle_, kNoHandle);
  }
  return *this;
}

DirectoryLock::~DirectoryLock() {
  Release();
}

}  // namespace base
