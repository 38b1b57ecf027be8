// File: an open file of the system, owned by one object and closed when it
// goes. Used where the C runtime's streams cannot say enough: who may
// execute a new file, seeking in
// archives, flushing. Move-only; one thread at a time.
#ifndef BASE_FILE_H_
#define BASE_FILE_H_

#include <cstddef>
#include <cstdint>

namespace base {

class FilePath;

class File {
 public:
  enum class Whence { kBegin, kCurrent, kEnd };

  File() = default;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  // An existing file, for reading.
  static File OpenForRead(const FilePath& path);
  // An existing file, for writing at its end.
  static File OpenForAppend(const FilePath& path);
  // A file that must not exist yet, for writing: an ordinary file (0644
  // under the umask on Linux), runnable by its owner when |owner_executable|.
  // Windows has no execute bit and ignores |owner_executable|.
  static File CreateNew(const FilePath& path, bool owner_executable);
  // A file that must not exist yet, for writing, that only its owner may
  // open: mode 0600 on Linux, an access list naming the user alone, and
  // inheriting nothing from the directory, on Windows. For secrets.
  static File CreateNewPrivate(const FilePath& path);

  bool IsValid() const { return handle_ != kInvalidHandle; }

  // Up to |size| bytes: the count read, 0 at the end, -1 on an error.
  int64_t Read(void* buffer, size_t size);
  // False when not all of |data| could be written.
  bool WriteAll(const void* data, size_t size);
  // Returns once what was written is on the disk itself.
  bool Flush();
  // Gives this file the permission bits of the file at |model| (followed
  // through links); false when |model| cannot be read or the bits not set.
  bool CopyPermissionsFrom(const FilePath& model);
  // The new position from the start, or -1.
  int64_t Seek(Whence whence, int64_t offset);
  // Closes the file; false when the system reports a failure doing so, which
  // can be the first sign of a failed write.
  bool Close();

 private:
  static constexpr intptr_t kInvalidHandle = -1;
  explicit File(intptr_t handle) : handle_(handle) {}

  // The system's descriptor or handle.
  intptr_t handle_ = kInvalidHandle;
};

}  // namespace base

#endif  // BASE_FILE_H_
