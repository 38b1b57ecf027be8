#include "zip/testing/archive_builder.h"

#include <zip.h>
#include <zlib.h>

#include <fstream>
#include <iterator>

namespace zip {

bool WriteTestArchive(const base::FilePath& path,
                      const std::vector<TestEntry>& entries) {
  zipFile archive =
      zipOpen64(path.AsSystemPath().c_str(), APPEND_STATUS_CREATE);
  if (!archive)
    return false;
  bool success = true;
  for (const TestEntry& entry : entries) {
    zip_fileinfo info = {};
    // "Version made by": system 3 (Unix) when mode bits are recorded, else
    // 0 (FAT); spec version 2.0 either way.
    uLong made_by = 20;
    if (entry.unix_mode) {
      made_by |= 3 << 8;
      info.external_fa = static_cast<uLong>(entry.unix_mode) << 16;
    }
    constexpr uLong kUtf8NameFlag = 1 << 11;
    const uInt extra_size = static_cast<uInt>(entry.extra.size());
    if (zipOpenNewFileInZip4_64(
            archive, entry.name.c_str(), &info, entry.extra.data(), extra_size,
            entry.extra.data(), extra_size, nullptr, Z_DEFLATED,
            Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL,
            Z_DEFAULT_STRATEGY, nullptr, 0, made_by,
            entry.utf8_flag ? kUtf8NameFlag : 0, 0) != ZIP_OK) {
      success = false;
      break;
    }
    if (!entry.content.empty() &&
        zipWriteInFileInZip(archive, entry.content.data(),
                            static_cast<unsigned>(entry.content.size())) !=
            ZIP_OK) {
      success = false;
    }
    if (zipCloseFileInZip(archive) != ZIP_OK)
      success = false;
  }
  if (zipClose(archive, nullptr) != ZIP_OK)
    success = false;
  return success;
}

namespace {

void Store(std::string* bytes, size_t at, int width, uint32_t value);

}  // namespace

std::string UnicodePathField(const std::string& raw_name,
                             const std::string& utf8_name) {
  std::string field(9, '\0');
  Store(&field, 0, 2, 0x7075);
  Store(&field, 2, 2, static_cast<uint32_t>(5 + utf8_name.size()));
  Store(&field, 4, 1, 1);
  Store(&field, 5, 4,
        crc32(0, reinterpret_cast<const Bytef*>(raw_name.data()),
              static_cast<uInt>(raw_name.size())));
  return field + utf8_name;
}

namespace {

uint32_t Load(const std::string& bytes, size_t at, int width) {
  uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i)
    value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

void Store(std::string* bytes, size_t at, int width, uint32_t value) {
  for (int i = 0; i < width; ++i)
    (*bytes)[at + i] = static_cast<char>(value >> (8 * i));
}

}  // namespace

bool PatchEntryField(const base::FilePath& path,
                     const std::string& name,
                     EntryField field,
                     uint32_t value) {
  std::string bytes;
  {
    std::ifstream in(path.AsSystemPath(), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in),
                 std::istreambuf_iterator<char>());
  }
  // Offsets of the field in a local header and in a central header.
  size_t local_at = 0, central_at = 0;
  int width = 2;
  switch (field) {
    case EntryField::kFlags:
      local_at = 6, central_at = 8;
      break;
    case EntryField::kCompressionMethod:
      local_at = 8, central_at = 10;
      break;
    case EntryField::kOriginalSize:
      local_at = 22, central_at = 24, width = 4;
      break;
  }
  const std::string kCentralSignature("PK\x01\x02", 4);
  for (size_t at = bytes.find(kCentralSignature);
       at != std::string::npos && at + 46 <= bytes.size();
       at = bytes.find(kCentralSignature, at + 4)) {
    uint32_t name_length = Load(bytes, at + 28, 2);
    if (bytes.compare(at + 46, name_length, name) != 0 ||
        name_length != name.size())
      continue;
    uint32_t local = Load(bytes, at + 42, 4);
    if (local + 30 > bytes.size())
      return false;
    Store(&bytes, at + central_at, width, value);
    Store(&bytes, local + local_at, width, value);
    std::ofstream out(path.AsSystemPath(), std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out.flush());
  }
  return false;
}

}  // namespace zip
