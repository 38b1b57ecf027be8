// Feeds arbitrary bodies to the manifest parser: whatever a server sends
// must end as accepted or rejected, never as a crash or a hang.
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "app/manifest.h"
#include "app/startup_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string body(reinterpret_cast<const char*>(data), size);
  g_updateInfo = UpdateInfo();
  if (ParseManifest(&body)) {
    // Only acceptable records get through.
    if (g_updateInfo.md5.empty() || g_updateInfo.file_url.empty())
      __builtin_trap();
  }
  return 0;
}
