// Runs the real updater next to the demonstration host, against a real HTTP
// server on loopback, and checks what the host window receives.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/child_process.h"
#include "tests/host_log.h"
#include "tests/http_test_server.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr char kInstalledVersion[] = "1, 0, 2, 5";

std::string Manifest(const std::string& version) {
  return "<update><version>" + version + "</version><md5>0123456789abcdef</md5>"
         "<file_url>http://127.0.0.1:1/p.zip</file_url><compress>zip</compress>"
         "</update>";
}

test::HttpResponse Page(const std::string& body, int status = 200,
                        const std::string& type = "text/xml") {
  test::HttpResponse response;
  response.status = status;
  response.body = body;
  response.content_type = type;
  return response;
}

// An installation with the updater beside a running demonstration host
// whose window handle is unique to this test.
class UpdaterBlackBoxTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(install_.path().empty());
    ASSERT_TRUE(server_.Start());
    namespace fs = std::filesystem;
    fs::copy_file(UPDATER_BINARY, Installed("updater"));
    fs::copy_file(DEMO_HOST_BINARY, Installed("Mirovue.exe"));
  }

  std::string Installed(const std::string& name) const {
    return install_.path() + "/" + name;
  }

  // Starts a host window; its messages are recorded in its own log.
  void StartHost(test::HostLog* host) { ASSERT_TRUE(host->Start(Installed("Mirovue.exe"))); }

  // Runs the updater with |args| to its end and returns its exit code.
  int RunUpdater(const std::vector<std::string>& args) {
    test::ChildProcess updater;
    EXPECT_TRUE(updater.Start(Installed("updater"), args, install_.path(),
                              Installed("updater.stderr")));
    int exit_code = -1;
    EXPECT_TRUE(updater.Wait(seconds(60), &exit_code)) << "updater did not end";
    return exit_code;
  }

  std::string UrlSwitch(const std::string& path) const {
    return "--url=" + server_.Url(path);
  }

  test::ScopedTempDir install_;
  test::HttpTestServer server_;
};

TEST_F(UpdaterBlackBoxTest, EqualVersionIsUpToDate) {
  server_.SetResponse("/update.xml", Page(Manifest(kInstalledVersion)));
  test::HostLog host;
  StartHost(&host);
  EXPECT_EQ(0, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
  EXPECT_EQ(std::vector<uint32_t>{1125}, host.MessagesSettled(1));
}

// The manifests of these tests offer a package that cannot be fetched, so an
// offered update ends as a failed download: the dialog closes with code 2.
const std::vector<uint32_t> kOfferedThenFailed = {1124, 1127};

TEST_F(UpdaterBlackBoxTest, NewerVersionIsOffered) {
  server_.SetResponse("/update.xml", Page(Manifest("1.0.2.6")));
  test::HostLog host;
  StartHost(&host);
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
  EXPECT_EQ(kOfferedThenFailed, host.MessagesSettled(2));
}

TEST_F(UpdaterBlackBoxTest, FailedChecksPostExactlyOneFailure) {
  server_.SetResponse("/missing.xml", Page("<html><body>404</body></html>", 404, "text/html"));
  server_.SetResponse("/page.html", Page("<html><body>Welcome</body></html>", 200, "text/html"));
  std::string unreachable =
      "--url=http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()) + "/u.xml";
  for (const std::string& url : {unreachable, UrlSwitch("/missing.xml"),
                                 UrlSwitch("/page.html")}) {
    SCOPED_TRACE(url);
    test::HostLog host;
    StartHost(&host);
    EXPECT_EQ(0, RunUpdater({url, host.HwndSwitch()}));
    EXPECT_EQ(std::vector<uint32_t>{1127}, host.MessagesSettled(1));
  }
}

TEST_F(UpdaterBlackBoxTest, RedirectedManifestIsFollowed) {
  server_.SetResponse("/real.xml", Page(Manifest(kInstalledVersion)));
  test::HttpResponse redirect = Page("<html>moved</html>", 302, "text/html");
  redirect.location = server_.Url("/real.xml");
  server_.SetResponse("/update.xml", redirect);
  test::HostLog host;
  StartHost(&host);
  EXPECT_EQ(0, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
  EXPECT_EQ(std::vector<uint32_t>{1125}, host.MessagesSettled(1));
}

TEST_F(UpdaterBlackBoxTest, ManifestWithBomDeclarationAndCommentsIsAccepted) {
  server_.SetResponse("/update.xml",
                      Page("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                           "<!-- Mirovue update -->\r\n" + Manifest("2.0") +
                           "\r\n<!-- end -->"));
  test::HostLog host;
  StartHost(&host);
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
  EXPECT_EQ(kOfferedThenFailed, host.MessagesSettled(2));
}

TEST_F(UpdaterBlackBoxTest, MissingHostExecutableMeansUpdate) {
  std::filesystem::remove(Installed("Mirovue.exe"));
  server_.SetResponse("/update.xml", Page(Manifest("0.0.1")));
  test::HostLog host;
  ASSERT_TRUE(host.Start(DEMO_HOST_BINARY));
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
  EXPECT_EQ(kOfferedThenFailed, host.MessagesSettled(2));
}

TEST_F(UpdaterBlackBoxTest, NothingIsPostedWithoutHwnd) {
  server_.SetResponse("/update.xml", Page(Manifest("2.0")));
  test::HostLog host;
  StartHost(&host);
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml")}));
  EXPECT_EQ(1, server_.RequestCount("/update.xml"));
  EXPECT_TRUE(host.MessagesSettled(0).empty());
}

TEST_F(UpdaterBlackBoxTest, SecondUpdaterPostsNothingWhileFirstRuns) {
  test::HttpResponse slow = Page(Manifest(kInstalledVersion));
  slow.delay = milliseconds(3000);
  server_.SetResponse("/update.xml", slow);
  test::HostLog first_host;
  test::HostLog second_host;
  StartHost(&first_host);
  StartHost(&second_host);

  test::ChildProcess first;
  ASSERT_TRUE(first.Start(Installed("updater"),
                          {UrlSwitch("/update.xml"), first_host.HwndSwitch()},
                          install_.path()));
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
