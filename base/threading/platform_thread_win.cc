#include "base/threading/platform_thread.h"

#include <windows.h>

#include <memory>
#include <string>

#include "base/lazy_instance.h"
#include "base/logging.h"
#include "base/threading/thread_local.h"
#include "base/utf_string_conversions.h"
#include "base/win/wide_text.h"

namespace base {

namespace {

LazyInstance<ThreadLocalPointer<const char>> g_current_thread_name =
    LAZY_INSTANCE_INITIALIZER;

// Handed to the new thread, which frees it before running the body.
struct ThreadParams {
  PlatformThread::Delegate* delegate;
};

DWORD WINAPI ThreadEntry(void* param) {
  PlatformThread::Delegate* delegate;
  {
    std::unique_ptr<ThreadParams> params(static_cast<ThreadParams*>(param));
    delegate = params->delegate;
  }
  delegate->ThreadBody();
  return 0;
}

HANDLE Native(uintptr_t native) {
  return reinterpret_cast<HANDLE>(native);
}

// Windows 10 1607 and later keep a description with each thread, which
// debuggers and crash dumps show; older systems lack the call.
void SetThreadDescriptionIfAvailable(const char* name) {
  using SetThreadDescriptionFunction = HRESULT(WINAPI*)(HANDLE, PCWSTR);
  const FARPROC proc =
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription");
  if (!proc)
    return;
  // Through the generic function type, which converts to any other.
  const auto set_description = reinterpret_cast<SetThreadDescriptionFunction>(
      reinterpret_cast<void (*)()>(proc));
  const std::u16string wide = UTF8ToUTF16(name);
  set_description(GetCurrentThread(), AsWCHAR(wide.c_str()));
}

// The exception by which a program tells an attached debugger the name of
// one of its threads.
constexpr DWORD kSetThreadNameException = 0x406D1388;

LONG CALLBACK ContinueAfterThreadName(EXCEPTION_POINTERS* exception) {
  return exception->ExceptionRecord->ExceptionCode == kSetThreadNameException
             ? EXCEPTION_CONTINUE_EXECUTION
             : EXCEPTION_CONTINUE_SEARCH;
}

// The debugger sees the exception first and takes the name. A debugger
// that leaves it unhandled hands it back to the program, where a vectored
// handler lets execution go on (this compiler has no __try).
void TellDebuggerThreadName(const char* name) {
  if (!IsDebuggerPresent())
    return;
  struct {
    DWORD type;  // Always 0x1000.
    LPCSTR name;
    DWORD thread_id;
    DWORD flags;
  } info = {0x1000, name, GetCurrentThreadId(), 0};
  PVOID handler = AddVectoredExceptionHandler(1, &ContinueAfterThreadName);
  RaiseException(kSetThreadNameException, 0, sizeof(info) / sizeof(ULONG_PTR),
                 reinterpret_cast<const ULONG_PTR*>(&info));
  if (handler)
    RemoveVectoredExceptionHandler(handler);
}

}  // namespace

void PlatformThreadHandle::Release() {
  // Closing the handle lets the thread go; it runs on by itself.
  if (valid_)
    CloseHandle(Native(native_));
  valid_ = false;
}

// static
bool PlatformThread::Create(size_t stack_size,
                            Delegate* delegate,
                            PlatformThreadHandle* handle) {
  // A size given is the stack's reservation, not its first commit.
  const DWORD flags = stack_size > 0 ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0;
  auto params = std::make_unique<ThreadParams>(ThreadParams{delegate});
  HANDLE thread = CreateThread(nullptr, stack_size, &ThreadEntry, params.get(),
                               flags, nullptr);
  if (!thread)
    return false;
  params.release();  // The new thread owns it now.

  if (handle) {
    *handle = PlatformThreadHandle();
    handle->native_ = reinterpret_cast<uintptr_t>(thread);
    handle->valid_ = true;
  } else {
    CloseHandle(thread);
  }
  return true;
}

// static
void PlatformThread::Join(PlatformThreadHandle* handle) {
  CHECK(handle->valid_);
  const DWORD result = WaitForSingleObject(Native(handle->native_), INFINITE);
  if (result != WAIT_OBJECT_0) {
    // Kept on the stack, where a crash dump shows them.
    volatile DWORD last_error = GetLastError();
    volatile DWORD wait_result = result;
    volatile uintptr_t thread = handle->native_;
    (void)last_error;
    (void)wait_result;
    (void)thread;
    CHECK(false);
  }
  CloseHandle(Native(handle->native_));
  handle->valid_ = false;
}

// static
PlatformThreadId PlatformThread::CurrentId() {
  return GetCurrentThreadId();
}

// static
void PlatformThread::SetName(const char* name) {
  g_current_thread_name.Get().Set(name);
  SetThreadDescriptionIfAvailable(name);
  TellDebuggerThreadName(name);
}

// static
const char* PlatformThread::GetName() {
  const char* name = g_current_thread_name.Get().Get();
  return name ? name : "";
}

}  // namespace base
