// A process-wide instance created on first use, exactly once even when
// threads race for it, in static storage. A normal instance is destroyed by
// the AtExitManager; a leaky one never is. Any thread may call Get().
//
//   static base::LazyInstance<Foo> g_foo = LAZY_INSTANCE_INITIALIZER;
//   g_foo.Get().Bar();
#ifndef BASE_LAZY_INSTANCE_H_
#define BASE_LAZY_INSTANCE_H_

#include <atomic>
#include <cstdint>
#include <new>

#include "base/at_exit.h"
#include "base/logging.h"

namespace base {

template <typename Type>
struct DefaultLazyInstanceTraits {
  static constexpr bool kRegisterOnExit = true;
  static Type* New(void* instance) { return new (instance) Type(); }
  static void Delete(Type* instance) { instance->~Type(); }
};

template <typename Type>
struct LeakyLazyInstanceTraits {
  static constexpr bool kRegisterOnExit = false;
  static Type* New(void* instance) { return new (instance) Type(); }
  static void Delete(Type*) {}
};

namespace internal {

// State word values below a real address.
constexpr uintptr_t kLazyInstanceStateCreating = 1;

// True when the caller won the right to create the instance; false once
// another thread has published it (waiting while that thread creates it).
bool NeedsLazyInstance(std::atomic<uintptr_t>* state);

// Publishes |instance| and, when |destructor| is given, registers
// |destructor|(|lazy_instance|) with the AtExitManager.
void CompleteLazyInstance(std::atomic<uintptr_t>* state,
                          uintptr_t instance,
                          void* lazy_instance,
                          AtExitManager::AtExitCallbackType destructor);

}  // namespace internal

template <typename Type, typename Traits = DefaultLazyInstanceTraits<Type>>
class LazyInstance {
 public:
  constexpr LazyInstance() = default;
  LazyInstance(const LazyInstance&) = delete;
  LazyInstance& operator=(const LazyInstance&) = delete;

  Type& Get() { return *Pointer(); }

  Type* Pointer() {
    if (state_.load(std::memory_order_acquire) <=
            internal::kLazyInstanceStateCreating &&
        internal::NeedsLazyInstance(&state_)) {
      Type* instance = Traits::New(buffer_);
      DCHECK((reinterpret_cast<uintptr_t>(instance) &
              ((sizeof(Type) - sizeof(Type) + alignof(Type)) - 1)) == 0u)
          << ": Bad boy, the buffer passed to placement new is not aligned!\n"
             "This may break some stuff like SSE-based optimizations "
             "assuming the <Type> objects are word aligned.";
      internal::CompleteLazyInstance(
          &state_, reinterpret_cast<uintptr_t>(instance), this,
          Traits::kRegisterOnExit ? &OnExit : nullptr);
    }
    return reinterpret_cast<Type*>(state_.load(std::memory_order_acquire));
  }

 private:
  // Destroys the instance; a later Get() (under a new AtExitManager)
  // creates it again.
  static void OnExit(void* lazy_instance) {
    LazyInstance* self = static_cast<LazyInstance*>(lazy_instance);
    Traits::Delete(
        reinterpret_cast<Type*>(self->state_.load(std::memory_order_acquire)));
    self->state_.store(0, std::memory_order_release);
  }

  // 0: not created; kLazyInstanceStateCreating: being created; otherwise
  // the instance's address.
  std::atomic<uintptr_t> state_{0};
  alignas(Type) unsigned char buffer_[sizeof(Type)] = {};
};

}  // namespace base

#define LAZY_INSTANCE_INITIALIZER \
  {}

#endif  // BASE_LAZY_INSTANCE_H_
