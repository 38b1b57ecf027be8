// Times the updater's whole up-to-date check of a signed manifest, from
// process start to exit, in a build that trusts the signing key, against
// `curl -s` fetching the same manifest from the same loopback server, and
// prints the ratio of the medians.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/child_process.h"
#include "tests/http_test_server.h"
#include "tests/manifest_signing.h"
#include "tests/test_files.h"
#include "tests/update_site.h"

namespace {

constexpr int kRuns = 25;

double MedianMs(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

// Wall time of one run of |program|, in milliseconds; negative on failure.
double TimeRun(const std::string& program,
               const std::vector<std::string>& args,
               const std::string& directory) {
  auto start = std::chrono::steady_clock::now();
  test::ChildProcess child;
  int exit_code = -1;
  if (!child.Start(program, args, directory, "/dev/null") ||
      !child.Wait(std::chrono::seconds(30), &exit_code) || exit_code != 0) {
    return -1;
  }
  std::chrono::duration<double, std::milli> elapsed =
      std::chrono::steady_clock::now() - start;
  return elapsed.count();
}

}  // namespace

int main() {
  // The updaters' temporary directory is the bench's own: an updater clears
  // what updaters that no longer run left in it.
  test::ScopedTempDir temp;
  if (temp.path().empty() || setenv("TMPDIR", temp.path().c_str(), 1) != 0)
    return 1;
  test::ScopedTempDir install;
  std::filesystem::copy_file(KEYED_UPDATER_BINARY, install.path() + "/updater");
  std::filesystem::copy_file(DEMO_HOST_BINARY, install.path() + "/Mirovue.exe");

  test::HttpTestServer server;
  if (!server.Start()) {
    fprintf(stderr, "no loopback port\n");
    return 1;
  }
  // The installed version, offered again: up to date.
  test::ManifestFields offer = {DEMO_HOST_VERSION,
                                "http://127.0.0.1/p.zip",
                                std::string(32, '0'),
                                std::string(64, '0'),
                                "1",
                                "Mirovue",
                                "2999-01-01T00:00:00Z"};
  test::HttpResponse manifest;
  manifest.body = test::Signed(test::Manifest(offer),
                               test::SigningKey::FromPemFile(TEST_KEY_0));
  server.SetResponse("/update.xml", manifest);
  std::string url = server.Url("/update.xml");

  std::vector<double> updater_ms;
  std::vector<double> curl_ms;
  // Interleaved, so that a change in machine load hits both alike.
  for (int i = 0; i < kRuns; ++i) {
    double updater =
        TimeRun(install.path() + "/updater", {"--url=" + url}, install.path());
    double curl = TimeRun("/usr/bin/curl", {"-s", "-o", "/dev/null", url},
                          install.path());
    if (updater < 0 || curl < 0) {
      fprintf(stderr, "a run failed\n");
      return 1;
    }
    updater_ms.push_back(updater);
    curl_ms.push_back(curl);
  }
  double updater = MedianMs(updater_ms);
  double curl = MedianMs(curl_ms);
  printf("updater up-to-date check: median %.2f ms over %d runs\n", updater,
         kRuns);
  printf("curl -s manifest fetch:   median %.2f ms over %d runs\n", curl,
         kRuns);
  printf("ratio updater/curl: %.3f (target at most 1.5)\n", updater / curl);
  return 0;
}
