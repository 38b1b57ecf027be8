// On Windows a path is joined with a backslash and handed to the system as
// UTF-16 with every slash turned into a backslash: most calls accept both,
// but the long-path prefix and the shell take only the backslash.
#include "base/file_path.h"

namespace base {

const FilePath::CharType FilePath::kPreferredSeparator = u'\\';

FilePath FilePath::FromSystemPath(const SystemString& path) {
  return FilePath(StringType(path.begin(), path.end()));
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
