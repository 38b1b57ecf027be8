#include "tools/version_resource/version_resource_writer.h"

#include <errno.h>
#include <spawn.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

extern char** environ;

namespace tools {

namespace {

constexpr uint16_t kBinaryType = 0;
constexpr uint16_t kTextType = 1;
constexpr uint32_t kResourceTypeVersion = 16;
constexpr uint32_t kSubdirectory = 0x80000000u;
constexpr uint32_t kPeSectionAddress = 0x1000;
constexpr uint32_t kPeFileAlignment = 0x200;

void Put16(std::vector<uint8_t>* out, uint16_t value) {
  out->push_back(static_cast<uint8_t>(value));
  out->push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>* out, uint32_t value) {
  Put16(out, static_cast<uint16_t>(value));
  Put16(out, static_cast<uint16_t>(value >> 16));
}

void Patch16(std::vector<uint8_t>* out, size_t at, uint16_t value) {
  (*out)[at] = static_cast<uint8_t>(value);
  (*out)[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Patch32(std::vector<uint8_t>* out, size_t at, uint32_t value) {
  Patch16(out, at, static_cast<uint16_t>(value));
  Patch16(out, at + 2, static_cast<uint16_t>(value >> 16));
}

void Patch64(std::vector<uint8_t>* out, size_t at, uint64_t value) {
  Patch32(out, at, static_cast<uint32_t>(value));
  Patch32(out, at + 4, static_cast<uint32_t>(value >> 32));
}

void PadTo(std::vector<uint8_t>* out, size_t alignment) {
  while (out->size() % alignment != 0)
    out->push_back(0);
}

// One entry of the version block's tree.
struct Entry {
  std::u16string key;
  uint16_t type = kBinaryType;
  // wValueLength: bytes for binary values, characters for text.
  uint16_t value_length = 0;
  std::vector<uint8_t> value;
  std::vector<Entry> children;
};

void Emit(const Entry& entry, std::vector<uint8_t>* out) {
  PadTo(out, 4);
  const size_t begin = out->size();
  Put16(out, 0);  // wLength, patched below.
  Put16(out, entry.value_length);
  Put16(out, entry.type);
  for (char16_t c : entry.key)
    Put16(out, c);
  Put16(out, 0);
  PadTo(out, 4);
  out->insert(out->end(), entry.value.begin(), entry.value.end());
  for (const Entry& child : entry.children)
    Emit(child, out);
  Patch16(out, begin, static_cast<uint16_t>(out->size() - begin));
}

Entry TextEntry(const std::u16string& key, const std::u16string& text) {
  Entry entry;
  entry.key = key;
  entry.type = kTextType;
  entry.value_length = static_cast<uint16_t>(text.size() + 1);
  for (char16_t c : text)
    Put16(&entry.value, c);
  Put16(&entry.value, 0);
  return entry;
}

std::vector<uint8_t> FixedFileInfo(const uint16_t version[4]) {
  const uint32_t most = (uint32_t{version[0]} << 16) | version[1];
  const uint32_t least = (uint32_t{version[2]} << 16) | version[3];
  std::vector<uint8_t> info;
  Put32(&info, 0xfeef04bd);  // dwSignature
  Put32(&info, 0x00010000);  // dwStrucVersion
  Put32(&info, most);        // dwFileVersionMS
  Put32(&info, least);       // dwFileVersionLS
  Put32(&info, most);        // dwProductVersionMS
  Put32(&info, least);       // dwProductVersionLS
  Put32(&info, 0x3f);        // dwFileFlagsMask
  Put32(&info, 0);           // dwFileFlags
  Put32(&info, 0x00040004);  // dwFileOS: VOS_NT_WINDOWS32
  Put32(&info, 1);           // dwFileType: VFT_APP
  Put32(&info, 0);           // dwFileSubtype
  Put32(&info, 0);           // dwFileDateMS
  Put32(&info, 0);           // dwFileDateLS
  return info;
}

bool RunCommand(const std::vector<std::string>& arguments, std::string* error) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  const int spawned =
      posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ);
  if (spawned != 0) {
    *error = "cannot start " + arguments[0];
    return false;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) {
      *error = "lost " + arguments[0];
      return false;
    }
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    *error = arguments[0] + " failed";
    return false;
  }
  return true;
}

}  // namespace

VersionResourceOptions OptionsForFileVersion(
    const std::u16string& file_version) {
  VersionResourceOptions options;
  options.strings.emplace_back(u"FileVersion", file_version);
  ParseFixedVersion(file_version, options.fixed_version);
  return options;
}

void ParseFixedVersion(const std::u16string& text, uint16_t version[4]) {
  uint32_t parts[4] = {0, 0, 0, 0};
  size_t index = 0;
  for (char16_t c : text) {
    if (c == u' ')
      continue;
    if (c == u',' || c == u'.') {
      if (++index == 4)
        break;
    } else if (c >= u'0' && c <= u'9') {
      parts[index] = std::min<uint32_t>(parts[index] * 10 + (c - u'0'), 0xffff);
    } else {
      break;
    }
  }
  for (size_t i = 0; i < 4; ++i)
    version[i] = static_cast<uint16_t>(parts[i]);
}

