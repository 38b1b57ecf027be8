#include "base/scoped_fd.h"

#include <fcntl.h>
#include <unistd.h>

#include <utility>

#include "gtest/gtest.h"

namespace base {
namespace {

bool IsOpen(int fd) {
  return fcntl(fd, F_GETFD) != -1;
}

int OpenDevNull() {
  return open("/dev/null", O_RDONLY | O_CLOEXEC);
}

TEST(ScopedFdTest, ClosesItsDescriptorWhenDestroyed) {
  int raw = OpenDevNull();
  ASSERT_GE(raw, 0);
  {
    ScopedFd fd(raw);
    EXPECT_TRUE(fd.is_valid());
    EXPECT_EQ(raw, fd.get());
    EXPECT_TRUE(IsOpen(raw));
  }
  EXPECT_FALSE(IsOpen(raw));
}

TEST(ScopedFdTest, DefaultAndFailedOpenHoldNothing) {
  EXPECT_FALSE(ScopedFd().is_valid());
  EXPECT_FALSE(ScopedFd(open("/nonexistent/scoped_fd", O_RDONLY)).is_valid());
}

TEST(ScopedFdTest, MoveConstructionHandsOverOwnership) {
  int raw = OpenDevNull();
  ASSERT_GE(raw, 0);
  ScopedFd first(raw);
  {
    ScopedFd second(std::move(first));
    EXPECT_FALSE(first.is_valid());
    EXPECT_EQ(raw, second.get());
  }
  EXPECT_FALSE(IsOpen(raw));
}

TEST(ScopedFdTest, MoveAssignmentClosesTheDescriptorItHeld) {
  int old_raw = OpenDevNull();
  int new_raw = OpenDevNull();
  ASSERT_GE(old_raw, 0);
  ASSERT_GE(new_raw, 0);
  ScopedFd held(old_raw);
  ScopedFd incoming(new_raw);
  held = std::move(incoming);
  EXPECT_FALSE(IsOpen(old_raw));
  EXPECT_FALSE(incoming.is_valid());
  EXPECT_EQ(new_raw, held.get());
  EXPECT_TRUE(IsOpen(new_raw));
}

}  // namespace
}  // namespace base
