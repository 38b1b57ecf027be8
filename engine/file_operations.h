// The changes that a commit of an update, or its recovery after a crash,
// makes to the file system: one call per step, so that tests can stop
// either after any step, as a process that dies would. The methods do what
// base's file utilities do. Used by one thread at a time.
#ifndef ENGINE_FILE_OPERATIONS_H_
#define ENGINE_FILE_OPERATIONS_H_

#include <string>

#include "base/file_path.h"

class FileOperations {
 public:
  virtual ~FileOperations() = default;

  // Moves |from| to |to| in one step, replacing a file at |to|.
  virtual bool Rename(const base::FilePath& from, const base::FilePath& to);
  // Creates the directory |dir|, whose parent exists; true also when a
  // directory is already there.
  virtual bool MakeDirectory(const base::FilePath& dir);
  // Deletes |path| (recursively when |recursive|); true when nothing is
  // left there.
  virtual bool RemovePath(const base::FilePath& path, bool recursive);
  // Makes the names created, renamed or removed in |dir| durable.
  virtual bool FlushDirectory(const base::FilePath& dir);
  // Creates |path|, which must not exist yet, holding |text| on disk.
  virtual bool WriteNewFile(const base::FilePath& path,
                            const std::string& text);
};

#endif  // ENGINE_FILE_OPERATIONS_H_
