// Downloads over networks that fail the ways real ones do, with the real
// updater against a loopback server that breaks, stalls and refuses the
// package transfer on purpose: the update must still install, resuming
// what came before a break instead of fetching it again.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/file_path.h"
#include "base/utf_string_conversions.h"
#include "tests/updater_fixture.h"
#include "zip/testing/archive_builder.h"

namespace test {
namespace {

using std::chrono::milliseconds;

constexpr char kEtag[] = "\"package-1\"";

// Bytes that do not compress, so that the package is as long as its data.
std::string Noise(size_t size, uint32_t seed) {
  std::string data(size, '\0');
  for (char& c : data) {
    seed = seed * 1664525 + 1013904223;
    c = static_cast<char>(seed >> 24);
  }
  return data;
}

class DownloadTest : public UpdaterFixture {
 protected:
  void SetUp() override {
    UpdaterFixture::SetUp();
    package_ = WritePackage("package.zip", Noise(1 << 20, 1));
  }

  // A package holding data.bin with |data|; returns its bytes.
  std::string WritePackage(const std::string& name, const std::string& data) {
    const std::string archive = package_dir_.path() + "/" + name;
    EXPECT_TRUE(zip::WriteTestArchive(
        base::FilePath(base::UTF8ToUTF16(archive)), {{"data.bin", data}}));
    return ReadFileOrEmpty(archive);
  }

  // The package as a server that can resume it serves it, cut off (the
  // connection closed) after |cut_fraction| of it unless that is 1.
  HttpResponse Served(const std::string& package,
                      double cut_fraction = 1,
                      const std::string& etag = kEtag) {
    HttpResponse response = Page(package, 200, "application/zip");
    response.etag = etag;
    response.honour_range = true;
    if (cut_fraction < 1) {
      response.cut_after = static_cast<size_t>(package.size() * cut_fraction);
      response.drop_at_cut = true;
    }
    return response;
  }

  // Offers |package| (its digest and size) at /package.zip.
  void Offer(const std::string& package) {
    const std::string archive = package_dir_.path() + "/offered.zip";
    WriteFileBytes(archive, package);
    server_.SetResponse("/update.xml",
                        Page(Manifest(OfferOf(
                            "9.0.0.1", server_.Url("/package.zip"), archive))));
  }

  static void WriteFileBytes(const std::string& path,
                             const std::string& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, file);
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
  }

  // Runs the updater against the offer; true when it installed data.bin
  // with |data| and left nothing behind.
  void ExpectInstalled(const std::string& data) {
    EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml")}));
    EXPECT_EQ(data, ReadFileOrEmpty(Installed("data.bin")));
    EXPECT_TRUE(TempLeftovers().empty());
    KillProcessesRunning(Installed("Mirovue.exe"));
  }

