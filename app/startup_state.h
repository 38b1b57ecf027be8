// Process-wide start-up state. Written on the main thread by the command
// line and the update check before any other thread exists; read-only for
// the dialog and the installation afterwards.
#ifndef APP_STARTUP_STATE_H_
#define APP_STARTUP_STATE_H_

#include <stdint.h>

#include <string>

#include "app/update_info.h"

extern std::string g_manifestUrl;       // narrow, in the ANSI code page
extern std::u16string g_hostExeName;    // "Mirovue.exe"
extern std::u16string g_launchArgs;     // "-launch" or "-launch -auto"
extern uint32_t g_hostWindow;           // 0: notify nobody
extern uint32_t g_hostProcessId;        // stored only
extern bool g_notify;                   // failure message boxes wanted
extern std::string g_installedVersion;  // FileVersion, ',' replaced by '.'
extern UpdateInfo g_updateInfo;         // the accepted manifest's values

// The manifest address the program was built with.
extern const char kDefaultManifestUrl[];

#endif  // APP_STARTUP_STATE_H_
