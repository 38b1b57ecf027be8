#include "base/threading/platform_thread.h"

#include <atomic>
#include <string>

#include <gtest/gtest.h>

#include "base/synchronization/waitable_event.h"

namespace base {
namespace {

const TimeDelta kDeadline = TimeDelta::FromSeconds(20);

class RecordingDelegate : public PlatformThread::Delegate {
 public:
  void ThreadBody() override {
    id = PlatformThread::CurrentId();
    PlatformThread::SetName("Worker-With-A-Long-Name");
    name = PlatformThread::GetName();
    ran.Signal();
  }

  PlatformThreadId id = 0;
  std::string name;
  WaitableEvent ran{true, false};
};

TEST(PlatformThreadTest, JoinableThreadRunsTheBodyOnItsOwnThread) {
  RecordingDelegate delegate;
  PlatformThreadHandle handle;
  ASSERT_TRUE(PlatformThread::Create(0, &delegate, &handle));
  EXPECT_FALSE(handle.is_null());
  ASSERT_TRUE(delegate.ran.TimedWait(kDeadline));
  PlatformThread::Join(&handle);
  EXPECT_TRUE(handle.is_null());
  EXPECT_NE(0, delegate.id);
  EXPECT_NE(PlatformThread::CurrentId(), delegate.id);
  EXPECT_EQ("Worker-With-A-Long-Name", delegate.name);
}

TEST(PlatformThreadTest, ThreadWithoutHandleRunsDetached) {
  RecordingDelegate delegate;
  ASSERT_TRUE(PlatformThread::Create(0, &delegate, nullptr));
  EXPECT_TRUE(delegate.ran.TimedWait(kDeadline));
}

TEST(PlatformThreadTest, RequestedStackSizeIsHonoured) {
  struct Body : PlatformThread::Delegate {
    void ThreadBody() override {
      // Deeper than a minimum-size stack would allow, within 4 MiB.
      volatile char buffer[1024 * 1024];
      buffer[0] = 1;
      buffer[sizeof(buffer) - 1] = buffer[0];
      ran.Signal();
    }
    WaitableEvent ran{true, false};
  } body;
  PlatformThreadHandle handle;
  ASSERT_TRUE(PlatformThread::Create(4 * 1024 * 1024, &body, &handle));
  EXPECT_TRUE(body.ran.TimedWait(kDeadline));
  PlatformThread::Join(&handle);
}

TEST(PlatformThreadTest, NameIsPerThread) {
  PlatformThread::SetName("PlatformThreadTest");
  RecordingDelegate delegate;
  PlatformThreadHandle handle;
  ASSERT_TRUE(PlatformThread::Create(0, &delegate, &handle));
  ASSERT_TRUE(delegate.ran.TimedWait(kDeadline));
  PlatformThread::Join(&handle);
  EXPECT_STREQ("PlatformThreadTest", PlatformThread::GetName());
}

}  // namespace
}  // namespace base
