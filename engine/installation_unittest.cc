// Drives the installation steps and the worker through their delegate, with
// no window: real packages, a real host process and a loopback server.
#include "engine/installation.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/http_transfer.h"
#include "app/startup_state.h"
#include "base/file_path.h"
#include "base/logging.h"
#include "base/unique_temp_dir.h"
#include "base/utf_string_conversions.h"
#include "engine/update_thread.h"
#include "tests/child_process.h"
#include "tests/host_log.h"
#include "tests/http_test_server.h"
#include "tests/test_files.h"
#include "zip/testing/archive_builder.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

// Records what the installation tells its owner, from any thread.
class RecordingOwner : public InstallationDelegate {
 public:
  void OnInstallationEvent(InstallationEvent event) override {
    switch (event) {
      case InstallationEvent::kVerifying:
        return Add("verifying");
      case InstallationEvent::kHostStillRunning:
        return Add("host still running");
      case InstallationEvent::kTransferFailed:
        return Add("transfer failed");
      case InstallationEvent::kDigestMismatch:
        return Add("digest mismatch");
      case InstallationEvent::kNotInstalled:
        return Add("not installed");
    }
  }
  void SetProgressPosition(uint32_t position) override {
    std::lock_guard<std::mutex> hold(mutex_);
    positions_.push_back(position);
  }
  void RequestClose() override { Add("close"); }

  std::vector<std::string> calls() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return calls_;
  }
  std::vector<uint32_t> positions() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return positions_;
  }
  // Waits (bounded) for the close request.
  bool WaitForClose(milliseconds timeout) {
    std::unique_lock<std::mutex> hold(mutex_);
    return changed_.wait_for(hold, timeout, [this] {
      return !calls_.empty() && calls_.back() == "close";
    });
  }

 private:
  void Add(const std::string& call) {
    std::lock_guard<std::mutex> hold(mutex_);
    calls_.push_back(call);
    changed_.notify_all();
  }

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> calls_;   // guarded by mutex_
  std::vector<uint32_t> positions_;  // guarded by mutex_
};

// An offer of the package whose MD5 digest is |md5|.
UpdateInfo Offer(const std::string& md5) {
  UpdateInfo offer;
  offer.version = "9.0.0.1";
  offer.md5 = md5;
  offer.file_url = "http://127.0.0.1/package.zip";
  offer.compress = "zip";
  return offer;
}

// What a transfer that wrote the file at |path| reports of it, from tools
// other than the updater's own.
PackageDigests DigestsOf(const std::string& path) {
  return {test::Md5sum(path), test::Sha256sum(path), fs::file_size(path)};
}

class InstallationTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { curl_global_init(CURL_GLOBAL_ALL); }

  void SetUp() override {
    ASSERT_TRUE(install_.Create());
    ASSERT_TRUE(scratch_.Create());
    logging::SetLogFileForTesting(Scratch("debug.log"));
    fs::copy_file(DEMO_HOST_BINARY, Installed("Mirovue.exe"));
    std::ofstream(Installed("readme.txt")) << "old readme\n";
    g_hostWindow = 0;
    g_notify = true;
    g_bCancelDownload = false;
  }
  void TearDown() override { logging::SetLogFileForTesting(std::string()); }

  std::string Installed(const std::string& name) const {
    return base::UTF16ToUTF8(install_.path().value()) + "/" + name;
  }
  std::string Scratch(const std::string& name) const {
    return base::UTF16ToUTF8(scratch_.path().value()) + "/" + name;
  }

  // Writes |entries| as a package and returns its path.
  std::string WritePackage(const std::vector<zip::TestEntry>& entries) {
    std::string path = Scratch("package.zip");
    EXPECT_TRUE(zip::WriteTestArchive(base::FilePath(base::UTF8ToUTF16(path)),
                                      entries));
    return path;
  }

  Installation MakeInstallation(const std::string& md5) {
    return Installation(&owner_, Offer(md5), install_.path(), u"Mirovue.exe",
                        u"-launch");
  }

  // The names in the installation directory, sorted, once the relaunched
  // host has started.
  std::vector<std::string> InstalledNames() const {
    RelaunchLine();
    std::vector<std::string> names;
    for (const auto& entry :
         fs::directory_iterator(install_.path().AsSystemPath()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  // The first line the host recorded in the installation, once it is there.
  std::string RelaunchLine() const {
    for (int i = 0; i < 1000; ++i) {
      std::string log = test::ReadFileOrEmpty(Installed("host.log"));
      if (!log.empty())
        return log.substr(0, log.find('\n'));
      std::this_thread::sleep_for(milliseconds(10));
    }
    return std::string();
  }

  base::UniqueTempDir install_;
  base::UniqueTempDir scratch_;
  RecordingOwner owner_;
};

TEST_F(InstallationTest, VerifiedPackageIsExtractedAndTheHostStartedAgain) {
  std::string package =
      WritePackage({{"readme.txt", "new readme\n"}, {"plugins/a.dll", "a"}});
  test::HostLog host;
  ASSERT_TRUE(host.Start(DEMO_HOST_BINARY, {"--exit-after-ms=4500"}));
  g_hostWindow = host.hwnd();

  MakeInstallation(test::Md5sum(package))
      .OnDownloadComplete(false, base::FilePath::FromSystemPath(package),
                          DigestsOf(package));

  EXPECT_EQ((std::vector<uint32_t>{1126}), host.MessagesSettled(1));
  // The host was still running at the first look, three seconds after 1126:
  // the user was asked once.
  EXPECT_EQ(
      (std::vector<std::string>{"verifying", "host still running", "close"}),
      owner_.calls());
  EXPECT_EQ("new readme\n", test::ReadFileOrEmpty(Installed("readme.txt")));
  EXPECT_EQ("a", test::ReadFileOrEmpty(Installed("plugins/a.dll")));
  EXPECT_EQ("start -launch", RelaunchLine());
  test::KillProcessesRunning(Installed("Mirovue.exe"));
}

TEST_F(InstallationTest, DigestMismatchChangesNothingAndTellsTheHost) {
  std::string package = WritePackage({{"readme.txt", "new readme\n"}});
  test::HostLog host;
  ASSERT_TRUE(host.Start(DEMO_HOST_BINARY));
  g_hostWindow = host.hwnd();

  MakeInstallation("00000000000000000000000000000000")
      .OnDownloadComplete(false, base::FilePath::FromSystemPath(package),
                          DigestsOf(package));

  EXPECT_EQ((std::vector<uint32_t>{1127}), host.MessagesSettled(1));
  EXPECT_EQ((std::vector<std::string>{"verifying", "digest mismatch", "close"}),
            owner_.calls());
  EXPECT_EQ("old readme\n", test::ReadFileOrEmpty(Installed("readme.txt")));
  EXPECT_FALSE(fs::exists(Installed("host.log")));
}

TEST_F(InstallationTest, AFailedTransferIsToldAndCloses) {
  test::HostLog host;
  ASSERT_TRUE(host.Start(DEMO_HOST_BINARY));
  g_hostWindow = host.hwnd();
  MakeInstallation("").OnDownloadComplete(
      true, base::FilePath::FromSystemPath(Scratch("absent.bak")),
      PackageDigests());
  EXPECT_EQ((std::vector<uint32_t>{1127}), host.MessagesSettled(1));
  EXPECT_EQ((std::vector<std::string>{"transfer failed", "close"}),
            owner_.calls());
}

TEST_F(InstallationTest, NoPackageFileFailsTheDigest) {
  // A transfer that wrote no file has no digest, not that of no bytes.
  EXPECT_FALSE(
      MakeInstallation("d41d8cd98f00b204e9800998ecf8427e").CheckPackageMD5({}));
  EXPECT_FALSE(MakeInstallation("").CheckPackageMD5({}));
}

// The SHA-256 digest and the length count where the offer names them.
TEST_F(InstallationTest, PackageMustMatchTheOfferedDigestsAndSize) {
  const std::string package = WritePackage({{"readme.txt", "new readme\n"}});
  const PackageDigests written = DigestsOf(package);
  std::string upper_sha256 = written.sha256;
  for (char& c : upper_sha256)
    c = static_cast<char>(toupper(c));
  const std::string size = std::to_string(written.length);
  const std::string other_sha256(64, '0');
  struct Case {
    const char* what;
    std::string sha256;
    std::string size;
    bool matches;
  } cases[] = {
      {"md5 alone", "", "", true},
      {"all three", written.sha256, size, true},
      {"digest in capitals", upper_sha256, size, true},
      {"another digest", other_sha256, size, false},
      {"one byte more", written.sha256, std::to_string(written.length + 1),
       false},
      {"one byte less", "", std::to_string(written.length - 1), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    UpdateInfo offer = Offer(written.md5);
    offer.sha256 = c.sha256;
    offer.size = c.size;
    Installation installation(&owner_, offer, install_.path(), u"Mirovue.exe",
                              u"-launch");
    EXPECT_EQ(c.matches, installation.CheckPackageMD5(written));
  }
}

TEST_F(InstallationTest, RefusedPackageIsToldAndStartsTheHostOnTheOldFiles) {
  std::string package =
      WritePackage({{"readme.txt", "new readme\n"}, {"../outside.txt", "x"}});
  test::HostLog host;
  ASSERT_TRUE(host.Start(DEMO_HOST_BINARY, {"--exit-after-ms=4500"}));
  g_hostWindow = host.hwnd();
  MakeInstallation(test::Md5sum(package))
      .OnDownloadComplete(false, base::FilePath::FromSystemPath(package),
                          DigestsOf(package));
  // The refusal reached the host while it still ran, before it was asked to
  // close.
  EXPECT_EQ((std::vector<uint32_t>{1126, 1127}), host.MessagesSettled(2));
  EXPECT_EQ("start -launch", RelaunchLine());
  EXPECT_EQ("old readme\n", test::ReadFileOrEmpty(Installed("readme.txt")));
  EXPECT_EQ((std::vector<std::string>{"verifying", "host still running",
                                      "not installed", "close"}),
            owner_.calls());
  EXPECT_NE(std::string::npos,
            test::ReadFileOrEmpty(Scratch("debug.log")).find(":ERROR:"));
  EXPECT_EQ((std::vector<std::string>{"Mirovue.exe", "host.log", "readme.txt"}),
            InstalledNames());
  test::KillProcessesRunning(Installed("Mirovue.exe"));
}

// The files staged below |staging| so far.
size_t StagedFiles(const fs::path& staging) {
  size_t files = 0;
  std::error_code error;
  for (fs::recursive_directory_iterator it(staging, error), end;
       !error && it != end; it.increment(error)) {
    files += it->is_regular_file() ? 1 : 0;
  }
  return files;
}

TEST_F(InstallationTest, ThePackageIsStagedWhileTheHostRunsAndCommittedAfter) {
  std::vector<zip::TestEntry> entries = {{"readme.txt", "new readme\n"}};
  for (int i = 0; i < 50; ++i)
    entries.push_back(
        {"lib/part" + std::to_string(i) + ".dll", std::string(20000, 'p')});
  std::string package = WritePackage(entries);
  test::HostLog host;
  ASSERT_TRUE(host.Start(DEMO_HOST_BINARY, {"--exit-after-ms=2000"}));
  std::thread worker([&] {
    MakeInstallation(test::Md5sum(package))
        .OnDownloadComplete(false, base::FilePath::FromSystemPath(package),
                            DigestsOf(package));
  });
  // Every entry staged while the host still runs, and nothing installed yet.
  bool staged_early = false;
  for (int i = 0; i < 1000 && !host.Exited() && !staged_early; ++i) {
    for (const auto& entry :
         fs::directory_iterator(install_.path().AsSystemPath())) {
      if (entry.path().filename().string().rfind("..updater_staging", 0) == 0 &&
          StagedFiles(entry.path()) == 51) {
        staged_early = !host.Exited();
      }
    }
    if (!staged_early)
      std::this_thread::sleep_for(milliseconds(10));
  }
  EXPECT_TRUE(staged_early);
  EXPECT_EQ("old readme\n", test::ReadFileOrEmpty(Installed("readme.txt")));
  EXPECT_FALSE(fs::exists(Installed("lib")));
  worker.join();
  EXPECT_EQ("new readme\n", test::ReadFileOrEmpty(Installed("readme.txt")));
  EXPECT_EQ(std::string(20000, 'p'),
            test::ReadFileOrEmpty(Installed("lib/part49.dll")));
  EXPECT_EQ((std::vector<std::string>{"Mirovue.exe", "host.log", "lib",
                                      "readme.txt"}),
            InstalledNames());
  test::KillProcessesRunning(Installed("Mirovue.exe"));
}

class UpdateThreadTest : public InstallationTest {
 protected:
  void SetUp() override {
    InstallationTest::SetUp();
    ASSERT_TRUE(server_.Start());
  }
  test::HttpTestServer server_;
};

TEST_F(UpdateThreadTest,
       DownloadsReportsProgressInstallsAndLeavesNoTemporaryFiles) {
  std::string package = WritePackage(
      {{"readme.txt", "new readme\n"}, {"big.bin", std::string(3 << 20, 'b')}});
  test::HttpResponse response;
  response.content_type = "application/zip";
  response.body = test::ReadFileOrEmpty(package);
  server_.SetResponse("/package.zip", response);

  // The worker's partial download goes into a temporary directory of this
  // test's own.
  fs::create_directory(Scratch("tmp"));
  setenv("TMPDIR", Scratch("tmp").c_str(), 1);
  Installation installation = MakeInstallation(test::Md5sum(package));
  {
    UpdateThread worker(&installation, server_.Url("/package.zip"));
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(owner_.WaitForClose(milliseconds(20000)));
    EXPECT_EQ(std::string(3 << 20, 'b'),
              test::ReadFileOrEmpty(Installed("big.bin")));
  }
  unsetenv("TMPDIR");
  EXPECT_TRUE(fs::is_empty(Scratch("tmp")));
  std::vector<uint32_t> positions = owner_.positions();
  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(100u, positions.back());
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
  EXPECT_EQ("start -launch", RelaunchLine());
  test::KillProcessesRunning(Installed("Mirovue.exe"));
}

// The worker never ends without a word: the host and the user would wait
// for ever.
TEST_F(UpdateThreadTest, EmptyPackageAddressEndsAsAFailedTransfer) {
  Installation installation = MakeInstallation("");
  {
    UpdateThread worker(&installation, "");
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(owner_.WaitForClose(milliseconds(20000)));
  }
  EXPECT_EQ((std::vector<std::string>{"transfer failed", "close"}),
            owner_.calls());
}

}  // namespace
