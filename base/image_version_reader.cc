#include "base/image_version_reader.h"

#include <string.h>

#include <utility>

namespace base {

namespace {

constexpr uint32_t kResourceTypeVersion = 16;  // RT_VERSION
constexpr uint32_t kEntryIsSubdirectory = 0x80000000u;
constexpr uint32_t kEntryHasName = 0x80000000u;
constexpr uint32_t kSectionTypeNoBits = 8;  // SHT_NOBITS: no bytes in the file.
constexpr char kElfResourceSection[] = ".rsrc";  // With its NUL: 6 bytes.

bool Read16(const ImageSource& image, uint64_t offset, uint16_t* value) {
  uint8_t b[2];
  if (!image.ReadAt(offset, b, sizeof(b)))
    return false;
  *value = static_cast<uint16_t>(b[0] | (b[1] << 8));
  return true;
}

bool Read32(const ImageSource& image, uint64_t offset, uint32_t* value) {
  uint8_t b[4];
  if (!image.ReadAt(offset, b, sizeof(b)))
    return false;
  *value = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
           (static_cast<uint32_t>(b[2]) << 16) |
           (static_cast<uint32_t>(b[3]) << 24);
  return true;
}

bool Read64(const ImageSource& image, uint64_t offset, uint64_t* value) {
  uint32_t low = 0;
  uint32_t high = 0;
  if (!Read32(image, offset, &low) || !Read32(image, offset + 4, &high))
    return false;
  *value = (static_cast<uint64_t>(high) << 32) | low;
  return true;
}

// How addresses used inside a resource section map to file offsets: relative
// virtual addresses through the section table in a PE image, offsets from the
// start of ".rsrc" in an ELF image. A range that the file does not hold in
// full (a truncated image) is left out.
class AddressMap {
 public:
  explicit AddressMap(uint64_t file_size) : file_size_(file_size) {}

  void Add(uint64_t address, uint64_t file_offset, uint64_t size) {
    if (file_offset > file_size_ || size > file_size_ - file_offset)
      return;
    ranges_.push_back({address, file_offset, size});
  }

  // The file offset of the |length| bytes at |address|, when they all lie
  // in one range.
  bool Map(uint64_t address, uint64_t length, uint64_t* file_offset) const {
    for (const Range& range : ranges_) {
      if (address >= range.address && address - range.address <= range.size &&
          length <= range.size - (address - range.address)) {
        *file_offset = range.file_offset + (address - range.address);
        return true;
      }
    }
    return false;
  }

