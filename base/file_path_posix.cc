// On Linux a path is joined with '/' and handed to the system as UTF-8 with
// backslashes turned into '/', so that paths written either way reach the
// same file.
#include "base/file_path.h"

#include "base/utf_string_conversions.h"

namespace base {

const FilePath::CharType FilePath::kPreferredSeparator = u'/';

FilePath FilePath::FromSystemPath(const SystemString& path) {
  return FilePath(UTF8ToUTF16(path));
}

FilePath::StringType FilePath::ComparisonKey() const {
  return path_;
}

FilePath::SystemString FilePath::AsSystemPath() const {
  std::string native = UTF16ToUTF8(path_);
  for (char& c : native) {
    if (c == '\\')
      c = '/';
  }
  return native;
}

}  // namespace base
