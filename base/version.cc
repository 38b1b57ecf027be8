#include "base/version.h"

#include <cstddef>
#include <utility>

#include "base/logging.h"
#include "base/string_number_conversions.h"
#include "base/string_split.h"

namespace base {

namespace {

// Whether any component from |from| on is not zero.
bool HasNonZeroFrom(const std::vector<uint16_t>& components, size_t from) {
  for (size_t i = from; i < components.size(); ++i) {
    if (components[i] != 0)
      return true;
  }
  return false;
}

}  // namespace

Version::Version(const std::string& text) {
  std::vector<std::string> pieces;
  SplitOnChar(text, '.', &pieces);
  std::vector<uint16_t> components;
  for (const std::string& piece : pieces) {
    int32_t value = 0;
    if (!ParseInt(piece, &value) || value < 0 || value > 65535)
      return;
    // Formatting back rejects what the parser tolerates: leading zeros,
    // a plus sign and a negative zero.
    if (FormatInt(value) != piece)
      return;
    components.push_back(static_cast<uint16_t>(value));
  }
  components_ = std::move(components);
}

int Version::Compare(const Version& other) const {
  DCHECK(IsValid());
  DCHECK(other.IsValid());
  const std::vector<uint16_t>& mine = components_;
  const std::vector<uint16_t>& theirs = other.components_;
  size_t common = mine.size() < theirs.size() ? mine.size() : theirs.size();
  for (size_t i = 0; i < common; ++i) {
    if (mine[i] != theirs[i])
      return mine[i] > theirs[i] ? 1 : -1;
  }
  if (HasNonZeroFrom(mine, common))
    return 1;
  if (HasNonZeroFrom(theirs, common))
    return -1;
  return 0;
}

bool Version::IsOlder(const std::string& text) const {
  Version other(text);
  return other.IsValid() && Compare(other) == -1;
}

}  // namespace base
