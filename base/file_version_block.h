// What each platform supplies to the version lookup: the raw version
// resource of a file and the user's default language. Implemented once per
// platform (file_version_block_posix.cc, file_version_block_win.cc); any
// thread may call them.
#ifndef BASE_FILE_VERSION_BLOCK_H_
#define BASE_FILE_VERSION_BLOCK_H_

#include <stdint.h>

#include <vector>

namespace base {

class FilePath;

// Copies the whole version resource of the file at |path| into |block|.
// False, with |block| untouched, when the file cannot be read or carries no
// version resource. The Windows half reads it with the system's VERSION
// library and also refuses a resource in which that library finds no
// translation table, as the lookup would.
bool ReadFileVersionBlock(const FilePath& path, std::vector<uint8_t>* block);

// The user's default language as a Windows language id (0x0409 when unknown).
uint16_t UserDefaultLanguage();

}  // namespace base

#endif  // BASE_FILE_VERSION_BLOCK_H_
