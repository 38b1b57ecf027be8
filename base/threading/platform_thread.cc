// A thread handle's ownership, the same on every system; releasing it is
// the platform halves'.
#include "base/threading/platform_thread.h"

namespace base {

PlatformThreadHandle::PlatformThreadHandle(
    PlatformThreadHandle&& other) noexcept
    : native_(other.native_), valid_(other.valid_) {
  other.valid_ = false;
}

PlatformThreadHandle& PlatformThreadHandle::operator=(
    PlatformThreadHandle&& other) noexcept {
  if (this != &other) {
    Release();
    native_ = other.native_;
    valid_ = other.valid_;
    other.valid_ = false;
  }
  return *this;
}

PlatformThreadHandle::~PlatformThreadHandle() {
  Release();
}

}  // namespace base
