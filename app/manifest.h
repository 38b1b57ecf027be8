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

// The deepest element nesting a manifest may have. The parser recurses once
// per level, so this bounds the stack that parsing takes; a real manifest
// nests two levels deep.
constexpr int kMaxManifestNesting = 256;

// Reads |body| up to its first zero byte the way the parser reads it, but
// without recursing, and returns how deep its elements nest (a lone
// <update/> is 1). Returns kMaxManifestNesting + 1 as soon as the nesting
// goes deeper than that, and -1 when the parser would refuse the body before
// that point. ParseManifest parses only bodies from 0 to kMaxManifestNesting.
int ManifestNestingDepth(const char* body);

#endif  // APP_MANIFEST_H_
