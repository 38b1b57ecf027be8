// What an update server serves in tests: pages and manifests.
#ifndef TESTS_UPDATE_SITE_H_
#define TESTS_UPDATE_SITE_H_

#include <string>

#include "tests/http_test_server.h"

namespace test {

HttpResponse Page(const std::string& body,
                  int status = 200,
                  const std::string& type = "text/xml");

// The package at |archive|, sent straight from the file, never held in
// memory.
HttpResponse PackageFile(const std::string& archive);

// A manifest offering |version| of the package at |file_url| with |md5|.
std::string Manifest(
    const std::string& version,
    const std::string& file_url,
    const std::string& md5 = "0123456789abcdef0123456789abcdef");

// What a manifest may offer; each empty field is left out.
struct ManifestFields {
  std::string version;
  std::string file_url;
  std::string md5;
  std::string sha256;
  std::string size;
  std::string product;
  std::string expires;
};

// Every field a signed manifest needs, for the package file at
// |package_path| served at |file_url|, with digests and size from tools
// other than the updater's own; no expiry.
ManifestFields OfferOf(const std::string& version,
                       const std::string& file_url,
                       const std::string& package_path);

// The manifest of |fields|, with line breaks as a vendor's tool writes them.
std::string Manifest(const ManifestFields& fields);

}  // namespace test

#endif  // TESTS_UPDATE_SITE_H_
