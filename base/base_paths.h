// The keys of the well-known directories and files that PathService knows,
// and the providers it asks for them. Keys without a meaning on a platform
// are not handled there. The providers may be called from any thread.
#ifndef BASE_BASE_PATHS_H_
#define BASE_BASE_PATHS_H_

namespace base {

class FilePath;

enum BasePathKey {
  DIR_CURRENT = 1,                 // the current directory, never cached
  DIR_EXECUTABLE = 2,              // directory of FILE_EXECUTABLE
  DIR_THIS_MODULE = 3,             // directory of FILE_THIS_MODULE
  DIR_TEMPORARY = 4,               // the user's temporary directory
  FILE_EXECUTABLE = 5,             // the running executable
  FILE_THIS_MODULE = 6,            // the module holding this code
  DIR_EXECUTABLE_GRANDPARENT = 7,  // parent of the parent of DIR_EXECUTABLE
  DIR_DESKTOP = 8,

  // Windows shell and system folders.
  DIR_WINDOWS_ROOT = 101,
  DIR_SYSTEM_FOLDER = 102,
  DIR_PROGRAM_FOLDER = 103,
  DIR_PROGRAM_FOLDER_X86 = 104,
  DIR_INTERNET_CACHE = 105,
  DIR_ALL_USERS_START_MENU = 106,
  DIR_USER_START_MENU = 107,
  DIR_ROAMING_APP_DATA = 108,
  DIR_USER_PROFILE = 109,
  DIR_LOW_INTEGRITY_APP_DATA = 110,
  DIR_NONROAMING_APP_DATA = 111,
  DIR_ALL_USERS_APP_DATA = 112,
  DIR_APP_SHORTCUT_FOLDER = 113,
  DIR_ALL_USERS_DESKTOP = 114,
  DIR_QUICK_LAUNCH = 115,
  DIR_DEFAULT_PROFILE_QUICK_LAUNCH = 116,
};

// A provider fills |result| and returns true for the keys it handles; for
// any other key it returns false and leaves |result| alone.
using PathProviderFunction = bool (*)(int key, FilePath* result);

// The platform's provider (asked first) and the generic one.
bool PathProviderPlatform(int key, FilePath* result);
bool PathProvider(int key, FilePath* result);

// System look-ups behind DIR_CURRENT and DIR_TEMPORARY, defined per
// platform; the result has no trailing separators.
bool ReadCurrentDirectory(FilePath* result);
bool ReadTemporaryDirectory(FilePath* result);

}  // namespace base

#endif  // BASE_BASE_PATHS_H_
