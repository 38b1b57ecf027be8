// File utilities over the Win32 file calls. A recursive delete walks the
// tree itself and never enters a reparse point (a junction, a symbolic link
// or anything else the file system redirects): the point itself is removed
// and what it leads to is left alone. Deletes take read-only files and
// directories as well, as unlink and rmdir ignore permission bits on Linux.
#include "base/file_util.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "base/utf_string_conversions.h"
#include "base/win/scoped_handle.h"
#include "base/win/wide_text.h"

namespace base {

namespace {

// The attributes SetFileAttributesW accepts.
constexpr DWORD kSettableAttributes =
    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
    FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_TEMPORARY;

// Owns a directory search of FindFirstFileW, which FindClose ends.
class ScopedFindHandle {
 public:
  explicit ScopedFindHandle(HANDLE handle) : handle_(handle) {}
  ScopedFindHandle(const ScopedFindHandle&) = delete;
  ScopedFindHandle& operator=(const ScopedFindHandle&) = delete;
  ~ScopedFindHandle() {
    if (is_valid())
      FindClose(handle_);
  }

  bool is_valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// The errors that say nothing is at a path: the counterparts of ENOENT and
// of ENOTDIR (a file where a directory on the way should be).
bool IsAbsence(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The tag of the reparse point at |path|, or 0 when it cannot be read.
DWORD ReparseTag(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  ScopedFindHandle find(FindFirstFileW(path.c_str(), &entry));
  return find.is_valid() ? entry.dwReserved0 : 0;
}

// Whether a reparse point with |tag| stands for another place: a symbolic
// link or a junction, the counterparts of a symbolic link on Linux. Other
// tags (deduplicated, compressed or cloud files) are ordinary files and
// directories stored in a special way. No file on Windows carries tag 0;
// Wine shows a Unix symbolic link with it, and it counts as a link.
bool IsLinkTag(DWORD tag) {
  return tag == 0 || IsReparseTagNameSurrogate(tag);
}

bool Remove(const std::wstring& path, bool directory) {
  return directory ? RemoveDirectoryW(path.c_str()) != 0
                   : DeleteFileW(path.c_str()) != 0;
}

// Removes the file or empty directory at |path|, whose attributes are
// |attributes|. An entry that is already gone counts as removed; a
// read-only one loses that attribute first, and gets it back if it still
// cannot be removed.
bool RemoveEntry(const std::wstring& path, DWORD attributes, bool directory) {
  if (Remove(path, directory))
    return true;
  const DWORD error = GetLastError();
  if (IsAbsence(error))
    return true;
  if (error != ERROR_ACCESS_DENIED || !(attributes & FILE_ATTRIBUTE_READONLY))
    return false;
  DWORD writable = attributes & kSettableAttributes & ~FILE_ATTRIBUTE_READONLY;
  if (!SetFileAttributesW(path.c_str(),
                          writable ? writable : FILE_ATTRIBUTE_NORMAL)) {
    return false;
  }
  if (Remove(path, directory) || IsAbsence(GetLastError()))
    return true;
  SetFileAttributesW(path.c_str(), attributes & kSettableAttributes);
  return false;
}

// Removes the directory |dir| (not a reparse point) with everything in it.
// Goes on past entries it cannot remove, so that as much as possible goes.
bool RemoveTree(const std::wstring& dir, DWORD dir_attributes) {
  const std::wstring prefix = dir.back() == L'\\' ? dir : dir + L'\\';
  bool success = true;
  {
    WIN32_FIND_DATAW entry;
    ScopedFindHandle find(FindFirstFileW((prefix + L'*').c_str(), &entry));
    if (!find.is_valid()) {
      success = IsAbsence(GetLastError());
    } else {
      do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..")
          continue;
        const std::wstring child = prefix + name;
        const DWORD attributes = entry.dwFileAttributes;
        const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (directory && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
          if (!RemoveTree(child, attributes))
            success = false;
        } else if (!RemoveEntry(child, attributes, directory)) {
          success = false;
        }
      } while (FindNextFileW(find.get(), &entry));
      if (GetLastError() != ERROR_NO_MORE_FILES)
        success = false;
    }
  }
  // The search is closed by now: an open search keeps the directory busy.
  return success && RemoveEntry(dir, dir_attributes, true);
}

// |path| made absolute and given the extended-length prefix, so that a walk
// below it may go past 260 characters. |path| itself when that fails.
std::wstring ExtendedLengthPath(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0)
    return path;
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
  if (length == 0 || length >= size)
    return path;
  full.resize(length);
  if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0)
    return full;
  if (full.rfind(L"\\\\", 0) == 0)
    return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

// A security descriptor giving the current user, and no one else, full
// control of a directory and of everything later made in it; nothing is
// inherited from the parent. The counterpart of mode 0700.
class OwnerOnlySecurity {
 public:
  OwnerOnlySecurity() = default;
  OwnerOnlySecurity(const OwnerOnlySecurity&) = delete;
  OwnerOnlySecurity& operator=(const OwnerOnlySecurity&) = delete;

