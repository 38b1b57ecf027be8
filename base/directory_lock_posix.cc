#include "base/directory_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "base/file_path.h"

namespace base {

DirectoryLock::Result DirectoryLock::Acquire(const FilePath& dir) {
  // Not inherited: a host started by the holder must not keep it held.
  const int fd =
      open(dir.AsSystemPath().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0)
    return Result::kUnavailable;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool busy = errno == EWOULDBLOCK;
    close(fd);
    return busy ? Result::kHeldElsewhere : Result::kUnavailable;
  }
  handle_ = fd;
  return Result::kAcquired;
}

void DirectoryLock::Release() {
  if (handle_ != kNoHandle)
    close(static_cast<int>(handle_));
  handle_ = kNoHandle;
}

}  // namespace base
