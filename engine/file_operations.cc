#include "engine/file_operations.h"

#include "base/file.h"
#include "base/file_util.h"

bool FileOperations::Rename(const base::FilePath& from,
                            const base::FilePath& to) {
  return base::RenamePath(from, to);
}

bool FileOperations::MakeDirectory(const base::FilePath& dir) {
  return base::CreateDirectoryTree(dir);
}

bool FileOperations::RemovePath(const base::FilePath& path, bool recursive) {
  return base::DeletePath(path, recursive);
}

bool FileOperations::FlushDirectory(const base::FilePath& dir) {
  return base::FlushDirectory(dir);
}

bool FileOperations::WriteNewFile(const base::FilePath& path,
                                  const std::string& text) {
  base::File file = base::File::CreateNew(path, false);
  return file.IsValid() && file.WriteAll(text.data(), text.size()) &&
         file.Flush() && file.Close();
}