  bool Init() {
    HANDLE token_handle = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token_handle))
      return false;
    win::ScopedHandle token(token_handle);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0)
      return false;
    user_.resize(size);
    if (!GetTokenInformation(token.get(), TokenUser, user_.data(), size, &size))
      return false;
    PSID user = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;

    const DWORD acl_size = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) +
                           GetLengthSid(user) - sizeof(DWORD);
    acl_.resize(acl_size);
    ACL* acl = reinterpret_cast<ACL*>(acl_.data());
    if (!InitializeAcl(acl, acl_size, ACL_REVISION) ||
        !AddAccessAllowedAceEx(acl, ACL_REVISION,
                               OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                               FILE_ALL_ACCESS, user) ||
        !InitializeSecurityDescriptor(&descriptor_,
                                      SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED,
                                      SE_DACL_PROTECTED)) {
      return false;
    }
    attributes_.nLength = sizeof(attributes_);
    attributes_.lpSecurityDescriptor = &descriptor_;
    attributes_.bInheritHandle = FALSE;
    return true;
  }

  SECURITY_ATTRIBUTES* attributes() { return &attributes_; }

 private:
  // The token's user record (which holds the SID) and the access list; the
  // descriptor points into both.
  std::vector<BYTE> user_;
  std::vector<BYTE> acl_;
  SECURITY_DESCRIPTOR descriptor_ = {};
  SECURITY_ATTRIBUTES attributes_ = {};
};

// CreateUniqueDirIn's naming, with |security| for the directory (null:
// what it inherits from |base_dir|).
bool CreateUniqueDirWithSecurity(const FilePath& base_dir,
                                 const std::u16string& prefix,
                                 SECURITY_ATTRIBUTES* security,
                                 FilePath* new_dir) {
  srand(static_cast<unsigned>(time(nullptr)));
  const std::string pid = std::to_string(GetCurrentProcessId());
  for (int attempt = 0; attempt < 50; ++attempt) {
    std::u16string name =
        prefix + ASCIIToUTF16(pid + "_" + std::to_string(rand() % 32767));
    FilePath candidate = base_dir.Append(name);
    if (CreateDirectoryW(candidate.AsSystemPath().c_str(), security)) {
      *new_dir = candidate;
      return true;
    }
  }
  return false;
}

}  // namespace

bool PathPresent(const FilePath& path) {
  return GetFileAttributesW(path.AsSystemPath().c_str()) !=
         INVALID_FILE_ATTRIBUTES;
}

