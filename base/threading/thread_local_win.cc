#include <windows.h>

#include "base/logging.h"
#include "base/threading/thread_local.h"

namespace base {
namespace internal {

static_assert(sizeof(DWORD) <= sizeof(uint32_t),
              "a native slot index must fit the slot member");

ThreadLocalSlot::ThreadLocalSlot() {
  const DWORD slot = TlsAlloc();
  CHECK_NE(slot, TLS_OUT_OF_INDEXES);
  slot_ = slot;
}

ThreadLocalSlot::~ThreadLocalSlot() {
  if (!TlsFree(slot_))
    NOTREACHED() << "Failed to deallocate tls slot with TlsFree().";
}

void* ThreadLocalSlot::Get() const {
  return TlsGetValue(slot_);
}

void ThreadLocalSlot::Set(void* value) {
  if (!TlsSetValue(slot_, value))
    LOG(FATAL) << "Failed to TlsSetValue().";
}

}  // namespace internal
}  // namespace base
