#include "base/directory_lock.h"

#include <windows.h>

#include "base/file_path.h"

namespace base {

namespace {

constexpr char16_t kLockFileName[] = u"..lock";

}  // namespace

DirectoryLock::Result DirectoryLock::Acquire(const FilePath& dir) {
  const std::wstring path = dir.Append(kLockFileName).AsSystemPath();
  // Not opened for deletion on close: one that fails to get the lock must
  // not take the file away from under the holder. The holder marks it for
  // deletion once the lock is its own.
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    // A file marked for deletion can be neither opened nor described: it
    // is a holder's. Where none is there, the directory cannot be written.
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
      return Result::kHeldElsewhere;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
               ? Result::kUnavailable
               : Result::kHeldElsewhere;
  }
  OVERLAPPED whole_file = {};
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                  1, 0, &whole_file)) {
    CloseHandle(file);
    return Result::kHeldElsewhere;
  }
  FILE_DISPOSITION_INFO delete_on_close = {TRUE};
  SetFileInformationByHandle(file, FileDispositionInfo, &delete_on_close,
                             sizeof(delete_on_close));
  handle_ = reinterpret_cast<intptr_t>(file);
  return Result::kAcquired;
}

void DirectoryLock::Release() {
  if (handle_ != kNoHandle)
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = kNoHandle;
}

}  // namespace base
