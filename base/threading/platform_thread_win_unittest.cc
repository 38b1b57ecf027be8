#include "base/threading/platform_thread.h"

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "base/synchronization/waitable_event.h"

namespace base {
namespace {

const TimeDelta kDeadline = TimeDelta::FromSeconds(20);

using GetThreadDescriptionFunction = HRESULT(WINAPI*)(HANDLE, PWSTR*);

// Windows 10 1607 and later keep a description with each thread.
GetThreadDescriptionFunction GetThreadDescriptionIfAvailable() {
  const FARPROC proc =
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetThreadDescription");
  return reinterpret_cast<GetThreadDescriptionFunction>(
      reinterpret_cast<void (*)()>(proc));
}

class RecordingDelegate : public PlatformThread::Delegate {
 public:
  void ThreadBody() override {
    id = PlatformThread::CurrentId();
    system_id = GetCurrentThreadId();
    PlatformThread::SetName("UpdateThread");
    if (GetThreadDescriptionFunction get = GetThreadDescriptionIfAvailable()) {
      PWSTR text = nullptr;
      if (SUCCEEDED(get(GetCurrentThread(), &text)) && text) {
        description = text;
        LocalFree(text);
      }
    }
    ran.Signal();
  }

  PlatformThreadId id = 0;
  DWORD system_id = 0;
  std::wstring description;
  WaitableEvent ran{true, false};
};

TEST(PlatformThreadWinTest, IdsAreTheSystemsThreadIds) {
  RecordingDelegate delegate;
  PlatformThreadHandle handle;
  ASSERT_TRUE(PlatformThread::Create(0, &delegate, &handle));
  ASSERT_TRUE(delegate.ran.TimedWait(kDeadline));
  PlatformThread::Join(&handle);
  EXPECT_EQ(static_cast<PlatformThreadId>(delegate.system_id), delegate.id);
  EXPECT_EQ(static_cast<PlatformThreadId>(GetCurrentThreadId()),
            PlatformThread::CurrentId());
}

TEST(PlatformThreadWinTest, TheNameReachesTheSystemWhereItKeepsOne) {
  if (!GetThreadDescriptionIfAvailable())
    GTEST_SKIP() << "this system keeps no thread descriptions";
  RecordingDelegate delegate;
  PlatformThreadHandle handle;
  ASSERT_TRUE(PlatformThread::Create(0, &delegate, &handle));
  ASSERT_TRUE(delegate.ran.TimedWait(kDeadline));
  PlatformThread::Join(&handle);
  EXPECT_EQ(L"UpdateThread", delegate.description);
}

}  // namespace
}  // namespace base
