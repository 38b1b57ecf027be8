// Thin wrapper over the system's threads: create, join, name, yield. Plain
// static functions that any thread may call; a PlatformThreadHandle belongs to
// the thread that created it until it is joined.
#ifndef BASE_THREADING_PLATFORM_THREAD_H_
#define BASE_THREADING_PLATFORM_THREAD_H_

#include <cstddef>
#include <cstdint>

namespace base {

using PlatformThreadId = int64_t;

// Owns a joinable thread until Join; a handle dropped without Join lets the
// thread go (it runs on, and its resources are freed when it ends).
class PlatformThreadHandle {
 public:
  PlatformThreadHandle() = default;
  PlatformThreadHandle(const PlatformThreadHandle&) = delete;
  PlatformThreadHandle& operator=(const PlatformThreadHandle&) = delete;
  PlatformThreadHandle(PlatformThreadHandle&& other) noexcept;
  PlatformThreadHandle& operator=(PlatformThreadHandle&& other) noexcept;
  ~PlatformThreadHandle();

  bool is_null() const { return !valid_; }

 private:
  friend class PlatformThread;

  void Release();

  // The system's thread handle, opaque here.
  uintptr_t native_ = 0;
  bool valid_ = false;
};

class PlatformThread {
 public:
  // The body of a new thread. Must outlive the thread body.
  class Delegate {
   public:
    virtual void ThreadBody() = 0;

   protected:
    virtual ~Delegate() = default;
  };

  PlatformThread() = delete;

  // Starts a thread running |delegate->ThreadBody()| with |stack_size| bytes
  // of stack (0: the system default). With |handle| the thread is joinable
  // and |handle| receives it; without, it is detached. False on failure.
  static bool Create(size_t stack_size,
                     Delegate* delegate,
                     PlatformThreadHandle* handle);
  // Waits for the thread to end; a failure is fatal. |handle| becomes null.
  static void Join(PlatformThreadHandle* handle);

  static PlatformThreadId CurrentId();
  // Names the calling thread; |name| must outlive the thread's use of it.
  static void SetName(const char* name);
  // The name given to SetName on the calling thread, or "".
  static const char* GetName();
};

}  // namespace base

#endif  // BASE_THREADING_PLATFORM_THREAD_H_
