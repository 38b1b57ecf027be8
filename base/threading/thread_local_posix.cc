#include <pthread.h>

#include "base/logging.h"
#include "base/threading/thread_local.h"

namespace base {
namespace internal {

static_assert(sizeof(pthread_key_t) <= sizeof(uint32_t),
              "a native key must fit the slot member");

ThreadLocalSlot::ThreadLocalSlot() {
  pthread_key_t key;
  const int error = pthread_key_create(&key, nullptr);
  CHECK_EQ(error, 0);
  slot_ = key;
}

ThreadLocalSlot::~ThreadLocalSlot() {
  if (pthread_key_delete(slot_) != 0)
    NOTREACHED() << "Failed to deallocate tls slot with TlsFree().";
}

void* ThreadLocalSlot::Get() const {
  return pthread_getspecific(slot_);
}

void ThreadLocalSlot::Set(void* value) {
  if (pthread_setspecific(slot_, value) != 0)
    LOG(FATAL) << "Failed to TlsSetValue().";
}

}  // namespace internal
}  // namespace base
