#include "base/win/scoped_handle.h"

#include <utility>

#include <gtest/gtest.h>

namespace base {
namespace win {
namespace {

bool IsOpen(HANDLE handle) {
  DWORD flags = 0;
  return GetHandleInformation(handle, &flags) != 0;
}

HANDLE NewEvent() {
  return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

TEST(ScopedHandleTest, ClosesItsHandleWhenItGoes) {
  HANDLE raw = NewEvent();
  {
    ScopedHandle handle(raw);
    EXPECT_TRUE(handle.is_valid());
    EXPECT_EQ(raw, handle.get());
    EXPECT_TRUE(IsOpen(raw));
  }
  EXPECT_FALSE(IsOpen(raw));
}

TEST(ScopedHandleTest, BothFailureValuesHoldNothing) {
  EXPECT_FALSE(ScopedHandle().is_valid());
  EXPECT_FALSE(ScopedHandle(nullptr).is_valid());
  EXPECT_FALSE(ScopedHandle(INVALID_HANDLE_VALUE).is_valid());
}

TEST(ScopedHandleTest, MovingHandsOverTheHandle) {
  HANDLE first = NewEvent();
  HANDLE second = NewEvent();
  ScopedHandle a(first);
  ScopedHandle b(second);
  b = std::move(a);
  EXPECT_FALSE(a.is_valid());
  EXPECT_EQ(first, b.get());
  EXPECT_FALSE(IsOpen(second));
  ScopedHandle c(std::move(b));
  EXPECT_EQ(first, c.get());
  EXPECT_TRUE(IsOpen(first));
}

TEST(ScopedHandleTest, TakeGivesUpAndSetReplaces) {
  HANDLE first = NewEvent();
  HANDLE second = NewEvent();
  ScopedHandle handle(first);
  handle.Set(second);
  EXPECT_FALSE(IsOpen(first));
  EXPECT_EQ(second, handle.Take());
  EXPECT_FALSE(handle.is_valid());
  EXPECT_TRUE(IsOpen(second));
  CloseHandle(second);
}

}  // namespace
}  // namespace win
}  // namespace base
