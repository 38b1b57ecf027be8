// On Windows a path is joined with a backslash and handed to the system as
// UTF-16 with every slash turned into a backslash: most calls accept both,
// but the long-path prefix and the shell take only the backslash.
#include "base/file_path.h"

#include <windows.h>

namespace base {

const FilePath::CharType FilePath::kPreferredSeparator = u'\\';

FilePath FilePath::FromSystemPath(const SystemString& path) {
  return FilePath(StringType(path.begin(), path.end()));
}

FilePath::StringType FilePath::ComparisonKey() const {
  // The file systems fold names character by character, as the invariant
  // locale's upper case does, not by any language's rules.
  SystemString key(path_.begin(), path_.end());
  if (!key.empty()) {
    LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, key.data(),
                  static_cast<int>(key.size()), key.data(),
                  static_cast<int>(key.size()), nullptr, nullptr, 0);
  }
  return StringType(key.begin(), key.end());
}

FilePath::SystemString FilePath::AsSystemPath() const {
  SystemString native(path_.begin(), path_.end());
  for (wchar_t& c : native) {
    if (c == L'/')
      c = L'\\';
  }
  return native;
}

}  // namespace base
