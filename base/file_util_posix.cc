// File utilities over the POSIX file system calls. Deletes work on directory
// descriptors with O_NOFOLLOW so that a symbolic link met on the way is
// removed and never entered.
#include "base/file_util.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "base/utf_string_conversions.h"

namespace base {

namespace {

bool RemoveTreeAt(int parent_fd, const char* name);

// Removes every entry of the directory open as |dir_fd| (which it closes).
bool EmptyDirectory(int dir_fd) {
  DIR* dir = fdopendir(dir_fd);
  if (!dir) {
    close(dir_fd);
    return false;
  }
  bool success = true;
  while (struct dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..")
      continue;
    if (!RemoveTreeAt(dirfd(dir), name.c_str()))
      success = false;
  }
  closedir(dir);
  return success;
}

bool RemoveTreeAt(int parent_fd, const char* name) {
  struct stat info;
  if (fstatat(parent_fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
    return errno == ENOENT;
  if (!S_ISDIR(info.st_mode))
    return unlinkat(parent_fd, name, 0) == 0 || errno == ENOENT;

  int dir_fd =
      openat(parent_fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (dir_fd < 0)
    return false;
  bool emptied = EmptyDirectory(dir_fd);
  return emptied &&
         (unlinkat(parent_fd, name, AT_REMOVEDIR) == 0 || errno == ENOENT);
}

}  // namespace

bool PathPresent(const FilePath& path) {
  struct stat info;
  return lstat(path.AsSystemPath().c_str(), &info) == 0;
}

bool IsExistingDirectory(const FilePath& path) {
  struct stat info;
  return stat(path.AsSystemPath().c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool ReadFileInfo(const FilePath& path, FileInfo* info) {
  struct stat status;
  if (lstat(path.AsSystemPath().c_str(), &status) != 0)
    return false;
  info->size = status.st_size;
  info->is_directory = S_ISDIR(status.st_mode);
  info->is_symbolic_link = S_ISLNK(status.st_mode);
  return true;
}

bool IsPrivateDirectory(const FilePath& path) {
  struct stat status;
  return lstat(path.AsSystemPath().c_str(), &status) == 0 &&
         S_ISDIR(status.st_mode) && status.st_uid == geteuid() &&
         (status.st_mode & 077) == 0;
}

bool StoredName(const FilePath& path, std::u16string* name) {
  if (!PathPresent(path))
    return false;
  *name = path.StripTrailingSeparators().BaseName().value();
  return true;
}

bool DeletePath(const FilePath& path, bool recursive) {
  if (path.value().size() >= kMaxPathLength)
    return false;
  const std::string system_path = path.AsSystemPath();

  FileInfo info;
  if (!ReadFileInfo(path, &info))
    return errno == ENOENT || errno == ENOTDIR;
  if (!info.is_directory)
    return unlink(system_path.c_str()) == 0 || errno == ENOENT;
  if (!recursive)
    return rmdir(system_path.c_str()) == 0;
  return RemoveTreeAt(AT_FDCWD, system_path.c_str());
}

bool CreateDirectoryTree(const FilePath& path, std::vector<FilePath>* created) {
  if (PathPresent(path))
    return IsExistingDirectory(path);

  FilePath parent = path.DirName();
  if (parent == path)
    return false;
  if (!CreateDirectoryTree(parent, created))
    return false;

  if (mkdir(path.AsSystemPath().c_str(), 0777) != 0) {
    // Another creator may have come first.
    return errno == EEXIST && IsExistingDirectory(path);
  }
  if (created)
    created->push_back(path);
  return true;
}

bool NameLengthsFit(const FilePath& path) {
  const std::string system_path = path.AsSystemPath();
  if (system_path.size() >= PATH_MAX)
    return false;
  size_t start = 0;
  for (size_t end; (end = system_path.find('/', start)) != std::string::npos;
       start = end + 1) {
    if (end - start > NAME_MAX)
      return false;
  }
  return system_path.size() - start <= NAME_MAX;
}

bool RenamePath(const FilePath& from, const FilePath& to) {
  return rename(from.AsSystemPath().c_str(), to.AsSystemPath().c_str()) == 0;
}

bool FlushDirectory(const FilePath& dir) {
  int fd = open(dir.AsSystemPath().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0)
    return false;
  int result;
  do {
    result = fsync(fd);
  } while (result != 0 && errno == EINTR);
  close(fd);
  return result == 0;
}

bool ListDirectory(const FilePath& dir, std::vector<std::u16string>* names) {
  DIR* handle = opendir(dir.AsSystemPath().c_str());
  if (!handle)
    return false;
  while (struct dirent* entry = readdir(handle)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..")
      names->push_back(FilePath::FromSystemPath(name).value());
  }
  closedir(handle);
  return true;
}

bool GetSystemTempDir(FilePath* path) {
  const char* tmpdir = getenv("TMPDIR");
  std::string dir = (tmpdir && *tmpdir) ? tmpdir : "/tmp";
  FilePath temp_dir = FilePath::FromSystemPath(dir).StripTrailingSeparators();
  // The system's own limit for this value, trailing separator included.
  if (temp_dir.value().size() + 1 >= kMaxPathLength)
    return false;
  *path = temp_dir;
  return true;
}

bool CreateUniqueDirIn(const FilePath& base_dir,
                       const std::u16string& prefix,
                       FilePath* new_dir) {
  srand(static_cast<unsigned>(time(nullptr)));
  const std::string pid = std::to_string(getpid());
  for (int attempt = 0; attempt < 50; ++attempt) {
    std::u16string name =
        prefix + ASCIIToUTF16(pid + "_" + std::to_string(rand() % 32767));
    FilePath candidate = base_dir.Append(name);
    const std::string system_path = candidate.AsSystemPath();
    if (mkdir(system_path.c_str(), 0700) != 0)
      continue;
    // The umask can only take bits away; make sure the owner keeps all three.
    if (chmod(system_path.c_str(), 0700) != 0) {
      rmdir(system_path.c_str());
      continue;
    }
    *new_dir = candidate;
    return true;
  }
  return false;
}

bool CreateUniqueWorkDirIn(const FilePath& base_dir,
                           const std::u16string& prefix,
                           FilePath* new_dir) {
  return CreateUniqueDirIn(base_dir, prefix, new_dir);
}

ScopedFILE OpenFile(const FilePath& path, const char* mode) {
  return ScopedFILE(fopen(path.AsSystemPath().c_str(), mode));
}

}  // namespace base
