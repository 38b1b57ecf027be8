// The native key under which each thread keeps its array of slot values.
// Internal to thread_local_storage.cc and its platform files; any thread
// may call these.
#ifndef BASE_THREADING_THREAD_LOCAL_STORAGE_PLATFORM_H_
#define BASE_THREADING_THREAD_LOCAL_STORAGE_PLATFORM_H_

#include <cstdint>

namespace base {
namespace internal {

using NativeTLSKey = uint32_t;

// Allocates a key whose holders see ThreadLocalStorage::OnThreadExit()
// called with their value when they exit. False when none is left.
bool AllocateNativeTLSKey(NativeTLSKey* key);
void FreeNativeTLSKey(NativeTLSKey key);
void* GetNativeTLSValue(NativeTLSKey key);
void SetNativeTLSValue(NativeTLSKey key, void* value);

}  // namespace internal
}  // namespace base

#endif  // BASE_THREADING_THREAD_LOCAL_STORAGE_PLATFORM_H_
