// File over Win32 file handles, created not inheritable so that a started
// process never receives one. A file open for reading may still be read,
// written, renamed or deleted by others, as on Linux; a file open for
// writing may only be read by others, so that two writers never interleave.
// Windows has no execute bit: whether a new file may run depends on its
// name and on the access list it inherits from its directory.
#include "base/file.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "base/file_path.h"
#include "base/win/scoped_handle.h"

namespace base {

namespace {

// ReadFile and WriteFile count in DWORDs; larger requests go in pieces.
constexpr size_t kLargestTransfer = 1u << 30;

HANDLE Handle(intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

// CreateFileW's failure value, INVALID_HANDLE_VALUE, is File's empty -1.
intptr_t Open(const FilePath& path,
              DWORD access,
              DWORD share,
              DWORD disposition,
              SECURITY_ATTRIBUTES* security = nullptr) {
  HANDLE handle =
      CreateFileW(path.AsSystemPath().c_str(), access, share, security,
                  disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  return reinterpret_cast<intptr_t>(handle);
}

// The SID of the user this process runs as, copied out of its token; empty
// on a failure.
std::vector<BYTE> CurrentUserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
    return {};
  win::ScopedHandle owned_token(token);
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> user(size);
  if (size == 0 ||
      !GetTokenInformation(token, TokenUser, user.data(), size, &size))
    return {};
  PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
  const BYTE* sid_bytes = static_cast<const BYTE*>(sid);
  return std::vector<BYTE>(sid_bytes, sid_bytes + GetLengthSid(sid));
}

}  // namespace

File File::OpenForRead(const FilePath& path) {
  return File(Open(path, GENERIC_READ,
                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                   OPEN_EXISTING));
}

File File::OpenForAppend(const FilePath& path) {
  return File(Open(path, FILE_APPEND_DATA, FILE_SHARE_READ, OPEN_EXISTING));
}

File File::CreateNew(const FilePath& path, bool /*owner_executable*/) {
  return File(Open(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW));
}

File File::CreateNewPrivate(const FilePath& path) {
  std::vector<BYTE> sid = CurrentUserSid();
  if (sid.empty())
    return File();
  // One entry, the user's full access; protected, so that nothing is
  // inherited from the directory.
  std::vector<BYTE> acl_bytes(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) +
                              sid.size());
  ACL* acl = reinterpret_cast<ACL*>(acl_bytes.data());
  SECURITY_DESCRIPTOR descriptor;
  if (!InitializeAcl(acl, static_cast<DWORD>(acl_bytes.size()), ACL_REVISION) ||
      !AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid.data()) ||
      !InitializeSecurityDescriptor(&descriptor,
                                    SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) ||
      !SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED,
                                    SE_DACL_PROTECTED)) {
    return File();
  }
  SECURITY_ATTRIBUTES security = {sizeof(security), &descriptor, FALSE};
  return File(Open(path, GENERIC_WRITE, 0, CREATE_NEW, &security));
}

int64_t File::Read(void* buffer, size_t size) {
  DWORD read = 0;
  if (!ReadFile(Handle(handle_), buffer,
                static_cast<DWORD>(std::min(size, kLargestTransfer)), &read,
                nullptr)) {
    // The writing end of a pipe has gone: that is its end of file.
    return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
  }
  return read;
}

bool File::WriteAll(const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(Handle(handle_), bytes,
                   static_cast<DWORD>(std::min(size, kLargestTransfer)),
                   &written, nullptr) ||
        written == 0) {
      return false;
    }
    bytes += written;
    size -= written;
  }
  return true;
}

bool File::Flush() {
  return FlushFileBuffers(Handle(handle_)) != 0;
}

bool File::CopyPermissionsFrom(const FilePath& model) {
  // Windows keeps no permission bits; the read-only attribute is what a
  // replaced file would lose.
  DWORD attributes = GetFileAttributesW(model.AsSystemPath().c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return false;
  FILE_BASIC_INFO info = {};
  if (!GetFileInformationByHandleEx(Handle(handle_), FileBasicInfo, &info,
                                    sizeof(info)))
    return false;
  info.FileAttributes = (info.FileAttributes & ~FILE_ATTRIBUTE_READONLY) |
                        (attributes & FILE_ATTRIBUTE_READONLY);
  return SetFileInformationByHandle(Handle(handle_), FileBasicInfo, &info,
                                    sizeof(info)) != 0;
}

int64_t File::Seek(Whence whence, int64_t offset) {
  const DWORD method = whence == Whence::kBegin     ? FILE_BEGIN
                       : whence == Whence::kCurrent ? FILE_CURRENT
                                                    : FILE_END;
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER position;
  if (!SetFilePointerEx(Handle(handle_), distance, &position, method))
    return -1;
  return position.QuadPart;
}

bool File::Close() {
  if (!IsValid())
    return true;
  return CloseHandle(Handle(std::exchange(handle_, kInvalidHandle))) != 0;
}

}  // namespace base
