// Runs the real updater's update check next to the demonstration host,
// against a real HTTP server on loopback, and checks what the host window
// receives.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/updater_fixture.h"

namespace test {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

using UpdateCheckTest = UpdaterFixture;

constexpr char kInstalledVersion[] = DEMO_HOST_VERSION;

// These manifests offer a package that cannot be fetched, so an offered
// update ends as a failed download: the dialog closes with code 2.
const std::vector<uint32_t> kOfferedThenFailed = {1124, 1127};
const char kUnreachablePackage[] = "http://127.0.0.1:1/p.zip";

std::string Manifest(const std::string& version) {
  return test::Manifest(version, kUnreachablePackage);
}

TEST_F(UpdateCheckTest, EqualVersionIsUpToDate) {
  server_.SetResponse("/update.xml", Page(Manifest(kInstalledVersion)));
  HostLog host;
  StartHost(&host);
  EXPECT_EQ(0, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
  EXPECT_EQ(std::vector<uint32_t>{1125}, host.MessagesSettled(1));
}

TEST_F(UpdateCheckTest, NewerVersionIsOffered) {
  server_.SetResponse("/update.xml", Page(Manifest("1.0.2.6")));
  HostLog host;
  StartHost(&host);
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
  EXPECT_EQ(kOfferedThenFailed, host.MessagesSettled(2));
}

TEST_F(UpdateCheckTest, FailedChecksPostExactlyOneFailure) {
  server_.SetResponse("/missing.xml", Page("<html><body>404</body></html>", 404, "text/html"));
  server_.SetResponse("/page.html", Page("<html><body>Welcome</body></html>", 200, "text/html"));
  std::string unreachable =
      "--url=http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/u.xml";
  for (const std::string& url : {unreachable, UrlSwitch("/missing.xml"),
                                 UrlSwitch("/page.html")}) {
    SCOPED_TRACE(url);
    HostLog host;
    StartHost(&host);
    EXPECT_EQ(0, RunUpdater({url, host.HwndSwitch()}));
    EXPECT_EQ(std::vector<uint32_t>{1127}, host.MessagesSettled(1));
  }
}

TEST_F(UpdateCheckTest, RedirectedManifestIsFollowed) {
  server_.SetResponse("/real.xml", Page(Manifest(kInstalledVersion)));
  HttpResponse redirect = Page("<html>moved</html>", 302, "text/html");
  redirect.location = server_.Url("/real.xml");
  server_.SetResponse("/update.xml", redirect);
  HostLog host;
  StartHost(&host);
  EXPECT_EQ(0, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
  EXPECT_EQ(std::vector<uint32_t>{1125}, host.MessagesSettled(1));
}

TEST_F(UpdateCheckTest, ManifestWithBomDeclarationAndCommentsIsAccepted) {
  server_.SetResponse("/update.xml",
                      Page("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                           "<!-- Mirovue update -->\r\n" + Manifest("2.0") +
                           "\r\n<!-- end -->"));
  HostLog host;
  StartHost(&host);
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
  EXPECT_EQ(kOfferedThenFailed, host.MessagesSettled(2));
}

TEST_F(UpdateCheckTest, MissingHostExecutableMeansUpdate) {
  std::filesystem::remove(Installed("Mirovue.exe"));
  server_.SetResponse("/update.xml", Page(Manifest("0.0.1")));
  HostLog host;
  ASSERT_TRUE(host.Start(DEMO_HOST_BINARY));
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
  EXPECT_EQ(kOfferedThenFailed, host.MessagesSettled(2));
}

TEST_F(UpdateCheckTest, NothingIsPostedWithoutHwnd) {
  server_.SetResponse("/update.xml", Page(Manifest("2.0")));
  HostLog host;
  StartHost(&host);
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml")}));
  EXPECT_EQ(1, server_.RequestCount("/update.xml"));
  EXPECT_TRUE(host.MessagesSettled(0).empty());
}

TEST_F(UpdateCheckTest, SecondUpdaterPostsNothingWhileFirstRuns) {
  HttpResponse slow = Page(Manifest(kInstalledVersion));
  slow.delay = milliseconds(3000);
  server_.SetResponse("/update.xml", slow);
  HostLog first_host;
  HostLog second_host;
  StartHost(&first_host);
  StartHost(&second_host);

  ChildProcess first;
  // Its own temporary directory too: an updater clears what updaters that
  // it cannot see running left there.
  StartUpdater(&first, {UrlSwitch("/update.xml"), first_host.HwndSwitch()});
  auto deadline = std::chrono::steady_clock::now() + seconds(20);
  while (server_.RequestCount("/update.xml") == 0 &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(10));
  }
  ASSERT_EQ(1, server_.RequestCount("/update.xml"));

  EXPECT_EQ(0, RunUpdater({UrlSwitch("/update.xml"), second_host.HwndSwitch()}));
  EXPECT_TRUE(first.running());
  int first_exit = -1;
  ASSERT_TRUE(first.Wait(seconds(60), &first_exit));
  EXPECT_EQ(0, first_exit);
  EXPECT_EQ(std::vector<uint32_t>{1125}, first_host.MessagesSettled(1));
  EXPECT_TRUE(second_host.MessagesSettled(0).empty());
  EXPECT_EQ(1, server_.RequestCount("/update.xml"));
}

}  // namespace
}  // namespace test
