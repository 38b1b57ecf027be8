// FileVersionInfo over a Windows version resource block, the format used on
// every platform. Looks each key up under the resource's own translation and
// the fallbacks the system's tools use. Immutable; any thread may read it.
#ifndef BASE_FILE_VERSION_INFO_FROM_BLOCK_H_
#define BASE_FILE_VERSION_INFO_FROM_BLOCK_H_

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "base/file_version_info.h"
#include "base/version_resource.h"

namespace base {

class WinFileVersionInfo : public FileVersionInfo {
 public:
  // Takes over |block|; null when it has no translation table.
  static std::unique_ptr<WinFileVersionInfo> FromBlock(
      std::vector<uint8_t> block);

  WinFileVersionInfo(const WinFileVersionInfo&) = delete;
  WinFileVersionInfo& operator=(const WinFileVersionInfo&) = delete;

  // Looks |key| up under (resource language, resource code page), (user
  // language, resource code page), (resource language, 1252) and (user
  // language, 1252), in that order. On success |value| holds the first
  // value found; on failure it is untouched.
  bool GetString(const std::u16string& key, std::u16string* value) const;

  uint16_t language() const { return language_; }
  uint16_t code_page() const { return code_page_; }

  std::u16string CompanyName() const override;
  std::u16string CompanyShortName() const override;
  std::u16string ProductName() const override;
  std::u16string ProductShortName() const override;
  std::u16string InternalName() const override;
  std::u16string ProductVersion() const override;
  std::u16string PrivateBuild() const override;
  std::u16string SpecialBuild() const override;
  std::u16string Comments() const override;
  std::u16string OriginalFilename() const override;
  std::u16string FileDescription() const override;
  std::u16string FileVersion() const override;
  std::u16string LegalCopyright() const override;
  std::u16string LegalTrademarks() const override;
  std::u16string LastChange() const override;
  bool IsOfficialBuild() const override;

 private:
  WinFileVersionInfo(VersionResource data,
                     uint16_t language,
                     uint16_t code_page);

  std::u16string GetStringValue(const std::u16string& key) const;

  VersionResource data_;
  uint16_t language_;
  uint16_t code_page_;
};

}  // namespace base

#endif  // BASE_FILE_VERSION_INFO_FROM_BLOCK_H_
