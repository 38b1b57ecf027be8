#include "app/startup_state.h"

#include "app/build_config.h"

std::string g_manifestUrl;
std::u16string g_hostExeName;
std::u16string g_launchArgs;
uint32_t g_hostWindow = 0;
uint32_t g_hostProcessId = 0;
bool g_notify = true;
std::string g_installedVersion;
UpdateInfo g_updateInfo;

const char kDefaultManifestUrl[] = UPDATER_DEFAULT_MANIFEST_URL;
