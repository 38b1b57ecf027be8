// File-system utilities of the updater: path tests, deletes, directory
// creation, unique temporary directories and C-runtime file streams, all on
// FilePath values. None of them logs. Any thread may call them; they share
// no state except the C runtime's random generator of CreateUniqueDirIn.
#ifndef BASE_FILE_UTIL_H_
#define BASE_FILE_UTIL_H_

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/file_path.h"

namespace base {

// Paths this long (in UTF-16 units) or longer are refused by DeletePath.
inline constexpr size_t kMaxPathLength = 260;

struct FileInfo {
  int64_t size = 0;
  bool is_directory = false;
  bool is_symbolic_link = false;
};

// Whether anything (a symbolic link or other reparse point included, even a
// dangling one) is at |path|.
bool PathPresent(const FilePath& path);

// Whether |path| is a directory, or a symbolic link to one.
bool IsExistingDirectory(const FilePath& path);

// Describes what is at |path| itself, without following a symbolic link.
// False, with |info| untouched, when nothing can be described there.
bool ReadFileInfo(const FilePath& path, FileInfo* info);

// The name under which the entry at |path| itself is stored, which on
// Windows may differ in letter case from |path|'s last component. False,
// with |name| untouched, when nothing is there.
bool StoredName(const FilePath& path, std::u16string* name);

// Deletes |path|. Not recursive: an empty directory or a file. Recursive: a
// file, or a directory with everything in it; a symbolic link (on Windows
// any reparse point) is removed, never followed. An entry's own permission
// bits or read-only attribute do not stand in the way. A path that is
// already absent counts as deleted; a path of kMaxPathLength units or more
// fails without touching anything.
bool DeletePath(const FilePath& path, bool recursive);

// Creates |path| and every missing parent. True when |path| is a directory
// afterwards, also when it already was; false when something on the way is
// not a directory or cannot be created. When |created| is given, the
// directories this call made are appended to it, outermost first, also
// when it fails part-way.
bool CreateDirectoryTree(const FilePath& path,
                         std::vector<FilePath>* created = nullptr);

// Whether the file system can hold a file at |path| by the length of its
// names: on Linux each component at most 255 bytes of UTF-8 and the whole
// below PATH_MAX; on Windows each component at most 255 UTF-16 units (the
// whole path is kMaxPathLength's to bound).
bool NameLengthsFit(const FilePath& path);

// Moves |from| to |to| in one step, replacing a file already at |to|. Both
// must be on one file system. A file that is open, mapped or being run may
// be moved; whoever has it keeps reading the same content.
bool RenamePath(const FilePath& from, const FilePath& to);

// Makes the names created, renamed or removed in |dir| durable.
bool FlushDirectory(const FilePath& dir);

// Whether |path| is a directory of the current user's alone, and not a
// link to one: on Linux owned by the user and closed to everyone else (mode
// 0700 or narrower); on Windows not a reparse point, a directory in the
// user's own temporary directory being closed to other users by the
// profile it lies in.
bool IsPrivateDirectory(const FilePath& path);

// The names in |dir|, "." and ".." left out, in no particular order. False
// when |dir| cannot be read.
bool ListDirectory(const FilePath& dir, std::vector<std::u16string>* names);

// The system temporary directory, without trailing separators: $TMPDIR,
// else /tmp, on Linux; GetTempPathW's answer (from TMP, TEMP or the user's
// profile) on Windows. False when it is kMaxPathLength units or longer.
bool GetSystemTempDir(FilePath* path);

// Creates a new private directory (owner only: mode 0700 on Linux; on
// Windows an access list that names the current user alone and inherits
// nothing from |base_dir|, passed on to what is made inside) in
// |base_dir| named |prefix|, the process id, "_" and a random number below
// 32767, trying up to 50 names. On success |new_dir| holds its path.
bool CreateUniqueDirIn(const FilePath& base_dir,
                       const std::u16string& prefix,
                       FilePath* new_dir);

// CreateUniqueDirIn for work whose results are later moved out into
// |base_dir|: what is made inside must get the access that it would get in
// |base_dir| itself. On Linux that is CreateUniqueDirIn, since a file keeps
// its own mode; on Windows the directory takes |base_dir|'s inherited access
// list instead of a private one.
bool CreateUniqueWorkDirIn(const FilePath& base_dir,
                           const std::u16string& prefix,
                           FilePath* new_dir);

// CreateUniqueDirIn in the system temporary directory.
bool MakeTempDirectory(const std::u16string& prefix, FilePath* new_dir);

struct FILECloser {
  void operator()(FILE* file) const { fclose(file); }
};
using ScopedFILE = std::unique_ptr<FILE, FILECloser>;

// fopen of |path| with the C runtime's |mode|; empty on failure.
ScopedFILE OpenFile(const FilePath& path, const char* mode);

}  // namespace base

#endif  // BASE_FILE_UTIL_H_
