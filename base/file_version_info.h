// The version information of an executable file: the strings of its version
// resource. The caller owns each object that ForFile returns; objects are
// immutable, so any thread may read them.
#ifndef BASE_FILE_VERSION_INFO_H_
#define BASE_FILE_VERSION_INFO_H_

#include <memory>
#include <string>

namespace base {

class FilePath;

class FileVersionInfo {
 public:
  virtual ~FileVersionInfo() = default;

  // The version information of the file at |path|; null when the file is
  // missing or unreadable, or has no version resource or no translation table.
  static std::unique_ptr<FileVersionInfo> ForFile(const FilePath& path);

  // Each accessor returns the value of its key, or an empty string.
  virtual std::u16string CompanyName() const = 0;
  virtual std::u16string CompanyShortName() const = 0;
  virtual std::u16string ProductName() const = 0;
  virtual std::u16string ProductShortName() const = 0;
  virtual std::u16string InternalName() const = 0;
  virtual std::u16string ProductVersion() const = 0;
  virtual std::u16string PrivateBuild() const = 0;
  virtual std::u16string SpecialBuild() const = 0;
  virtual std::u16string Comments() const = 0;
  virtual std::u16string OriginalFilename() const = 0;
  virtual std::u16string FileDescription() const = 0;
  virtual std::u16string FileVersion() const = 0;
  virtual std::u16string LegalCopyright() const = 0;
  virtual std::u16string LegalTrademarks() const = 0;
  virtual std::u16string LastChange() const = 0;
  // True when "Official Build" reads "1".
  virtual bool IsOfficialBuild() const = 0;
};

}  // namespace base

#endif  // BASE_FILE_VERSION_INFO_H_