 private:
  struct Range {
    uint64_t address;
    uint64_t file_offset;
    uint64_t size;
  };
  uint64_t file_size_;
  std::vector<Range> ranges_;
};

// A resource section: where its root directory sits in the address space
// of |map|.
struct ResourceSection {
  explicit ResourceSection(uint64_t file_size) : map(file_size) {}
  AddressMap map;
  uint64_t root = 0;
};

bool ReadMapped32(const ImageSource& image,
                  const ResourceSection& section,
                  uint64_t address,
                  uint32_t* value) {
  uint64_t offset = 0;
  return section.map.Map(address, 4, &offset) && Read32(image, offset, value);
}

bool ReadMapped16(const ImageSource& image,
                  const ResourceSection& section,
                  uint64_t address,
                  uint16_t* value) {
  uint64_t offset = 0;
  return section.map.Map(address, 2, &offset) && Read16(image, offset, value);
}

// In the directory at |directory| (an offset from the root), finds the entry
// with numeric id |id|, or the first entry when |id| is null, and returns its
// OffsetToData field.
bool FindDirectoryEntry(const ImageSource& image,
                        const ResourceSection& section,
                        uint32_t directory,
                        const uint32_t* id,
                        uint32_t* target) {
  const uint64_t base = section.root + directory;
  uint16_t named = 0;
  uint16_t ids = 0;
  if (!ReadMapped16(image, section, base + 12, &named) ||
      !ReadMapped16(image, section, base + 14, &ids))
    return false;
  const uint32_t count = uint32_t{named} + ids;
  // Named entries come first, so an id is looked for only after them.
  for (uint32_t i = id ? named : 0; i < count; ++i) {
    const uint64_t entry = base + 16 + uint64_t{8} * i;
    uint32_t name = 0;
    if (!ReadMapped32(image, section, entry, &name))
      return false;
    if (!id || ((name & kEntryHasName) == 0 && name == *id))
      return ReadMapped32(image, section, entry + 4, target);
  }
  return false;
}

bool ReadVersionFromSection(const ImageSource& image,
                            const ResourceSection& section,
                            std::vector<uint8_t>* block) {
  uint32_t types = 0;
  uint32_t names = 0;
  uint32_t data_entry = 0;
  if (!FindDirectoryEntry(image, section, 0, &kResourceTypeVersion, &types) ||
      (types & kEntryIsSubdirectory) == 0)
    return false;
  if (!FindDirectoryEntry(image, section, types & ~kEntryIsSubdirectory,
                          nullptr, &names) ||
      (names & kEntryIsSubdirectory) == 0)
    return false;
  if (!FindDirectoryEntry(image, section, names & ~kEntryIsSubdirectory,
                          nullptr, &data_entry) ||
      (data_entry & kEntryIsSubdirectory) != 0)
    return false;
  uint32_t data_address = 0;
  uint32_t data_size = 0;
  if (!ReadMapped32(image, section, section.root + data_entry, &data_address) ||
      !ReadMapped32(image, section, section.root + data_entry + 4,
                    &data_size) ||
      data_size == 0)
    return false;
  // The mapping keeps the size within the file before anything is allocated.
  uint64_t data_offset = 0;
  if (!section.map.Map(data_address, data_size, &data_offset))
    return false;
  std::vector<uint8_t> data(data_size);
  if (!image.ReadAt(data_offset, data.data(), data.size()))
    return false;
  *block = std::move(data);
  return true;
}

bool FindPeResources(const ImageSource& image, ResourceSection* section) {
  uint16_t dos_magic = 0;
  uint32_t pe_offset = 0;
  uint32_t signature = 0;
  if (!Read16(image, 0, &dos_magic) || dos_magic != 0x5a4d ||  // "MZ"
      !Read32(image, 0x3c, &pe_offset) ||
      !Read32(image, pe_offset, &signature) ||
      signature != 0x00004550)  // "PE\0\0"
    return false;
  const uint64_t file_header = uint64_t{pe_offset} + 4;
  const uint64_t optional_header = file_header + 20;
  uint16_t section_count = 0;
  uint16_t optional_size = 0;
  uint16_t magic = 0;
  if (!Read16(image, file_header + 2, &section_count) ||
      !Read16(image, file_header + 16, &optional_size) ||
      !Read16(image, optional_header, &magic))
    return false;
  uint64_t directory_count_at = 0;
  if (magic == 0x10b)  // PE32
    directory_count_at = 92;
  else if (magic == 0x20b)  // PE32+
    directory_count_at = 108;
  else
    return false;
  // The resource table is data directory 2; it must lie in the optional header.
  const uint64_t resource_directory = directory_count_at + 4 + 2 * 8;
  uint32_t directory_count = 0;
  uint32_t resource_address = 0;
  if (resource_directory + 8 > optional_size ||
      !Read32(image, optional_header + directory_count_at, &directory_count) ||
      directory_count < 3 ||
      !Read32(image, optional_header + resource_directory, &resource_address) ||
      resource_address == 0)
    return false;
  const uint64_t section_table = optional_header + optional_size;
  for (uint32_t i = 0; i < section_count; ++i) {
    const uint64_t header = section_table + uint64_t{40} * i;
    uint32_t address = 0;
    uint32_t raw_size = 0;
    uint32_t raw_offset = 0;
    if (!Read32(image, header + 12, &address) ||
        !Read32(image, header + 16, &raw_size) ||
        !Read32(image, header + 20, &raw_offset))
      return false;
    section->map.Add(address, raw_offset, raw_size);
  }
  section->root = resource_address;
  return true;
}

bool FindElfResources(const ImageSource& image, ResourceSection* section) {
  uint8_t ident[16];
  if (!image.ReadAt(0, ident, sizeof(ident)) ||
      memcmp(ident,
             "\x7f"
             "ELF",
             4) != 0 ||
      ident[5] != 1)  // Little-endian only, like every resource structure.
    return false;
  const bool is64 = ident[4] == 2;
  if (!is64 && ident[4] != 1)
    return false;
  uint64_t table = 0;
  uint16_t entry_size = 0;
  uint16_t count = 0;
  uint16_t names_index = 0;
  if (is64) {
    if (!Read64(image, 0x28, &table) || !Read16(image, 0x3a, &entry_size) ||
        !Read16(image, 0x3c, &count) || !Read16(image, 0x3e, &names_index))
      return false;
  } else {
    uint32_t table32 = 0;
    if (!Read32(image, 0x20, &table32) || !Read16(image, 0x2e, &entry_size) ||
        !Read16(image, 0x30, &count) || !Read16(image, 0x32, &names_index))
      return false;
    table = table32;
  }
  // The whole section header table must be in the file, as in any image
  // that was not cut short.
  if (entry_size < (is64 ? 64 : 40) || names_index >= count ||
      table > image.size() ||
      uint64_t{entry_size} * count > image.size() - table)
    return false;

  struct Section {
    uint32_t name;
    uint32_t type;
    uint64_t offset;
    uint64_t size;
  };
  auto read_section = [&](uint32_t index, Section* out) {
    const uint64_t header = table + uint64_t{entry_size} * index;
    if (!Read32(image, header, &out->name) ||
        !Read32(image, header + 4, &out->type))
      return false;
    if (is64)
      return Read64(image, header + 24, &out->offset) &&
             Read64(image, header + 32, &out->size);
    uint32_t offset = 0;
    uint32_t size = 0;
    if (!Read32(image, header + 16, &offset) ||
        !Read32(image, header + 20, &size))
      return false;
    out->offset = offset;
    out->size = size;
    return true;
  };

  Section names;
  if (!read_section(names_index, &names) || names.type == kSectionTypeNoBits)
    return false;
  for (uint32_t i = 0; i < count; ++i) {
    Section candidate;
    if (!read_section(i, &candidate))
      return false;
    char name[sizeof(kElfResourceSection)];
    if (candidate.type == kSectionTypeNoBits || candidate.name > names.size ||
        names.size - candidate.name < sizeof(name) ||
        names.offset > UINT64_MAX - candidate.name ||
        !image.ReadAt(names.offset + candidate.name, name, sizeof(name)) ||
        memcmp(name, kElfResourceSection, sizeof(name)) != 0)
      continue;
    section->map.Add(0, candidate.offset, candidate.size);
    section->root = 0;
    return true;
  }
  return false;
}

}  // namespace

bool MemoryImageSource::ReadAt(uint64_t offset,
                               void* buffer,
                               size_t length) const {
  if (offset > size_ || length > size_ - offset)
    return false;
  if (length != 0)
    memcpy(buffer, data_ + offset, length);
  return true;
}

bool ReadImageVersionResource(const ImageSource& image,
                              std::vector<uint8_t>* block) {
  ResourceSection pe(image.size());
  if (FindPeResources(image, &pe))
    return ReadVersionFromSection(image, pe, block);
  ResourceSection elf(image.size());
  if (FindElfResources(image, &elf))
    return ReadVersionFromSection(image, elf, block);
  return false;
}

}  // namespace base
