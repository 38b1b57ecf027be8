// What the vendor's manifest tool writes: the manifest of a release, with
// its package's digests and size, signed with the vendor's secret key in
// the form signed updaters verify.
#ifndef TOOLS_MANIFEST_TOOL_SIGNED_MANIFEST_H_
#define TOOLS_MANIFEST_TOOL_SIGNED_MANIFEST_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace base {
class FilePath;
}

struct ReleaseOffer {
  std::string version;
  std::string file_url;
  std::string md5;      // of the package, lower-case hexadecimal
  std::string sha256;   // of the package, lower-case hexadecimal
  uint64_t size = 0;    // of the package, in bytes
  std::string expires;  // "YYYY-MM-DDTHH:MM:SSZ", or empty for none
};

// Fills the digests and the size of |offer| from the package file at
// |package|; false, with |error|, when it cannot be read.
bool DescribePackage(const base::FilePath& package,
                     ReleaseOffer* offer,
                     std::string* error);

// The whole manifest of |offer| for the product, signed with the secret
// |seed|; empty when |seed| is no secret key.
std::string SignedManifest(const ReleaseOffer& offer, std::string_view seed);

#endif  // TOOLS_MANIFEST_TOOL_SIGNED_MANIFEST_H_
