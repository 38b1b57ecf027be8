// FilePath: a file-system path held as UTF-16 text, with lexical operations
// (join, parent, trailing-separator stripping) that never touch the disk.
// Backslash and slash are both separators. A plain value; any thread.
#ifndef BASE_FILE_PATH_H_
#define BASE_FILE_PATH_H_

#include <string>

namespace base {

class FilePath {
 public:
  using StringType = std::u16string;
  using CharType = char16_t;
  // What the file-system calls take.
#if defined(_WIN32)
  using SystemString = std::wstring;
#else
  using SystemString = std::string;
#endif

  // The separator written when joining: '/' on Linux, '\\' on Windows.
  static const CharType kPreferredSeparator;
  static const CharType kCurrentDirectory[];

  FilePath() = default;
  explicit FilePath(const StringType& path) : path_(path) {}

  // A path as the system hands it out (UTF-8 on Linux).
  static FilePath FromSystemPath(const SystemString& path);

  const StringType& value() const {
    return path_;
  }
  bool empty() const {
    return path_.empty();
  }
  // The text for the file-system calls: on Linux UTF-8, with every
  // backslash turned into '/'.
  SystemString AsSystemPath() const;

  // The text by which the file system tells names apart: on Windows the
  // path in upper case, since its file systems ignore letter case; on
  // Linux the path as it is.
  StringType ComparisonKey() const;

  bool operator==(const FilePath& other) const {
    return path_ == other.path_;
  }
  bool operator!=(const FilePath& other) const {
    return path_ != other.path_;
  }

  // |component| joined on with one separator; a path of "." gives the
  // component alone. |component| is meant to be relative.
  FilePath Append(const StringType& component) const;
  FilePath Append(const FilePath& component) const;
  // The same for an ASCII component.
  FilePath AppendASCII(const std::string& component) const;

  // The parent directory: "C:\a" for "C:\a\b.exe", "C:\" for "C:\a",
  // "." for "b.exe", "C:" for "C:".
  FilePath DirName() const;
  // The last component, after the last separator.
  FilePath BaseName() const;

  // A copy without redundant trailing separators; the root separator, the
  // one after a drive letter and a leading double separator stay.
  FilePath StripTrailingSeparators() const;

  // A drive letter followed by a separator, or (without a drive) two
  // leading separators.
  static bool IsPathAbsolute(const StringType& path);
  bool IsAbsolute() const {
    return IsPathAbsolute(path_);
  }
  static bool IsSeparator(CharType c);

 private:
  void StripTrailingSeparatorsInternal();

  StringType path_;
};

}  // namespace base

#endif  // BASE_FILE_PATH_H_
