#include <pthread.h>

#include "base/logging.h"
#include "base/threading/thread_local_storage.h"
#include "base/threading/thread_local_storage_platform.h"

namespace base {
namespace internal {

static_assert(sizeof(pthread_key_t) <= sizeof(NativeTLSKey),
              "a native key must fit NativeTLSKey");

namespace {

// The pthread key destructor stands in for the thread-detach callback of
// the Windows image.
void OnThreadExitThunk(void* values) {
  ThreadLocalStorage::OnThreadExit(values);
}

}  // namespace

bool AllocateNativeTLSKey(NativeTLSKey* key) {
  pthread_key_t native;
  if (pthread_key_create(&native, &OnThreadExitThunk) != 0)
    return false;
  *key = native;
  return true;
}

void FreeNativeTLSKey(NativeTLSKey key) {
  pthread_key_delete(key);
}

void* GetNativeTLSValue(NativeTLSKey key) {
  return pthread_getspecific(key);
}

void SetNativeTLSValue(NativeTLSKey key, void* value) {
  if (pthread_setspecific(key, value) != 0)
    LOG(FATAL) << "Failed to TlsSetValue().";
}

}  // namespace internal
}  // namespace base
