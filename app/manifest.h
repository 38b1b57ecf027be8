// The update manifest: a small XML document offering one package. Parsed on
// the main thread during the update check into g_updateInfo.
#ifndef APP_MANIFEST_H_
#define APP_MANIFEST_H_

#include <string>

#include "app/update_info.h"

// Fetches, parses and accepts the manifest at |url|; false for any failure,
// whatever its cause.
bool CheckManifest(const std::string& url);

// Parses |body| in place into g_updateInfo and returns AcceptManifest of it.
bool ParseManifest(std::string* body);

// True when the version is valid, md5 and file_url are not empty and
// compress begins with "zip" in any letter case.
bool AcceptManifest(const UpdateInfo& info);

#endif  // APP_MANIFEST_H_