std::vector<uint8_t> BuildVersionInfo(const VersionResourceOptions& options) {
  Entry root;
  root.key = u"VS_VERSION_INFO";
  root.value = FixedFileInfo(options.fixed_version);
  root.value_length = static_cast<uint16_t>(root.value.size());

  char table_key[9];
  snprintf(table_key, sizeof(table_key), "%04X%04X", options.string_language,
           options.string_code_page);
  Entry table;
  table.key.assign(table_key, table_key + 8);
  table.type = kTextType;
  for (const auto& [key, text] : options.strings)
    table.children.push_back(TextEntry(key, text));
  Entry string_info;
  string_info.key = u"StringFileInfo";
  string_info.type = kTextType;
  string_info.children.push_back(std::move(table));
  root.children.push_back(std::move(string_info));

  if (options.has_translation) {
    Entry translation;
    translation.key = u"Translation";
    Put16(&translation.value, options.translation_language);
    Put16(&translation.value, options.translation_code_page);
    translation.value_length = static_cast<uint16_t>(translation.value.size());
    Entry var_info;
    var_info.key = u"VarFileInfo";
    var_info.type = kTextType;
    var_info.children.push_back(std::move(translation));
    root.children.push_back(std::move(var_info));
  }

  std::vector<uint8_t> block;
  Emit(root, &block);
  return block;
}

std::vector<uint8_t> BuildResourceSection(
    const std::vector<uint8_t>& version_info,
    uint16_t language,
    uint32_t data_base) {
  // Three directories of one entry each (type, name, language), each 16
  // bytes of header and 8 of entry, then the data entry and the data.
  constexpr uint32_t kNames = 24;
  constexpr uint32_t kLanguages = 48;
  constexpr uint32_t kDataEntry = 72;
  constexpr uint32_t kData = 88;
  const struct {
    uint32_t id;
    uint32_t target;
  } directories[] = {
      {kResourceTypeVersion, kSubdirectory | kNames},
      {1, kSubdirectory | kLanguages},
      {language, kDataEntry},
  };
  std::vector<uint8_t> section;
  for (const auto& directory : directories) {
    Put32(&section, 0);  // Characteristics
    Put32(&section, 0);  // TimeDateStamp
    Put32(&section, 0);  // MajorVersion, MinorVersion
    Put16(&section, 0);  // NumberOfNamedEntries
    Put16(&section, 1);  // NumberOfIdEntries
    Put32(&section, directory.id);
    Put32(&section, directory.target);
  }
  Put32(&section, data_base + kData);
  Put32(&section, static_cast<uint32_t>(version_info.size()));
  Put32(&section, 0);  // CodePage
  Put32(&section, 0);  // Reserved
  section.insert(section.end(), version_info.begin(), version_info.end());
  return section;
}

std::vector<uint8_t> BuildPeImage(const std::vector<uint8_t>& version_info,
                                  uint16_t language) {
  const std::vector<uint8_t> section =
      BuildResourceSection(version_info, language, kPeSectionAddress);
  constexpr size_t kPeHeader = 0x40;
  constexpr size_t kOptionalHeader = kPeHeader + 4 + 20;
  constexpr uint16_t kOptionalHeaderSize = 112 + 16 * 8;
  constexpr size_t kSectionTable = kOptionalHeader + kOptionalHeaderSize;
  const uint32_t raw_size =
      static_cast<uint32_t>((section.size() + kPeFileAlignment - 1) /
                            kPeFileAlignment * kPeFileAlignment);

  std::vector<uint8_t> image(kPeFileAlignment + raw_size, 0);
  image[0] = 'M';
  image[1] = 'Z';
  Patch32(&image, 0x3c, kPeHeader);
  Patch32(&image, kPeHeader, 0x00004550);  // "PE\0\0"
  Patch16(&image, kPeHeader + 4, 0x8664);  // Machine: x64
  Patch16(&image, kPeHeader + 6, 1);       // NumberOfSections
  Patch16(&image, kPeHeader + 20, kOptionalHeaderSize);
  Patch16(&image, kPeHeader + 22, 0x0022);  // Executable, large address aware
  Patch16(&image, kOptionalHeader, 0x20b);  // PE32+
  Patch64(&image, kOptionalHeader + 24, 0x140000000);  // ImageBase
  Patch32(&image, kOptionalHeader + 32, 0x1000);       // SectionAlignment
  Patch32(&image, kOptionalHeader + 36, kPeFileAlignment);
  Patch16(&image, kOptionalHeader + 40, 6);  // MajorOperatingSystemVersion
  Patch16(&image, kOptionalHeader + 48, 6);  // MajorSubsystemVersion
  Patch32(
      &image, kOptionalHeader + 56,
      kPeSectionAddress + (raw_size + 0xfff) / 0x1000 * 0x1000);  // SizeOfImage
  Patch32(&image, kOptionalHeader + 60, kPeFileAlignment);  // SizeOfHeaders
  Patch16(&image, kOptionalHeader + 68, 2);                 // Subsystem: GUI
  Patch32(&image, kOptionalHeader + 108, 16);  // NumberOfRvaAndSizes
  Patch32(&image, kOptionalHeader + 112 + 2 * 8,
          kPeSectionAddress);  // Resource table
  Patch32(&image, kOptionalHeader + 112 + 2 * 8 + 4,
          static_cast<uint32_t>(section.size()));

  const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
  std::copy(name, name + 8, image.begin() + kSectionTable);
  Patch32(&image, kSectionTable + 8,
          static_cast<uint32_t>(section.size()));  // VirtualSize
  Patch32(&image, kSectionTable + 12, kPeSectionAddress);
  Patch32(&image, kSectionTable + 16, raw_size);
  Patch32(&image, kSectionTable + 20, kPeFileAlignment);  // PointerToRawData
  Patch32(&image, kSectionTable + 36,
          0x40000040);  // Initialized data, readable
  std::copy(section.begin(), section.end(), image.begin() + kPeFileAlignment);
  return image;
}

