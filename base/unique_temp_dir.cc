#include "base/unique_temp_dir.h"

#include <utility>

#include "base/file_util.h"

namespace base {

namespace {

constexpr char16_t kPrefix[] = u"scoped_dir";

// Whether |text| is a decimal number of one to |max_digits| digits.
bool IsDecimal(const std::u16string& text, size_t max_digits) {
  if (text.empty() || text.size() > max_digits)
    return false;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9')
      return false;
  }
  return true;
}

}  // namespace

bool ParseUniqueTempDirName(const std::u16string& name, int64_t* pid) {
  const std::u16string prefix = kPrefix;
  if (name.compare(0, prefix.size(), prefix) != 0)
    return false;
  const size_t underscore = name.find(u'_', prefix.size());
  if (underscore == std::u16string::npos)
    return false;
  const std::u16string id =
      name.substr(prefix.size(), underscore - prefix.size());
  if (!IsDecimal(id, 10) || !IsDecimal(name.substr(underscore + 1), 5))
    return false;
  int64_t value = 0;
  for (char16_t c : id)
    value = value * 10 + (c - u'0');
  *pid = value;
  return true;
}

UniqueTempDir::UniqueTempDir(UniqueTempDir&& other) noexcept
    : path_(std::exchange(other.path_, FilePath())) {}

UniqueTempDir& UniqueTempDir::operator=(UniqueTempDir&& other) noexcept {
  if (this != &other) {
    Delete();
    path_ = std::exchange(other.path_, FilePath());
  }
  return *this;
}

UniqueTempDir::~UniqueTempDir() {
  Delete();
}

bool UniqueTempDir::Create() {
  if (IsValid())
    return false;
  return MakeTempDirectory(kPrefix, &path_);
}

void UniqueTempDir::Delete() {
  if (IsValid() && DeletePath(path_, true))
    path_ = FilePath();
}

}  // namespace base
