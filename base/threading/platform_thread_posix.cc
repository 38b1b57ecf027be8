#include "base/threading/platform_thread.h"

#include <limits.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>

#include "base/lazy_instance.h"
#include "base/logging.h"
#include "base/threading/thread_local.h"

namespace base {

namespace {

LazyInstance<ThreadLocalPointer<const char>> g_current_thread_name =
    LAZY_INSTANCE_INITIALIZER;

// Handed to the new thread, which frees it before running the body.
struct ThreadParams {
  PlatformThread::Delegate* delegate;
};

void* ThreadEntry(void* param) {
  PlatformThread::Delegate* delegate;
  {
    std::unique_ptr<ThreadParams> params(static_cast<ThreadParams*>(param));
    delegate = params->delegate;
  }
  delegate->ThreadBody();
  return nullptr;
}

// Owns a pthread attribute object for the length of one creation.
class ThreadAttributes {
 public:
  ThreadAttributes() { initialized_ = pthread_attr_init(&attributes_) == 0; }
  ThreadAttributes(const ThreadAttributes&) = delete;
  ThreadAttributes& operator=(const ThreadAttributes&) = delete;
  ~ThreadAttributes() {
    if (initialized_)
      pthread_attr_destroy(&attributes_);
  }

  bool initialized() const { return initialized_; }
  pthread_attr_t* get() { return &attributes_; }

 private:
  pthread_attr_t attributes_;
  bool initialized_;
};

}  // namespace

void PlatformThreadHandle::Release() {
  if (valid_)
    pthread_detach(static_cast<pthread_t>(native_));
  valid_ = false;
}

// static
bool PlatformThread::Create(size_t stack_size,
                            Delegate* delegate,
                            PlatformThreadHandle* handle) {
  ThreadAttributes attributes;
  if (!attributes.initialized())
    return false;
  const bool joinable = handle != nullptr;
  if (!joinable)
    pthread_attr_setdetachstate(attributes.get(), PTHREAD_CREATE_DETACHED);
  // Smaller requests are raised to the system minimum, as a reservation
  // would be rounded up.
  if (stack_size > 0) {
    pthread_attr_setstacksize(attributes.get(),
                              std::max<size_t>(stack_size, PTHREAD_STACK_MIN));
  }

  auto params = std::make_unique<ThreadParams>(ThreadParams{delegate});
  pthread_t thread;
  if (pthread_create(&thread, attributes.get(), &ThreadEntry, params.get()) !=
      0)
    return false;
  params.release();  // The new thread owns it now.

  if (joinable) {
    *handle = PlatformThreadHandle();
    handle->native_ = static_cast<uintptr_t>(thread);
    handle->valid_ = true;
  }
  return true;
}

// static
void PlatformThread::Join(PlatformThreadHandle* handle) {
  CHECK(handle->valid_);
  const int result =
      pthread_join(static_cast<pthread_t>(handle->native_), nullptr);
  CHECK_EQ(0, result);
  handle->valid_ = false;
}

// static
PlatformThreadId PlatformThread::CurrentId() {
  return gettid();
}

// static
void PlatformThread::SetName(const char* name) {
  g_current_thread_name.Get().Set(name);
  // The kernel keeps at most 15 characters.
  const std::string short_name = std::string(name).substr(0, 15);
  pthread_setname_np(pthread_self(), short_name.c_str());
}

// static
const char* PlatformThread::GetName() {
  const char* name = g_current_thread_name.Get().Get();
  return name ? name : "";
}

}  // namespace base
