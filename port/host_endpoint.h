// Messages to windows of other processes. A window handle below 2^32 that is
// not one of ours names a host endpoint: a Unix datagram socket in the
// abstract namespace called "win32.hwnd.<handle>", which receives each posted
// message as one 24-byte little-endian datagram.
#ifndef PORT_HOST_ENDPOINT_H_
#define PORT_HOST_ENDPOINT_H_

#include <stdint.h>
#include <sys/socket.h>
#include <sys/un.h>

namespace port {

// Every handle the updater gives its own windows is at least this, so that
// it can never be mistaken for a 32-bit host handle.
constexpr uint64_t kFirstOwnWindowHandle = uint64_t{1} << 32;

constexpr size_t kHostDatagramSize = 24;

// Fills |address| with the endpoint of |handle|; returns the address length.
socklen_t HostEndpointAddress(uint64_t handle, sockaddr_un* address);

// Sends one message without blocking; false when the endpoint is missing or
// its buffer is full, which callers treat as a window that has gone.
bool PostToHostEndpoint(uint64_t handle,
                        uint32_t message,
                        uint64_t wparam,
                        uint64_t lparam);

}  // namespace port

#endif  // PORT_HOST_ENDPOINT_H_
