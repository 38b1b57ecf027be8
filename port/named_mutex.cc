// Named mutexes, as far as the updater uses them: a marker that exists while
// any process of this user holds it open. Each holder binds a Unix socket of
// that name in the abstract namespace; the kernel frees the name when the
// last holder exits or dies, so no stale file can outlive a crash.
#include <windows.h>

#include <errno.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <string>

#include "base/utf_string_conversions.h"

namespace {

// What a mutex handle points at.
struct MutexHandle {
  int fd;
};

}  // namespace

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR name) {
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return nullptr;
  sockaddr_un address;
  memset(&address, 0, sizeof(address));
  address.sun_family = AF_UNIX;
  std::string text = "win32.mutex." + std::to_string(getuid()) + "." +
                     base::UTF16ToUTF8(name ? std::u16string(name) : u"");
  size_t length = text.size();
  if (length > sizeof(address.sun_path) - 1)
    length = sizeof(address.sun_path) - 1;
  memcpy(address.sun_path + 1, text.data(), length);
  socklen_t address_length =
      static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
  DWORD error = ERROR_SUCCESS;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), address_length) != 0) {
    if (errno != EADDRINUSE) {
      int saved = errno;
      close(fd);
      errno = saved;
      return nullptr;
    }
    // Another holder has it: like Windows, hand out a handle all the same
    // and say that the mutex already existed.
    error = ERROR_ALREADY_EXISTS;
  }
  HANDLE handle = new MutexHandle{fd};
  SetLastError(error);
  return handle;
}

BOOL CloseHandle(HANDLE handle) {
  if (!handle)
    return FALSE;
  MutexHandle* mutex = static_cast<MutexHandle*>(handle);
  close(mutex->fd);
  delete mutex;
  return TRUE;
}
