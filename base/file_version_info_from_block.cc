#include "base/file_version_info_from_block.h"

#include <stdio.h>

#include <utility>

#include "base/file_version_block.h"

namespace base {

namespace {

// The code page tried when the resource's own one has no such string.
constexpr uint16_t kFallbackCodePage = 1252;
// Room for a sub-block name, terminator included, as the lookup always had.
constexpr size_t kSubBlockCapacity = 260;

// "\StringFileInfo\<language><code page>\<key>", or false when it would not
// fit the sub-block buffer.
bool FormatSubBlock(uint16_t language,
                    uint16_t code_page,
                    const std::u16string& key,
                    std::u16string* name) {
  char table[9];
  snprintf(table, sizeof(table), "%04x%04x", language, code_page);
  std::u16string result = u"\\StringFileInfo\\";
  result.append(table, table + 8);
  result += u'\\';
  result += key;
  if (result.size() >= kSubBlockCapacity)
    return false;
  *name = std::move(result);
  return true;
}

}  // namespace

std::unique_ptr<WinFileVersionInfo> WinFileVersionInfo::FromBlock(
    std::vector<uint8_t> block) {
  VersionResource resource(std::move(block));
  uint16_t language = 0;
  uint16_t code_page = 0;
  if (!resource.FirstTranslation(&language, &code_page))
    return nullptr;
  return std::unique_ptr<WinFileVersionInfo>(
      new WinFileVersionInfo(std::move(resource), language, code_page));
}

WinFileVersionInfo::WinFileVersionInfo(VersionResource data,
                                       uint16_t language,
                                       uint16_t code_page)
    : data_(std::move(data)), language_(language), code_page_(code_page) {}

bool WinFileVersionInfo::GetString(const std::u16string& key,
                                   std::u16string* value) const {
  const uint16_t user_language = UserDefaultLanguage();
  const struct {
    uint16_t language;
    uint16_t code_page;
  } tries[] = {
      {language_, code_page_},
      {user_language, code_page_},
      {language_, kFallbackCodePage},
      {user_language, kFallbackCodePage},
  };
  for (const auto& attempt : tries) {
    std::u16string sub_block;
    if (FormatSubBlock(attempt.language, attempt.code_page, key, &sub_block) &&
        data_.QueryString(sub_block, value))
      return true;
  }
  return false;
}

std::u16string WinFileVersionInfo::GetStringValue(
    const std::u16string& key) const {
  std::u16string value;
  return GetString(key, &value) ? value : std::u16string();
}

std::u16string WinFileVersionInfo::CompanyName() const {
  return GetStringValue(u"CompanyName");
}
std::u16string WinFileVersionInfo::CompanyShortName() const {
  return GetStringValue(u"CompanyShortName");
}
std::u16string WinFileVersionInfo::ProductName() const {
  return GetStringValue(u"ProductName");
}
std::u16string WinFileVersionInfo::ProductShortName() const {
  return GetStringValue(u"ProductShortName");
}
std::u16string WinFileVersionInfo::InternalName() const {
  return GetStringValue(u"InternalName");
}
std::u16string WinFileVersionInfo::ProductVersion() const {
  return GetStringValue(u"ProductVersion");
}
std::u16string WinFileVersionInfo::PrivateBuild() const {
  return GetStringValue(u"PrivateBuild");
}
std::u16string WinFileVersionInfo::SpecialBuild() const {
  return GetStringValue(u"SpecialBuild");
}
std::u16string WinFileVersionInfo::Comments() const {
  return GetStringValue(u"Comments");
}
std::u16string WinFileVersionInfo::OriginalFilename() const {
  return GetStringValue(u"OriginalFilename");
}
std::u16string WinFileVersionInfo::FileDescription() const {
  return GetStringValue(u"FileDescription");
}
std::u16string WinFileVersionInfo::FileVersion() const {
  return GetStringValue(u"FileVersion");
}
std::u16string WinFileVersionInfo::LegalCopyright() const {
  return GetStringValue(u"LegalCopyright");
}
std::u16string WinFileVersionInfo::LegalTrademarks() const {
  return GetStringValue(u"LegalTrademarks");
}
std::u16string WinFileVersionInfo::LastChange() const {
  return GetStringValue(u"LastChange");
}
bool WinFileVersionInfo::IsOfficialBuild() const {
  return GetStringValue(u"Official Build") == u"1";
}

}  // namespace base
