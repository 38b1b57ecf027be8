// DirectoryLock: an exclusive lock on a directory that every process on the
// machine honours, whichever user or session it runs in. It ends with the
// process that holds it, so a killed holder never leaves it held, and it
// leaves nothing behind in the directory. Move-only; one thread at a time.
#ifndef BASE_DIRECTORY_LOCK_H_
#define BASE_DIRECTORY_LOCK_H_

#include <cstdint>

namespace base {

class FilePath;

class DirectoryLock {
 public:
  enum class Result {
    kAcquired,       // this object holds the lock until it goes
    kHeldElsewhere,  // another holder has it
    kUnavailable,    // no lock can be taken there (on Windows: a directory
                     // that cannot be written)
  };

  DirectoryLock() = default;
  DirectoryLock(DirectoryLock&& other) noexcept;
  DirectoryLock& operator=(DirectoryLock&& other) noexcept;
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;
  ~DirectoryLock();

  // Tries once to take the lock on |dir|, without waiting. Only on an
  // object that holds nothing. On Linux the lock is flock on the directory
  // itself; on Windows, LockFileEx on a file in it that is deleted when
  // the holder closes it, so it is there only while held.
  Result Acquire(const FilePath& dir);

  bool held() const { return handle_ != kNoHandle; }

 private:
  static constexpr intptr_t kNoHandle = -1;
  void Release();

  // The locked descriptor or handle.
  intptr_t handle_ = kNoHandle;
};

}  // namespace base

#endif  // BASE_DIRECTORY_LOCK_H_
