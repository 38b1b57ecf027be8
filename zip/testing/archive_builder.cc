#include "zip/testing/archive_builder.h"

#include <zip.h>
#include <zlib.h>

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
    if (zipOpenNewFileInZip4_64(
            archive, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
            Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL,
            Z_DEFAULT_STRATEGY, nullptr, 0, made_by, 0, 0) != ZIP_OK) {
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

}  // namespace zip
