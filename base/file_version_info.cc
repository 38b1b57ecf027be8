#include "base/file_version_info.h"

#include <stdint.h>

#include <utility>
#include <vector>

#include "base/file_version_block.h"
#include "base/file_version_info_from_block.h"

namespace base {

std::unique_ptr<FileVersionInfo> FileVersionInfo::ForFile(
    const FilePath& path) {
  std::vector<uint8_t> block;
  if (!ReadFileVersionBlock(path, &block))
    return nullptr;
  return WinFileVersionInfo::FromBlock(std::move(block));
}

}  // namespace base
