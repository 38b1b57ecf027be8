// A demonstration installation for black-box tests of the real updater: a
// fresh directory holding copies of the updater and the demonstration host
// Mirovue.exe, a loopback HTTP server, and a temporary directory of its own
// that the updater is given as TMPDIR.
#ifndef TESTS_UPDATER_FIXTURE_H_
#define TESTS_UPDATER_FIXTURE_H_

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/child_process.h"
#include "tests/host_log.h"
#include "tests/http_test_server.h"
#include "tests/test_files.h"
#include "tests/update_site.h"

namespace test {

class UpdaterFixture : public testing::Test {
 protected:
  // The updater binary the installation holds: the build's own, which
  // trusts no keys, unless a test names another.
  virtual const char* UpdaterBinary() const { return UPDATER_BINARY; }

  void SetUp() override;
  void TearDown() override;

  std::string Installed(const std::string& name) const {
    return install_.path() + "/" + name;
  }
  std::string UrlSwitch(const std::string& path) const {
    return "--url=" + server_.Url(path);
  }

  // Starts a demonstration host window from the installation.
  void StartHost(HostLog* host,
                 const std::vector<std::string>& extra_args = {});

  // Starts the updater with |args| in the installation, with standard
  // error going to updater_stderr().
  void StartUpdater(ChildProcess* updater,
                    const std::vector<std::string>& args);
  // Runs the updater with |args| in the installation to its end, waiting at
  // most |deadline| (then it is killed and -1 returned), and returns its exit
  // code; what it wrote to standard error is in updater_stderr(), the most
  // memory it had resident in updater_peak_resident_kib().
  int RunUpdater(const std::vector<std::string>& args,
                 std::chrono::seconds deadline = std::chrono::seconds(90));
  std::string updater_stderr() const;
  long updater_peak_resident_kib() const { return updater_peak_resident_kib_; }

  // The installation's files with their content, but the updater itself,
  // its standard error, the logs and the updater's own entries.
  Files InstalledFiles() const;

  // Names of what the updater left in its temporary directory.
  std::vector<std::string> TempLeftovers() const;
  // Of those, the partial downloads kept for a later run.
  std::vector<std::string> PartialDownloads() const;
  // Names of the updater's own entries left in the installation directory
  // (staging and backup directories, the journal).
  std::vector<std::string> InstallationLeftovers() const;

  ScopedTempDir install_;
  ScopedTempDir temp_;
  // The TMPDIR the updater is given: temp_, unless a test says otherwise.
  std::string updater_tmpdir_;
  // "NAME=value" settings the updater gets besides TMPDIR.
  std::vector<std::string> updater_environment_;
  HttpTestServer server_;
  long updater_peak_resident_kib_ = 0;  // of the last RunUpdater
};

}  // namespace test

#endif  // TESTS_UPDATER_FIXTURE_H_
