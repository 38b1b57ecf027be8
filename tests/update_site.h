// What an update server serves in tests: pages and manifests.
#ifndef TESTS_UPDATE_SITE_H_
#define TESTS_UPDATE_SITE_H_

#include <string>

#include "tests/http_test_server.h"

namespace test {

HttpResponse Page(const std::string& body, int status = 200,
                  const std::string& type = "text/xml");

// A manifest offering |version| of the package at |file_url| with |md5|.
std::string Manifest(const std::string& version, const std::string& file_url,
                     const std::string& md5 = "0123456789abcdef0123456789abcdef");

}  // namespace test

#endif  // TESTS_UPDATE_SITE_H_
