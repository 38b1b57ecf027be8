#include "tools/manifest_tool/signed_manifest.h"

#include <vector>

#include "app/manifest.h"
#include "app/manifest_signature.h"
#include "base/ed25519.h"
#include "base/file.h"
#include "base/file_path.h"
#include "base/md5.h"
#include "base/sha256.h"

namespace {

// |text| as XML character data.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

bool DescribePackage(const base::FilePath& package,
                     ReleaseOffer* offer,
                     std::string* error) {
  base::File file = base::File::OpenForRead(package);
  if (!file.IsValid()) {
    *error = "cannot open the package";
    return false;
  }
  base::MD5Context md5;
  base::MD5Init(&md5);
  base::Sha256 sha256;
  uint64_t size = 0;
  std::vector<char> buffer(1 << 20);
  for (;;) {
    const int64_t got = file.Read(buffer.data(), buffer.size());
    if (got < 0) {
      *error = "cannot read the package";
      return false;
    }
    if (got == 0)
      break;
    base::MD5Update(&md5, buffer.data(), static_cast<size_t>(got));
    sha256.Update(buffer.data(), static_cast<size_t>(got));
    size += static_cast<uint64_t>(got);
  }
  base::MD5Digest md5_digest;
  base::MD5Final(&md5_digest, &md5);
  offer->md5 = base::MD5DigestToBase16(md5_digest);
  offer->sha256 = sha256.Finish();
  offer->size = size;
  if (offer->sha256.empty()) {
    *error = "the system cannot compute SHA-256";
    return false;
  }
  return true;
}

std::string SignedManifest(const ReleaseOffer& offer, std::string_view seed) {
  std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<update>\n";
  body += "  <product>" + std::string(kProductName) + "</product>\n";
  body += "  <version>" + Escaped(offer.version) + "</version>\n";
  body += "  <file_url>" + Escaped(offer.file_url) + "</file_url>\n";
  body += "  <compress>zip</compress>\n";
  body += "  <md5>" + offer.md5 + "</md5>\n";
  body += "  <sha256>" + offer.sha256 + "</sha256>\n";
  body += "  <size>" + std::to_string(offer.size) + "</size>\n";
  if (!offer.expires.empty())
    body += "  <expires>" + offer.expires + "</expires>\n";
  body += "</update>\n";
  std::string signature;
  if (!base::SignEd25519(body, seed, &signature))
    return std::string();
  return body + ManifestSignatureComment(base::EncodeBase64(signature)) + "\n";
}
