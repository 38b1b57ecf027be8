// The version resource as the system's VERSION library reads it: it finds
// the resource in the image (and in a language resource file where the
// system keeps one). The block it fills is the resource followed by room
// the library keeps for itself, which the block's own length leaves out.
#include "base/file_version_block.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "base/file_path.h"

namespace base {

bool ReadFileVersionBlock(const FilePath& path, std::vector<uint8_t>* block) {
  std::wstring system_path = path.AsSystemPath();
  // The library loads the image as a module, and the loader looks for a
  // name without an extension (a staged file's) as that name plus ".dll";
  // a trailing dot says there is none, and the file system drops it.
  const std::u16string name = path.BaseName().value();
  if (!name.empty() && name.find(u'.') == std::u16string::npos)
    system_path += L'.';
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(system_path.c_str(), &ignored);
  if (size == 0)
    return false;
  std::vector<uint8_t> data(size);
  if (!GetFileVersionInfoW(system_path.c_str(), 0, size, data.data()))
    return false;
  // The system's own reader must find the translation table, as the lookup
  // starts from it; a resource without one is no resource to the lookup.
  void* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &translation,
                      &length) ||
      !translation) {
    return false;
  }
  *block = std::move(data);
  return true;
}

uint16_t UserDefaultLanguage() {
  return GetUserDefaultLangID();
}

}  // namespace base
