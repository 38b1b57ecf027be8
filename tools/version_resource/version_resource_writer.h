// Writes Windows version resources: the VS_VERSIONINFO block, the PE-style
// resource section that carries it, and small PE and ELF images holding that
// section, for the demonstration host and for tests. Plain functions on
// values; any thread may call them.
#ifndef TOOLS_VERSION_RESOURCE_VERSION_RESOURCE_WRITER_H_
#define TOOLS_VERSION_RESOURCE_VERSION_RESOURCE_WRITER_H_

#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

namespace tools {

struct VersionResourceOptions {
  // The strings of the one string table, in this order.
  std::vector<std::pair<std::u16string, std::u16string>> strings;
  // The string table's key.
  uint16_t string_language = 0x0804;
  uint16_t string_code_page = 0x04b0;
  // The one entry of "\VarFileInfo\Translation", when there is a table.
  bool has_translation = true;
  uint16_t translation_language = 0x0804;
  uint16_t translation_code_page = 0x04b0;
  // dwFileVersion and dwProductVersion of the fixed file information.
  uint16_t fixed_version[4] = {0, 0, 0, 0};
};

// Options for a resource whose "FileVersion" is |file_version|, with the
// fixed version numbers read from it, and matching translation and table.
VersionResourceOptions OptionsForFileVersion(
    const std::u16string& file_version);

// Up to four numbers separated by ',' or '.', blanks ignored ("1, 0, 2, 5");
// missing or unreadable components are 0.
void ParseFixedVersion(const std::u16string& text, uint16_t version[4]);

// The VS_VERSIONINFO block.
std::vector<uint8_t> BuildVersionInfo(const VersionResourceOptions& options);

// A resource directory holding |version_info| as RT_VERSION, name 1,
// language |language|. Data entries point at |data_base| plus the data's
// offset in the section: the section's RVA in a PE image, 0 in an ELF image.
std::vector<uint8_t> BuildResourceSection(
    const std::vector<uint8_t>& version_info,
    uint16_t language,
    uint32_t data_base);

// A minimal PE32+ image whose only section is the resource section.
std::vector<uint8_t> BuildPeImage(const std::vector<uint8_t>& version_info,
                                  uint16_t language);

// A minimal little-endian ELF file (64-bit or 32-bit) whose only sections
// are its section-name table and ".rsrc" holding |resource_section|.
enum class ElfClass { k32, k64 };
std::vector<uint8_t> BuildElfImage(const std::vector<uint8_t>& resource_section,
                                   ElfClass elf_class);

// Replaces the ".rsrc" section of the ELF file at |path| by
// |resource_section|, with objcopy. On failure |error| says why.
bool SetElfResourceSection(const std::string& path,
                           const std::vector<uint8_t>& resource_section,
                           std::string* error);

bool WriteBytesToFile(const std::string& path,
                      const std::vector<uint8_t>& bytes);

}  // namespace tools

#endif  // TOOLS_VERSION_RESOURCE_VERSION_RESOURCE_WRITER_H_
