#include <windows.h>

#include <atomic>

#include "base/logging.h"
#include "base/threading/thread_local_storage.h"
#include "base/threading/thread_local_storage_platform.h"

namespace base {
namespace internal {

static_assert(sizeof(DWORD) <= sizeof(NativeTLSKey),
              "a native key must fit NativeTLSKey");

namespace {

// The key whose values the thread-exit callback hands on. Values are only
// ever stored under the key that won the installation race, so the first
// store names it; a losing key is freed without a value ever being stored.
std::atomic<DWORD> g_exit_key{TLS_OUT_OF_INDEXES};

// Called by the loader for every thread that ends, and for the thread that
// ends the process, with the loader lock held.
void NTAPI OnThreadExitCallback(PVOID /*module*/,
                                DWORD reason,
                                PVOID /*reserved*/) {
  if (reason != DLL_THREAD_DETACH && reason != DLL_PROCESS_DETACH)
    return;
  const DWORD key = g_exit_key.load(std::memory_order_acquire);
  if (key == TLS_OUT_OF_INDEXES)
    return;
  if (void* values = TlsGetValue(key))
    ThreadLocalStorage::OnThreadExit(values);
}

}  // namespace

bool AllocateNativeTLSKey(NativeTLSKey* key) {
  const DWORD native = TlsAlloc();
  if (native == TLS_OUT_OF_INDEXES)
    return false;
  *key = native;
  return true;
}

void FreeNativeTLSKey(NativeTLSKey key) {
  TlsFree(key);
}

void* GetNativeTLSValue(NativeTLSKey key) {
  return TlsGetValue(key);
}

void SetNativeTLSValue(NativeTLSKey key, void* value) {
  g_exit_key.store(key, std::memory_order_release);
  if (!TlsSetValue(key, value))
    LOG(FATAL) << "Failed to TlsSetValue().";
}

}  // namespace internal
}  // namespace base

// The image's thread-local callbacks: the loader calls every pointer that
// lies between the C runtime's markers in the .CRT$XLA to .CRT$XLZ
// sections, in the order of their section names. "B" puts this one ahead of
// the runtime's own, so that the destructors still find its per-thread
// state. Kept by "used", as nothing refers to it by name; it is linked in
// with the functions above, which every slot needs.
extern "C" __attribute__((section(".CRT$XLB"), used))
const PIMAGE_TLS_CALLBACK updater_thread_exit_callback =
    base::internal::OnThreadExitCallback;