std::vector<uint8_t> BuildElfImage(const std::vector<uint8_t>& resource_section,
                                   ElfClass elf_class) {
  const bool is64 = elf_class == ElfClass::k64;
  const size_t header_size = is64 ? 64 : 52;
  const size_t section_header_size = is64 ? 64 : 40;
  static const char kNames[] = "\0.shstrtab\0.rsrc";  // Names at 1 and 11.

  std::vector<uint8_t> image(header_size, 0);
  const uint8_t ident[] = {
      0x7f, 'E', 'L', 'F', static_cast<uint8_t>(is64 ? 2 : 1), 1, 1};
  std::copy(ident, ident + sizeof(ident), image.begin());
  Patch16(&image, 16, 1);              // e_type: relocatable
  Patch16(&image, 18, is64 ? 62 : 3);  // e_machine: x86-64 or i386
  Patch32(&image, 20, 1);              // e_version
  const size_t names_offset = image.size();
  image.insert(image.end(), kNames, kNames + sizeof(kNames));
  PadTo(&image, 8);
  const size_t rsrc_offset = image.size();
  image.insert(image.end(), resource_section.begin(), resource_section.end());
  PadTo(&image, 8);
  const size_t table = image.size();

  struct Section {
    uint32_t name;
    uint32_t type;
    size_t offset;
    size_t size;
  };
  const Section sections[] = {
      {0, 0, 0, 0},
      {1, 3, names_offset, sizeof(kNames)},           // SHT_STRTAB
      {11, 1, rsrc_offset, resource_section.size()},  // SHT_PROGBITS
  };
  for (const Section& s : sections) {
    const size_t at = image.size();
    image.resize(at + section_header_size, 0);
    Patch32(&image, at, s.name);
    Patch32(&image, at + 4, s.type);
    if (is64) {
      Patch64(&image, at + 24, s.offset);
      Patch64(&image, at + 32, s.size);
      Patch64(&image, at + 48, 1);  // sh_addralign
    } else {
      Patch32(&image, at + 16, static_cast<uint32_t>(s.offset));
      Patch32(&image, at + 20, static_cast<uint32_t>(s.size));
      Patch32(&image, at + 32, 1);  // sh_addralign
    }
  }
  if (is64) {
    Patch64(&image, 0x28, table);  // e_shoff
    Patch16(&image, 0x34, 64);     // e_ehsize
    Patch16(&image, 0x3a, 64);     // e_shentsize
    Patch16(&image, 0x3c, 3);      // e_shnum
    Patch16(&image, 0x3e, 1);      // e_shstrndx
  } else {
    Patch32(&image, 0x20, static_cast<uint32_t>(table));
    Patch16(&image, 0x28, 52);
    Patch16(&image, 0x2e, 40);
    Patch16(&image, 0x30, 3);
    Patch16(&image, 0x32, 1);
  }
  return image;
}

bool SetElfResourceSection(const std::string& path,
                           const std::vector<uint8_t>& resource_section,
                           std::string* error) {
  const std::string blob = path + ".rsrc.tmp";
  if (!WriteBytesToFile(blob, resource_section)) {
    *error = "cannot write " + blob;
    return false;
  }
  // Removing first lets the same file be given a new version again; the
  // section is not loaded at run time, only read from the file.
  const bool ok = RunCommand(
      {"objcopy", "--remove-section=.rsrc", "--add-section", ".rsrc=" + blob,
       "--set-section-flags", ".rsrc=noload,readonly", path},
      error);
  unlink(blob.c_str());
  return ok;
}

bool WriteBytesToFile(const std::string& path,
                      const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  file.close();
  return !file.fail();
}

}  // namespace tools
