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
  server_.SetResponse("/missing.xml",
                      Page("<html><body>404</body></html>", 404, "text/html"));
  server_.SetResponse("/page.html", Page("<html><body>Welcome</body></html>",
                                         200, "text/html"));
  std::string unreachable =
      "--url=http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) +
      "/u.xml";
  for (const std::string& url :
       {unreachable, UrlSwitch("/missing.xml"), UrlSwitch("/page.html")}) {
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
  server_.SetResponse(
      "/update.xml",
      Page("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
           "<!-- Mirovue update -->\r\n" +
           Manifest("2.0") + "\r\n<!-- end -->"));
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

  EXPECT_EQ(0,
            RunUpdater({UrlSwitch("/update.xml"), second_host.HwndSwitch()}));
  EXPECT_TRUE(first.running());
  int first_exit = -1;
  ASSERT_TRUE(first.Wait(seconds(60), &first_exit));
  EXPECT_EQ(0, first_exit);
  EXPECT_EQ(std::vector<uint32_t>{1125}, first_host.MessagesSettled(1));
  EXPECT_TRUE(second_host.MessagesSettled(0).empty());
  EXPECT_EQ(1, server_.RequestCount("/update.xml"));
}

// |count| copies of |piece|.
std::string Repeat(const std::string& piece, size_t count) {
  std::string out;
  out.reserve(piece.size() * count);
  for (size_t i = 0; i < count; ++i)
    out += piece;
  return out;
}

// Markup characters inside comments and attribute values are text to the
// parser; counted as markup, they cancel the nesting that follows. The
// shapes stay under the manifest size limit, so that it is the nesting
// check that must refuse them.
TEST_F(UpdateCheckTest, DeepNestingHiddenBehindTextFailsWithoutCrash) {
  constexpr size_t kLevels = 200000;
  constexpr size_t kCancelling = kLevels - 200;
  struct Case {
    const char* name;
    std::string body;
  } cases[] = {
      {"comment full of </",
       "<!--" + Repeat("</", kCancelling) + "-->" + Repeat("<a>", kLevels)},
      {"attribute full of />",
       "<x a=\"" + Repeat("/>", kCancelling) + "\">" + Repeat("<a>", kLevels)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_LT(c.body.size(), size_t{1} << 20);
    server_.SetResponse("/update.xml", Page(c.body));
    HostLog host;
    StartHost(&host);
    EXPECT_EQ(0, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
    EXPECT_EQ(std::vector<uint32_t>{1127}, host.MessagesSettled(1));
  }
}

TEST_F(UpdateCheckTest, MarkupCharactersInsideTextDoNotCountAsNesting) {
  const std::string opens = Repeat("<", 300);
  const std::string manifest = Manifest(kInstalledVersion);
  const std::string update_start = "<update>";
  // |manifest| with |inside| placed among the children of "update".
  auto with_child = [&](const std::string& inside) {
    return update_start + inside + manifest.substr(update_start.size());
  };
  struct Case {
    const char* name;
    std::string body;
  } cases[] = {
      {"comment", "<!-- " + opens + " -->" + manifest},
      {"CDATA of an ignored element",
       with_child("<notes><![CDATA[" + opens + "]]></notes>")},
      {"processing instruction", "<?note " + opens + "?>" + manifest},
      {"attribute of an ignored element",
       with_child("<notes text=\"" + opens + "\"/>")},
      {"document type declaration",
       "<!DOCTYPE update [<!ENTITY x \"" + opens + "\">]>" + manifest},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server_.SetResponse("/update.xml", Page(c.body));
    HostLog host;
    StartHost(&host);
    EXPECT_EQ(0, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
    EXPECT_EQ(std::vector<uint32_t>{1125}, host.MessagesSettled(1));
  }
}

TEST_F(UpdateCheckTest,
       StalledManifestServerFailsAfterAMinuteAndFreesTheNextStart) {
  HttpResponse stalled = Page(Manifest(kInstalledVersion));
  stalled.cut_after = 0;  // the head, then nothing
  server_.SetResponse("/stalled.xml", stalled);
  server_.SetResponse("/update.xml", Page(Manifest(kInstalledVersion)));
  HostLog host;
  StartHost(&host);
  EXPECT_EQ(0, RunUpdater({UrlSwitch("/stalled.xml"), host.HwndSwitch()},
                          seconds(70)));
  EXPECT_EQ(std::vector<uint32_t>{1127}, host.MessagesSettled(1));

  HostLog next_host;
  StartHost(&next_host);
  EXPECT_EQ(0, RunUpdater({UrlSwitch("/update.xml"), next_host.HwndSwitch()}));
  EXPECT_EQ(std::vector<uint32_t>{1125}, next_host.MessagesSettled(1));
  EXPECT_EQ(1, server_.RequestCount("/update.xml"));
}

// Blanks and then a valid manifest: read whole, it would be accepted, so
// only the size limit refuses it. The server makes the blanks as it sends
// them, so that the peak memory of the updater's process is its own.
TEST_F(UpdateCheckTest, OversizedManifestFailsWithBoundedMemory) {
  struct Case {
    size_t blanks;
    bool send_length;
  } cases[] = {{5 << 20, true}, {5 << 20, false}, {100 << 20, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.blanks) +
                 (c.send_length ? " with length" : " ended by close"));
    HttpResponse oversized = Page(Manifest(kInstalledVersion));
    oversized.leading_blanks = c.blanks;
    oversized.send_length = c.send_length;
    server_.SetResponse("/update.xml", oversized);
    HostLog host;
    StartHost(&host);
    EXPECT_EQ(0, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
    EXPECT_EQ(std::vector<uint32_t>{1127}, host.MessagesSettled(1));
    EXPECT_LT(updater_peak_resident_kib(), 32 * 1024);
  }
}

TEST_F(UpdateCheckTest, TenRedirectsAreFollowedAndNoMore) {
  server_.SetResponse("/update.xml", Page(Manifest(kInstalledVersion)));
  // /r<n>.xml redirects n times before it reaches /update.xml.
  HttpResponse redirect = Page("<html>moved</html>", 302, "text/html");
  for (int n = 1; n <= 11; ++n) {
    redirect.location = server_.Url(
        n == 1 ? "/update.xml" : "/r" + std::to_string(n - 1) + ".xml");
    server_.SetResponse("/r" + std::to_string(n) + ".xml", redirect);
  }
  struct Case {
    int redirects;
    uint32_t message;
  } cases[] = {{10, 1125}, {11, 1127}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.redirects) + " redirects");
    HostLog host;
    StartHost(&host);
    EXPECT_EQ(
        0, RunUpdater({UrlSwitch("/r" + std::to_string(c.redirects) + ".xml"),
                       host.HwndSwitch()}));
    EXPECT_EQ(std::vector<uint32_t>{c.message}, host.MessagesSettled(1));
  }
}

TEST_F(UpdateCheckTest, RedirectLoopEndsAfterTenRedirects) {
  HttpResponse loop = Page("<html>moved</html>", 302, "text/html");
  loop.location = server_.Url("/loop.xml");
  server_.SetResponse("/loop.xml", loop);
  HostLog host;
  StartHost(&host);
  EXPECT_EQ(0, RunUpdater({UrlSwitch("/loop.xml"), host.HwndSwitch()}));
  EXPECT_EQ(std::vector<uint32_t>{1127}, host.MessagesSettled(1));
  EXPECT_LE(server_.RequestCount("/loop.xml"), 11);
}

}  // namespace
}  // namespace test