  ScopedTempDir package_dir_;
  std::string package_;
};

TEST_F(DownloadTest, ThreeBreaksAreResumedWhereTheyHappened) {
  server_.SetResponses("/package.zip",
                       {Served(package_, 0.3), Served(package_, 0.6),
                        Served(package_, 0.9), Served(package_)});
  Offer(package_);
  ExpectInstalled(Noise(1 << 20, 1));
  const std::vector<HttpRequest> requests = server_.Requests("/package.zip");
  ASSERT_EQ(4u, requests.size());
  EXPECT_EQ("", requests[0].Header("range"));
  for (size_t i = 1; i < requests.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(kEtag, requests[i].Header("if-range"));
    EXPECT_NE("", requests[i].Header("range"));
  }
  EXPECT_LE(server_.BodyBytesSent("/package.zip"), package_.size() * 115 / 100);
}

// A server that ignores Range sends the whole package again; the download
// starts over and the result is still whole.
TEST_F(DownloadTest, ABreakOnAServerThatIgnoresRangesStartsOver) {
  HttpResponse cut = Served(package_, 0.5);
  HttpResponse whole = Served(package_);
  cut.honour_range = whole.honour_range = false;
  server_.SetResponses("/package.zip", {cut, whole});
  Offer(package_);
  ExpectInstalled(Noise(1 << 20, 1));
  EXPECT_EQ(2, server_.RequestCount("/package.zip"));
}

// The package changed on the server between two requests: the validator no
// longer holds, the new package comes whole and nothing of the old one is
// spliced into it.
TEST_F(DownloadTest, APackageChangedBetweenRequestsIsFetchedWhole) {
  const std::string changed = WritePackage("changed.zip", Noise(1 << 20, 2));
  server_.SetResponses("/package.zip", {Served(package_, 0.5),
                                        Served(changed, 1, "\"package-2\"")});
  Offer(changed);
  ExpectInstalled(Noise(1 << 20, 2));
  const std::vector<HttpRequest> requests = server_.Requests("/package.zip");
  ASSERT_EQ(2u, requests.size());
  EXPECT_EQ(kEtag, requests[1].Header("if-range"));
  EXPECT_EQ(package_.size() / 2 + changed.size(),
            server_.BodyBytesSent("/package.zip"));
}

TEST_F(DownloadTest, ABusyServersRetryAfterIsWaitedFor) {
  HttpResponse busy = Page("<html>busy</html>", 503, "text/html");
  busy.retry_after = "3";
  server_.SetResponses("/package.zip", {busy, Served(package_)});
  Offer(package_);
  ExpectInstalled(Noise(1 << 20, 1));
  const std::vector<HttpRequest> requests = server_.Requests("/package.zip");
  ASSERT_EQ(2u, requests.size());
  EXPECT_GE(requests[1].received - requests[0].received, milliseconds(3000));
}

// A transfer that stalls half-way is given up after the stall rule's
// minute and resumed from where it stalled.
TEST_F(DownloadTest, AStallHalfWayIsResumed) {
  HttpResponse stalled = Served(package_, 0.5);
  stalled.drop_at_cut = false;
  server_.SetResponses("/package.zip", {stalled, Served(package_)});
  Offer(package_);
  EXPECT_EQ(2,
            RunUpdater({UrlSwitch("/update.xml")}, std::chrono::seconds(150)));
  EXPECT_EQ(Noise(1 << 20, 1), ReadFileOrEmpty(Installed("data.bin")));
  EXPECT_EQ(2, server_.RequestCount("/package.zip"));
  EXPECT_LE(server_.BodyBytesSent("/package.zip"), package_.size() * 115 / 100);
  KillProcessesRunning(Installed("Mirovue.exe"));
}

// A run killed half-way leaves its partial download; the next run offered
// the same package fetches only the rest.
TEST_F(DownloadTest, ARunKilledHalfWayIsResumedByTheNextRun) {
  HttpResponse stalled = Served(package_, 0.5);
  stalled.drop_at_cut = false;
  server_.SetResponse("/package.zip", stalled);
  Offer(package_);
  {
    ChildProcess updater;
    StartUpdater(&updater, {UrlSwitch("/update.xml")});
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (server_.BodyBytesSent("/package.zip") < package_.size() / 2 &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(milliseconds(20));
    }
    ASSERT_EQ(package_.size() / 2, server_.BodyBytesSent("/package.zip"));
    // What reached the updater must reach its file before the kill.
    std::this_thread::sleep_for(milliseconds(500));
    updater.Signal(SIGKILL);
    int exit_code = 0;
    ASSERT_TRUE(updater.Wait(std::chrono::seconds(10), &exit_code));
  }
  ASSERT_EQ(1u, PartialDownloads().size());

  server_.SetResponse("/package.zip", Served(package_));
  ExpectInstalled(Noise(1 << 20, 1));
  const std::vector<HttpRequest> requests = server_.Requests("/package.zip");
  ASSERT_EQ(2u, requests.size());
  EXPECT_EQ(kEtag, requests[1].Header("if-range"));
  EXPECT_LE(server_.BodyBytesSent("/package.zip") - package_.size() / 2,
            package_.size() * 6 / 10);
}

// A transfer that fails keeps its partial download for the next run, and
// a check that finds the installation up to date removes it.
TEST_F(DownloadTest, APartialDownloadStaysUntilItsPackageIsNoLongerOffered) {
  HttpResponse refused = Page("<html>forbidden</html>", 403, "text/html");
  server_.SetResponses("/package.zip", {Served(package_, 0.5), refused});
  Offer(package_);
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml")}));
  EXPECT_EQ(2, server_.RequestCount("/package.zip"));
  EXPECT_FALSE(std::filesystem::exists(Installed("data.bin")));
  ASSERT_EQ(1u, PartialDownloads().size());
  EXPECT_EQ(TempLeftovers(), PartialDownloads());

  server_.SetResponse(
      "/update.xml",
      Page(Manifest(DEMO_HOST_VERSION, server_.Url("/package.zip"))));
  EXPECT_EQ(0, RunUpdater({UrlSwitch("/update.xml")}));
  EXPECT_TRUE(TempLeftovers().empty());
}

// The user's proxy, named in the environment, carries the manifest and the
// package; the updater resolves no name itself.
TEST_F(DownloadTest, AProxyInTheEnvironmentCarriesBothRequests) {
  const std::string site = "http://updates.mirovue.test";
  const std::string archive = package_dir_.path() + "/package.zip";
  server_.SetResponse("/package.zip", Served(package_));
  server_.SetResponse(
      "/update.xml",
      Page(Manifest(OfferOf("9.0.0.1", site + "/package.zip", archive))));
  updater_environment_ = {"http_proxy=http://127.0.0.1:" +
                          std::to_string(server_.port())};
  EXPECT_EQ(2, RunUpdater({"--url=" + site + "/update.xml"}));
  EXPECT_EQ(Noise(1 << 20, 1), ReadFileOrEmpty(Installed("data.bin")));
  for (const std::string path : {"/update.xml", "/package.zip"})
    EXPECT_EQ((std::vector<std::string>{"proxy " + site + path}),
              server_.Targets(path));
  const std::string log = ReadFileOrEmpty(Installed("debug.log"));
  const std::string logged =
      "Requests go through the proxy the environment names (http_proxy=";
  ASSERT_NE(std::string::npos, log.find(logged));
  EXPECT_EQ(log.find(logged), log.rfind(logged)) << "logged once";
  KillProcessesRunning(Installed("Mirovue.exe"));
}

}  // namespace
}  // namespace test
