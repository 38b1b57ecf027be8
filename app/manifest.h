// The update manifest: a small XML document offering one package. Parsed on
// the main thread during the update check into g_updateInfo.
#ifndef APP_MANIFEST_H_
#define APP_MANIFEST_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "app/update_info.h"

// The product every manifest is for; a signed one must say so.
constexpr char kProductName[] = "Mirovue";

// Fetches, parses and accepts the manifest at |url| for a build that trusts
// |trusted_keys| (base64 public keys, none for an unsigned build); false for
// any failure. A build with keys logs why it refused a manifest.
bool CheckManifest(const std::string& url,
                   const std::vector<std::string>& trusted_keys);

// With |trusted_keys|, first verifies the signature of |body| as received.
// Then parses |body| in place into g_updateInfo and returns AcceptManifest
// of it, at the desktop's present time. On false |reason| says why.
bool ParseManifest(std::string* body,
                   const std::vector<std::string>& trusted_keys,
                   std::string* reason);

// True when the version is valid, md5 and file_url are not empty, compress
// begins with "zip" in any letter case, and sha256 and size are well formed
// where present. A signed build (|signed_build|) also needs sha256 and size,
// product kProductName, and an expiry, where there is one, after |now|
// (seconds since 1970, UTC). On false |reason| says why.
bool AcceptManifest(const UpdateInfo& info,
                    bool signed_build,
                    int64_t now,
                    std::string* reason);

// Reads a size as a manifest writes it: decimal digits only, at most
// 2^64 - 1. False for any other text.
bool ParseManifestSize(const std::string& text, uint64_t* size);

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
