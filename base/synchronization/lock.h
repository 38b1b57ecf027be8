// A re-entrant mutual-exclusion lock (the owning thread may acquire it again)
// and scoped holders for it. The lock is owned by whoever embeds it; any
// thread may acquire it, and each Acquire() must be matched by one Release().
#ifndef BASE_SYNCHRONIZATION_LOCK_H_
#define BASE_SYNCHRONIZATION_LOCK_H_

#include <mutex>

namespace base {

class Lock {
 public:
  Lock() = default;
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

  void Acquire() { lock_.lock(); }
  void Release() { lock_.unlock(); }
  // Acquires the lock if no other thread holds it; true when acquired.
  bool Try() { return lock_.try_lock(); }

 private:
  std::recursive_mutex lock_;
};

// Holds |lock| for the lifetime of the object.
class AutoLock {
 public:
  explicit AutoLock(Lock& lock) : lock_(lock) { lock_.Acquire(); }
  ~AutoLock() { lock_.Release(); }
  AutoLock(const AutoLock&) = delete;
  AutoLock& operator=(const AutoLock&) = delete;

 private:
  Lock& lock_;
};

// Releases a held |lock| for the lifetime of the object and takes it back
// afterwards.
class AutoUnlock {
 public:
  explicit AutoUnlock(Lock& lock) : lock_(lock) { lock_.Release(); }
  ~AutoUnlock() { lock_.Acquire(); }
  AutoUnlock(const AutoUnlock&) = delete;
  AutoUnlock& operator=(const AutoUnlock&) = delete;

 private:
  Lock& lock_;
};

}  // namespace base

#endif  // BASE_SYNCHRONIZATION_LOCK_H_
