// Thread-local slots whose values are handed to a destructor when their
// thread exits. Slots are process-wide and never reused; at most 63 exist.
// A Slot is usually a static owned by the code that uses it; any thread may
// Get() and Set() its own value.
#ifndef BASE_THREADING_THREAD_LOCAL_STORAGE_H_
#define BASE_THREADING_THREAD_LOCAL_STORAGE_H_

namespace base {

class ThreadLocalStorage {
 public:
  // Receives a thread's non-null value when that thread exits.
  using TLSDestructorFunc = void (*)(void* value);

  // Slot 0 is never handed out, so 63 slots are usable.
  static constexpr int kThreadLocalStorageSize = 64;

  class Slot {
   public:
    // An uninitialised slot, fit for a static; call Initialize() before use.
    constexpr Slot() = default;
    explicit Slot(TLSDestructorFunc destructor);
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;

    // Takes the next free slot; false when none is left, and the slot stays
    // uninitialised. |destructor| may be null.
    bool Initialize(TLSDestructorFunc destructor);
    bool initialized() const { return initialized_; }

    void* Get() const;
    void Set(void* value);

   private:
    bool initialized_ = false;
    int slot_ = 0;
  };

  // Runs the destructors of the exiting thread's values, rescanning while a
  // destructor stores new values, at most kThreadLocalStorageSize scans.
  // Called by the platform when a thread that used a slot exits; |values|
  // is the thread's array.
  static void OnThreadExit(void* values);
};

}  // namespace base

#endif  // BASE_THREADING_THREAD_LOCAL_STORAGE_H_