bool IsExistingDirectory(const FilePath& path) {
  const std::wstring system_path = path.AsSystemPath();
  const DWORD attributes = GetFileAttributesW(system_path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return false;
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  // A reparse point's attributes describe the point itself; ask what it
  // leads to.
  win::ScopedHandle target(
      CreateFileW(system_path.c_str(), FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  return target.is_valid() && GetFileInformationByHandle(target.get(), &info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ReadFileInfo(const FilePath& path, FileInfo* info) {
  const std::wstring system_path = path.AsSystemPath();
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(system_path.c_str(), GetFileExInfoStandard, &data))
    return false;
  const bool link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                    IsLinkTag(ReparseTag(system_path));
  info->size =
      static_cast<int64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  // A link to a directory is a link here, as lstat would tell on Linux.
  info->is_directory =
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !link;
  info->is_symbolic_link = link;
  return true;
}

bool IsPrivateDirectory(const FilePath& path) {
  FileInfo info;
  return ReadFileInfo(path, &info) && info.is_directory &&
         !(GetFileAttributesW(path.AsSystemPath().c_str()) &
           FILE_ATTRIBUTE_REPARSE_POINT);
}

bool StoredName(const FilePath& path, std::u16string* name) {
  WIN32_FIND_DATAW entry;
  ScopedFindHandle find(FindFirstFileW(
      path.StripTrailingSeparators().AsSystemPath().c_str(), &entry));
  if (!find.is_valid())
    return false;
  *name = AsChar16(entry.cFileName);
  return true;
}

bool DeletePath(const FilePath& path, bool recursive) {
  if (path.value().size() >= kMaxPathLength)
    return false;
  const std::wstring system_path =
      path.StripTrailingSeparators().AsSystemPath();

  const DWORD attributes = GetFileAttributesW(system_path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return IsAbsence(GetLastError());
  const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (!directory || !recursive || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return RemoveEntry(system_path, attributes, directory);
  return RemoveTree(ExtendedLengthPath(system_path), attributes);
}

bool CreateDirectoryTree(const FilePath& path, std::vector<FilePath>* created) {
  if (PathPresent(path))
    return IsExistingDirectory(path);

  FilePath parent = path.DirName();
  if (parent == path)
    return false;
  if (!CreateDirectoryTree(parent, created))
    return false;

  if (!CreateDirectoryW(path.AsSystemPath().c_str(), nullptr)) {
    // Another creator may have come first.
    return GetLastError() == ERROR_ALREADY_EXISTS && IsExistingDirectory(path);
  }
  if (created)
    created->push_back(path);
  return true;
}

bool NameLengthsFit(const FilePath& path) {
  constexpr size_t kMaxComponentLength = 255;
  size_t component = 0;
  for (char16_t c : path.value()) {
    component = FilePath::IsSeparator(c) ? 0 : component + 1;
    if (component > kMaxComponentLength)
      return false;
  }
  return true;
}

bool RenamePath(const FilePath& from, const FilePath& to) {
  // Write-through: the move is on the disk when the call returns. A file
  // being run or mapped may be moved, as it was opened sharing deletion.
  const std::wstring source = from.AsSystemPath();
  const std::wstring target = to.AsSystemPath();
  const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (MoveFileExW(source.c_str(), target.c_str(), flags))
    return true;
  // A read-only file is replaced as rename replaces it on Linux; it keeps
  // the attribute when the move fails all the same.
  const DWORD error = GetLastError();
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (error != ERROR_ACCESS_DENIED || attributes == INVALID_FILE_ATTRIBUTES ||
      !(attributes & FILE_ATTRIBUTE_READONLY) ||
      !SetFileAttributesW(target.c_str(), attributes &
                                              ~FILE_ATTRIBUTE_READONLY &
                                              kSettableAttributes)) {
    return false;
  }
  if (MoveFileExW(source.c_str(), target.c_str(), flags))
    return true;
  SetFileAttributesW(target.c_str(), attributes & kSettableAttributes);
  return false;
}

bool FlushDirectory(const FilePath& dir) {
  win::ScopedHandle handle(
      CreateFileW(dir.AsSystemPath().c_str(), GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle.is_valid())
    return false;
  // File systems that keep names in their own journal refuse to flush a
  // directory; the renames made here were written through already.
  if (FlushFileBuffers(handle.get()))
    return true;
  DWORD error = GetLastError();
  return error == ERROR_INVALID_FUNCTION || error == ERROR_ACCESS_DENIED;
}

bool ListDirectory(const FilePath& dir, std::vector<std::u16string>* names) {
  WIN32_FIND_DATAW entry;
  ScopedFindHandle find(
      FindFirstFileW((dir.AsSystemPath() + L"\\*").c_str(), &entry));
  if (!find.is_valid())
    return false;
  do {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..")
      names->push_back(AsChar16(name.c_str()));
  } while (FindNextFileW(find.get(), &entry));
  return GetLastError() == ERROR_NO_MORE_FILES;
}

bool GetSystemTempDir(FilePath* path) {
  char16_t buffer[kMaxPathLength];
  // The length without terminator, or the size needed when it does not fit.
  const DWORD length = GetTempPathW(kMaxPathLength, AsWCHAR(buffer));
  if (length == 0 || length >= kMaxPathLength)
    return false;
  *path = FilePath(std::u16string(buffer, length)).StripTrailingSeparators();
  return true;
}

bool CreateUniqueDirIn(const FilePath& base_dir,
                       const std::u16string& prefix,
                       FilePath* new_dir) {
  OwnerOnlySecurity security;
  return security.Init() &&
         CreateUniqueDirWithSecurity(base_dir, prefix, security.attributes(),
                                     new_dir);
}

bool CreateUniqueWorkDirIn(const FilePath& base_dir,
                           const std::u16string& prefix,
                           FilePath* new_dir) {
  return CreateUniqueDirWithSecurity(base_dir, prefix, nullptr, new_dir);
}

ScopedFILE OpenFile(const FilePath& path, const char* mode) {
  const std::wstring wide_mode(mode, mode + strlen(mode));
  return ScopedFILE(_wfopen(path.AsSystemPath().c_str(), wide_mode.c_str()));
}

}  // namespace base
