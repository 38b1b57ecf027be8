// UniqueTempDir: a new private directory in the system temporary directory
// ("scoped_dir" followed by the process id, "_" and a random number), which
// the object owns with everything in it and deletes when it goes. Move-only;
// one thread at a time.
#ifndef BASE_UNIQUE_TEMP_DIR_H_
#define BASE_UNIQUE_TEMP_DIR_H_

#include <cstdint>
#include <string>

#include "base/file_path.h"

namespace base {

// The process id in the name of a directory that UniqueTempDir makes (1234
// for "scoped_dir1234_567"); false, with |pid| untouched, for any other name.
bool ParseUniqueTempDirName(const std::u16string& name, int64_t* pid);

class UniqueTempDir {
 public:
  UniqueTempDir() = default;
  UniqueTempDir(UniqueTempDir&& other) noexcept;
  UniqueTempDir& operator=(UniqueTempDir&& other) noexcept;
  UniqueTempDir(const UniqueTempDir&) = delete;
  UniqueTempDir& operator=(const UniqueTempDir&) = delete;
  // Deletes the directory recursively; a failed delete leaves it behind,
  // unreported.
  ~UniqueTempDir();

  // Creates the directory. False when one is already held or none could be
  // made.
  bool Create();

  // Empty until Create has succeeded.
  const FilePath& path() const { return path_; }
  bool IsValid() const { return !path_.empty(); }

 private:
  void Delete();

  FilePath path_;
};

}  // namespace base

#endif  // BASE_UNIQUE_TEMP_DIR_H_
