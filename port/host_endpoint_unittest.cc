#include "port/host_endpoint.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <vector>

#include "base/scoped_fd.h"

namespace {

// Binds the endpoint of a host window, as a host does.
class FakeHostWindow {
 public:
  explicit FakeHostWindow(uint64_t handle)
      : fd_(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
    sockaddr_un address;
    socklen_t length = port::HostEndpointAddress(handle, &address);
    bound_ =
        bind(fd_.get(), reinterpret_cast<sockaddr*>(&address), length) == 0;
  }

  bool bound() const { return bound_; }

  // One datagram, or an empty vector when none arrives within a second.
  std::vector<uint8_t> Receive() {
    pollfd waiting = {fd_.get(), POLLIN, 0};
    if (poll(&waiting, 1, 1000) != 1)
      return {};
    std::vector<uint8_t> datagram(64);
    ssize_t got = recv(fd_.get(), datagram.data(), datagram.size(), 0);
    datagram.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return datagram;
  }

 private:
  base::ScopedFd fd_;
  bool bound_;
};

uint64_t TestHandle(int offset) {
  return 3000000000u + static_cast<uint64_t>(getpid()) * 16 + offset;
}

TEST(HostEndpointTest, AddressIsAbstractNameWithDecimalHandle) {
  sockaddr_un address;
  socklen_t length = port::HostEndpointAddress(4242, &address);
  const char expected[] = "win32.hwnd.4242";
  ASSERT_EQ(offsetof(sockaddr_un, sun_path) + 1 + sizeof(expected) - 1, length);
  EXPECT_EQ('\0', address.sun_path[0]);
  EXPECT_EQ(0, memcmp(address.sun_path + 1, expected, sizeof(expected) - 1));
}

TEST(HostEndpointTest, PostSendsOneLittleEndianDatagram) {
  uint64_t handle = TestHandle(1);
  FakeHostWindow host(handle);
  ASSERT_TRUE(host.bound());
  EXPECT_TRUE(PostMessageW(reinterpret_cast<HWND>(handle), 1126,
                           0x0102030405060708u, -2));
  std::vector<uint8_t> expected = {
      0x66, 0x04, 0,    0,    0,    0,    0,    0,    0x08, 0x07, 0x06, 0x05,
      0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(expected, host.Receive());
}

TEST(HostEndpointTest, PostToMissingOrOwnWindowFailsQuietly) {
  EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(TestHandle(2)), 1127, 0, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
  EXPECT_FALSE(PostMessageW(nullptr, 1127, 0, 0));
  // A handle of 2^32 and above is one of the updater's own windows, never a
  // host's, even when something is bound under its number.
  uint64_t own = port::kFirstOwnWindowHandle + 7;
  FakeHostWindow impostor(own);
  EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(own), 1127, 0, 0));
  EXPECT_TRUE(impostor.Receive().empty());
}

TEST(HostEndpointTest, FullEndpointDoesNotBlockThePoster) {
  uint64_t handle = TestHandle(3);
  FakeHostWindow host(handle);
  ASSERT_TRUE(host.bound());
  int accepted = 0;
  for (int i = 0;
       i < 100000 && PostMessageW(reinterpret_cast<HWND>(handle), 1124, 0, 0);
       ++i)
    ++accepted;
  EXPECT_GT(accepted, 0);
  EXPECT_LT(accepted, 100000);
}

}  // namespace
