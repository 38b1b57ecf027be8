#include "base/directory_lock.h"

#include <string>
#include <utility>
#include <vector>

#include "base/file_path.h"
#include "base/file_util.h"
#include "base/unique_temp_dir.h"
#include "gtest/gtest.h"

namespace base {
namespace {

using Result = DirectoryLock::Result;

std::vector<std::u16string> Names(const FilePath& dir) {
  std::vector<std::u16string> names;
  EXPECT_TRUE(ListDirectory(dir, &names));
  return names;
}

TEST(DirectoryLockTest, OneHolderAtATimeAndNothingLeftBehind) {
  UniqueTempDir dir;
  ASSERT_TRUE(dir.Create());
  {
    DirectoryLock first;
    ASSERT_EQ(Result::kAcquired, first.Acquire(dir.path()));
    EXPECT_TRUE(first.held());
    DirectoryLock second;
    EXPECT_EQ(Result::kHeldElsewhere, second.Acquire(dir.path()));
    EXPECT_FALSE(second.held());
    // Another that fails leaves the holder's lock whole.
    DirectoryLock third;
    EXPECT_EQ(Result::kHeldElsewhere, third.Acquire(dir.path()));

    // A moved lock is still held, by its new owner only.
    DirectoryLock moved = std::move(first);
    EXPECT_TRUE(moved.held());
    EXPECT_FALSE(first.held());
    EXPECT_EQ(Result::kHeldElsewhere, second.Acquire(dir.path()));
  }
  EXPECT_TRUE(Names(dir.path()).empty());

  DirectoryLock after;
  EXPECT_EQ(Result::kAcquired, after.Acquire(dir.path()));
}

TEST(DirectoryLockTest, AMissingDirectoryCannotBeLocked) {
  UniqueTempDir dir;
  ASSERT_TRUE(dir.Create());
  DirectoryLock lock;
  EXPECT_EQ(Result::kUnavailable, lock.Acquire(dir.path().Append(u"missing")));
  EXPECT_FALSE(lock.held());
}

}  // namespace
}  // namespace base
