// A demonstration installation for black-box tests of the real updater: a
// fresh directory holding copies of the updater and the demonstration host
// Mirovue.exe, a loopback HTTP server, and a temporary directory of its own
// that the updater is given as TMPDIR.
#ifndef TESTS_UPDATER_FIXTURE_H_
#define TESTS_UPDATER_FIXTURE_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/child_process.h"
#include "tests/host_log.h"
#include "tests/http_test_server.h"

namespace test {

class UpdaterFixture : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string Installed(const std::string& name) const {
    return install_.path() + "/" + name;
  }
  std::string UrlSwitch(const std::string& path) const {
    return "--url=" + server_.Url(path);
  }

  // Starts a demonstration host window from the installation.
  void StartHost(HostLog* host, const std::vector<std::string>& extra_args = {});

  // Starts the updater with |args| in the installation, with standard
  // error going to updater_stderr().
  void StartUpdater(ChildProcess* updater, const std::vector<std::string>& args);
  // Runs the updater with |args| to its end and returns its exit code.
  int RunUpdater(const std::vector<std::string>& args);
  std::string updater_stderr() const;

  // Names of what the updater left in its temporary directory.
  std::vector<std::string> TempLeftovers() const;
  // Names of the updater's own entries left in the installation directory
  // (staging and backup directories, the journal).
  std::vector<std::string> InstallationLeftovers() const;

  ScopedTempDir install_;
  ScopedTempDir temp_;
  // The TMPDIR the updater is given: temp_, unless a test says otherwise.
  std::string updater_tmpdir_;
  HttpTestServer server_;
};

HttpResponse Page(const std::string& body, int status = 200,
                  const std::string& type = "text/xml");

// A manifest offering |version| of the package at |file_url| with |md5|.
std::string Manifest(const std::string& version, const std::string& file_url,
                     const std::string& md5 = "0123456789abcdef0123456789abcdef");

}  // namespace test

#endif  // TESTS_UPDATER_FIXTURE_H_
