#include "port/host_endpoint.h"

#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "base/scoped_fd.h"

namespace port {

namespace {

void PutLittleEndian(uint8_t* out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

socklen_t HostEndpointAddress(uint64_t handle, sockaddr_un* address) {
  memset(address, 0, sizeof(*address));
  address->sun_family = AF_UNIX;
  // A leading NUL puts the name in the abstract namespace: nothing on disk,
  // and the endpoint vanishes with the host.
  int length =
      snprintf(address->sun_path + 1, sizeof(address->sun_path) - 1,
               "win32.hwnd.%llu", static_cast<unsigned long long>(handle));
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

bool PostToHostEndpoint(uint64_t handle,
                        uint32_t message,
                        uint64_t wparam,
                        uint64_t lparam) {
  // Closed whatever the outcome of the post.
  base::ScopedFd sock(
      socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (sock.get() < 0)
    return false;
  uint8_t datagram[kHostDatagramSize];
  PutLittleEndian(datagram, message, 4);
  PutLittleEndian(datagram + 4, 0, 4);
  PutLittleEndian(datagram + 8, wparam, 8);
  PutLittleEndian(datagram + 16, lparam, 8);
  sockaddr_un address;
  socklen_t length = HostEndpointAddress(handle, &address);
  ssize_t sent = sendto(sock.get(), datagram, sizeof(datagram), MSG_NOSIGNAL,
                        reinterpret_cast<sockaddr*>(&address), length);
  return sent == static_cast<ssize_t>(sizeof(datagram));
}

}  // namespace port
