#include "base/lazy_instance.h"

#include <thread>

namespace base {
namespace internal {

bool NeedsLazyInstance(std::atomic<uintptr_t>* state) {
  uintptr_t expected = 0;
  if (state->compare_exchange_strong(expected, kLazyInstanceStateCreating,
                                     std::memory_order_acquire)) {
    return true;
  }
  while (state->load(std::memory_order_acquire) == kLazyInstanceStateCreating)
    std::this_thread::yield();
  return false;
}

void CompleteLazyInstance(std::atomic<uintptr_t>* state,
                          uintptr_t instance,
                          void* lazy_instance,
                          AtExitManager::AtExitCallbackType destructor) {
  state->store(instance, std::memory_order_release);
  if (destructor)
    AtExitManager::RegisterCallback(destructor, lazy_instance);
}

}  // namespace internal
}  // namespace base
