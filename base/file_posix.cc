// File over POSIX descriptors, opened close-on-exec so that a started
// process never inherits one.
#include "base/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "base/file_path.h"

namespace base {

namespace {

int Descriptor(intptr_t handle) {
  return static_cast<int>(handle);
}

intptr_t Open(const FilePath& path, int flags, mode_t mode) {
  int fd;
  do {
    fd = open(path.AsSystemPath().c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

File File::OpenForRead(const FilePath& path) {
  return File(Open(path, O_RDONLY, 0));
}

File File::OpenForAppend(const FilePath& path) {
  return File(Open(path, O_WRONLY | O_APPEND, 0));
}

File File::CreateNew(const FilePath& path, bool owner_executable) {
  mode_t mode = owner_executable ? 0744 : 0644;
  return File(Open(path, O_WRONLY | O_CREAT | O_EXCL, mode));
}

File File::CreateNewPrivate(const FilePath& path) {
  return File(Open(path, O_WRONLY | O_CREAT | O_EXCL, 0600));
}

int64_t File::Read(void* buffer, size_t size) {
  ssize_t result;
  do {
    result = read(Descriptor(handle_), buffer, size);
  } while (result < 0 && errno == EINTR);
  return result;
}

bool File::WriteAll(const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t written = write(Descriptor(handle_), bytes, size);
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      return false;
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

bool File::Flush() {
  int result;
  do {
    result = fsync(Descriptor(handle_));
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

bool File::CopyPermissionsFrom(const FilePath& model) {
  struct stat info;
  return stat(model.AsSystemPath().c_str(), &info) == 0 &&
         fchmod(Descriptor(handle_), info.st_mode & 07777) == 0;
}

int64_t File::Seek(Whence whence, int64_t offset) {
  int origin = whence == Whence::kBegin     ? SEEK_SET
               : whence == Whence::kCurrent ? SEEK_CUR
                                            : SEEK_END;
  return lseek(Descriptor(handle_), offset, origin);
}

bool File::Close() {
  if (!IsValid())
    return true;
  int fd = Descriptor(std::exchange(handle_, kInvalidHandle));
  // The descriptor is gone even when close reports EINTR; never retry.
  return close(fd) == 0 || errno == EINTR;
}

}  // namespace base
