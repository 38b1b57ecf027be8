#include "base/threading/thread_local_storage.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#include "base/logging.h"
#include "base/threading/thread_local_storage_platform.h"

namespace base {

namespace {

constexpr int kSize = ThreadLocalStorage::kThreadLocalStorageSize;

// The native key plus one; 0 while no key is installed.
std::atomic<uint64_t> g_native_key{0};

// The last slot number handed out.
std::atomic<int> g_last_slot{0};

std::atomic<ThreadLocalStorage::TLSDestructorFunc> g_destructors[kSize];

internal::NativeTLSKey NativeKey() {
  uint64_t key = g_native_key.load(std::memory_order_acquire);
  if (key != 0)
    return static_cast<internal::NativeTLSKey>(key - 1);
  internal::NativeTLSKey allocated;
  CHECK(internal::AllocateNativeTLSKey(&allocated));
  uint64_t expected = 0;
  if (g_native_key.compare_exchange_strong(expected, uint64_t{allocated} + 1,
                                           std::memory_order_acq_rel)) {
    return allocated;
  }
  // Another thread installed its key first; use that one.
  internal::FreeNativeTLSKey(allocated);
  return static_cast<internal::NativeTLSKey>(expected - 1);
}

// The calling thread's array, created zeroed on its first use.
void** ThreadValues() {
  const internal::NativeTLSKey key = NativeKey();
  void** values = static_cast<void**>(internal::GetNativeTLSValue(key));
  if (!values) {
    values = new void*[kSize]();
    internal::SetNativeTLSValue(key, values);
  }
  return values;
}

}  // namespace

ThreadLocalStorage::Slot::Slot(TLSDestructorFunc destructor) {
  Initialize(destructor);
}

bool ThreadLocalStorage::Slot::Initialize(TLSDestructorFunc destructor) {
  ThreadValues();
  const int slot = g_last_slot.fetch_add(1) + 1;
  if (slot >= kSize) {
    NOTREACHED();
    return false;
  }
  g_destructors[slot].store(destructor, std::memory_order_release);
  slot_ = slot;
  initialized_ = true;
  return true;
}

void* ThreadLocalStorage::Slot::Get() const {
  DCHECK(initialized_);
  return ThreadValues()[slot_];
}

void ThreadLocalStorage::Slot::Set(void* value) {
  DCHECK(initialized_);
  ThreadValues()[slot_] = value;
}

// static
void ThreadLocalStorage::OnThreadExit(void* values) {
  const uint64_t installed = g_native_key.load(std::memory_order_acquire);
  if (installed == 0 || !values)
    return;
  const auto key = static_cast<internal::NativeTLSKey>(installed - 1);

  // Destructors may read and store slots; they work on a stack copy while
  // the heap array is already gone.
  void* stack_values[kSize];
  memcpy(stack_values, values, sizeof(stack_values));
  internal::SetNativeTLSValue(key, stack_values);
  delete[] static_cast<void**>(values);

  const int last_slot =
      g_last_slot.load() < kSize ? g_last_slot.load() : kSize - 1;
  int scans = 0;
  bool called_any = true;
  while (called_any) {
    if (scans == kSize) {
      NOTREACHED();
      break;
    }
    ++scans;
    called_any = false;
    for (int slot = last_slot; slot > 0; --slot) {
      void* value = stack_values[slot];
      const TLSDestructorFunc destructor =
          g_destructors[slot].load(std::memory_order_acquire);
      if (!value || !destructor)
        continue;
      stack_values[slot] = nullptr;
      destructor(value);
      called_any = true;
    }
  }
  internal::SetNativeTLSValue(key, nullptr);
}

}  // namespace base
