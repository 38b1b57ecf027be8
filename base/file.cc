// File's ownership, the same on every system; opening, reading and writing
// are the platform halves'.
#include "base/file.h"

#include <utility>

namespace base {

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, kInvalidHandle)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, kInvalidHandle);
  }
  return *this;
}

File::~File() {
  Close();
}

}  // namespace base
