// Per-thread pointer and boolean values, each backed by one native
// thread-local slot that lives as long as the object. The owner creates and
// destroys the object; any thread may Get() and Set() its own value.
#ifndef BASE_THREADING_THREAD_LOCAL_H_
#define BASE_THREADING_THREAD_LOCAL_H_

#include <cstdint>

namespace base {

namespace internal {

// One native slot. Running out of slots, or failing to store a value, ends
// the process.
class ThreadLocalSlot {
 public:
  ThreadLocalSlot();
  ~ThreadLocalSlot();
  ThreadLocalSlot(const ThreadLocalSlot&) = delete;
  ThreadLocalSlot& operator=(const ThreadLocalSlot&) = delete;

  void* Get() const;
  void Set(void* value);

 private:
  uint32_t slot_;
};

}  // namespace internal

template <typename Type>
class ThreadLocalPointer {
 public:
  Type* Get() const { return static_cast<Type*>(slot_.Get()); }
  void Set(Type* pointer) {
    slot_.Set(const_cast<void*>(static_cast<const void*>(pointer)));
  }

 private:
  internal::ThreadLocalSlot slot_;
};

class ThreadLocalBoolean {
 public:
  bool Get() const { return pointer_.Get() != nullptr; }
  void Set(bool value) { pointer_.Set(value ? this : nullptr); }

 private:
  ThreadLocalPointer<void> pointer_;
};

}  // namespace base

#endif  // BASE_THREADING_THREAD_LOCAL_H_
