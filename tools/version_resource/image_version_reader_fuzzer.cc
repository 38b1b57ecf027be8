// Feeds arbitrary bytes to the version lookup twice: as an image whose
// version resource is looked for, and as a version resource block itself.
#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "base/file_version_info_from_block.h"
#include "base/image_version_reader.h"

namespace {

void ReadStrings(std::vector<uint8_t> block) {
  auto info = base::WinFileVersionInfo::FromBlock(std::move(block));
  if (!info)
    return;
  info->FileVersion();
  info->ProductName();
  info->IsOfficialBuild();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> block;
  if (base::ReadImageVersionResource(base::MemoryImageSource(data, size),
                                     &block)) {
    if (block.size() > size)
      __builtin_trap();
    ReadStrings(std::move(block));
  }
  ReadStrings(std::vector<uint8_t>(data, data + size));
  return 0;
}
