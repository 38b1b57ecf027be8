#include "base/file_path.h"

#include "base/logging.h"
#include "base/string_util.h"
#include "base/utf_string_conversions.h"

namespace base {

namespace {

constexpr size_t kNoDrive = static_cast<size_t>(-1);

// The index of the colon of a leading drive letter ("C:"), or kNoDrive.
// Positions below are written D + 1 and so on, which wrap to 0 without one.
size_t FindDriveLetter(const FilePath::StringType& path) {
  if (path.size() >= 2 && path[1] == u':' &&
      ((path[0] >= u'A' && path[0] <= u'Z') ||
       (path[0] >= u'a' && path[0] <= u'z'))) {
    return 1;
  }
  return kNoDrive;
}

size_t FindLastSeparator(const FilePath::StringType& path) {
  return path.find_last_of(u"\\/");
}

}  // namespace

const FilePath::CharType FilePath::kCurrentDirectory[] = u".";

FilePath FilePath::Append(const StringType& component) const {
  DCHECK(!IsPathAbsolute(component));
  if (path_ == kCurrentDirectory)
    return FilePath(component);
  FilePath joined = StripTrailingSeparators();
  StringType& text = joined.path_;
  size_t drive = FindDriveLetter(text);
  // No separator after a bare drive: "C:" and "a" make the relative "C:a".
  if (!component.empty() && !text.empty() && !IsSeparator(text.back()) &&
      text.size() != drive + 1) {
    text.push_back(kPreferredSeparator);
  }
  text.append(component);
  return joined;
}

FilePath FilePath::Append(const FilePath& component) const {
  return Append(component.value());
}

FilePath FilePath::AppendASCII(const std::string& component) const {
  DCHECK(IsStringASCII(component));
  return Append(ASCIIToUTF16(component));
}

FilePath FilePath::DirName() const {
  FilePath parent = StripTrailingSeparators();
  StringType& text = parent.path_;
  size_t drive = FindDriveLetter(text);
  size_t last = FindLastSeparator(text);
  if (last == StringType::npos) {
    text.resize(drive + 1);
  } else if (last == drive + 1) {
    text.resize(drive + 2);
  } else if (last == drive + 2 && IsSeparator(text[drive + 1])) {
    text.resize(drive + 3);
  } else {
    text.resize(last);
  }
  parent.StripTrailingSeparatorsInternal();
  return text.empty() ? FilePath(kCurrentDirectory) : parent;
}

FilePath FilePath::BaseName() const {
  FilePath base = StripTrailingSeparators();
  StringType& text = base.path_;
  size_t drive = FindDriveLetter(text);
  if (drive != kNoDrive)
    text.erase(0, drive + 1);
  size_t last = FindLastSeparator(text);
  if (last != StringType::npos && last + 1 < text.size())
    text.erase(0, last + 1);
  return base;
}

FilePath FilePath::StripTrailingSeparators() const {
  FilePath stripped(*this);
  stripped.StripTrailingSeparatorsInternal();
  return stripped;
}

void FilePath::StripTrailingSeparatorsInternal() {
  const size_t start = FindDriveLetter(path_) + 2;
  size_t last_stripped = kNoDrive;
  for (size_t pos = path_.size(); pos > start && IsSeparator(path_[pos - 1]);
       --pos) {
    // A separator right after the root stays when the root's own separator
    // precedes it, unless the run of separators was longer than two: that
    // keeps "\\" (an alternate root) but turns "\\\" into "\".
    if (pos != start + 1 || last_stripped == start + 2 ||
        !IsSeparator(path_[start - 1])) {
      path_.resize(pos - 1);
      last_stripped = pos;
    }
  }
}

bool FilePath::IsPathAbsolute(const StringType& path) {
  size_t drive = FindDriveLetter(path);
  if (drive != kNoDrive)
    return path.size() > drive + 1 && IsSeparator(path[drive + 1]);
  return path.size() > 1 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

bool FilePath::IsSeparator(CharType c) {
  return c == u'\\' || c == u'/';
}

}  // namespace base
