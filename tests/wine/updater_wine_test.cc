// Runs the Windows build of the updater under Wine, the way a host would:
// next to the Windows demonstration host Mirovue.exe, against an HTTP server
// on 127.0.0.1, with desktop_user.exe acting as the person at the desktop.
// The programs are named by UPDATER_EXE, KEYED_UPDATER_EXE (an updater that
// trusts the key whose private half is in the PEM file TEST_KEY), HOST_EXE
// (whose version is HOST_VERSION, dotted) and DESKTOP_USER_EXE; screenshots
// go to SHOT_DIR. Wine's environment (prefix, locale, display) is the
// caller's.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/file_path.h"
#include "base/utf_string_conversions.h"
#include "tests/child_process.h"
#include "tests/http_test_server.h"
#include "tests/manifest_signing.h"
#include "tests/test_files.h"
#include "tests/update_site.h"
#include "zip/testing/archive_builder.h"

namespace test {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using std::chrono::seconds;

// Started without a search of PATH.
constexpr char kWine[] = "/usr/bin/wine";
constexpr int kIdShow = 32778;
constexpr int kIdOk = 1;

std::string Setting(const char* name) {
  const char* value = getenv(name);
  return value ? value : "";
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Waits (bounded) until a line of |path| starts with |prefix|; returns it.
std::string WaitForLine(const std::string& path,
                        const std::string& prefix,
                        milliseconds timeout = milliseconds(30000)) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  do {
    for (const std::string& line : Lines(ReadFileOrEmpty(path))) {
      if (line.rfind(prefix, 0) == 0)
        return line;
    }
    std::this_thread::sleep_for(milliseconds(50));
  } while (std::chrono::steady_clock::now() < deadline);
  return std::string();
}

// Runs a Windows program under Wine to its end; its exit code, or -1.
// |environment| holds "NAME=value" settings for it, such as another prefix.
int RunWine(const std::vector<std::string>& args,
            seconds timeout = seconds(60),
            const std::string& directory = std::string(),
            const std::vector<std::string>& environment = {}) {
  ChildProcess child;
  if (!child.Start(kWine, args, directory, std::string(), environment))
    return -1;
  int exit_code = -1;
  return child.Wait(timeout, &exit_code) ? exit_code : -1;
}

// A screenshot of the whole Xvfb display.
void Screenshot(const std::string& name) {
  const std::string dir = Setting("SHOT_DIR");
  ASSERT_FALSE(dir.empty());
  fs::create_directories(dir);
  ChildProcess import;
  ASSERT_TRUE(
      import.Start("/usr/bin/import", {"-window", "root", dir + "/" + name}));
  int exit_code = -1;
  ASSERT_TRUE(import.Wait(seconds(30), &exit_code));
  EXPECT_EQ(0, exit_code) << name;
}

class UpdaterWineTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Setting("UPDATER_EXE").empty());
    ASSERT_TRUE(server_.Start());
    fs::copy_file(Setting("UPDATER_EXE"), Installed("updater.exe"));
    fs::copy_file(Setting("HOST_EXE"), Installed("Mirovue.exe"));
  }

  void TearDown() override {
    if (!host_window_.empty())
      RunWine({Setting("DESKTOP_USER_EXE"), "close", host_window_});
    host_.Wait(seconds(20), &host_exit_code_);
  }

  std::string Installed(const std::string& name) const {
    return install_.path() + "/" + name;
  }
  std::string HostLog() const { return install_.path() + "/first-host.log"; }

  // Starts the installed host and waits until its window exists.
  void StartHost() {
    ASSERT_TRUE(host_.Start(
        kWine, {Installed("Mirovue.exe"), "--log=" + WinePath(HostLog()),
                "--exit-after-ms=120000"}));
    std::string line = WaitForLine(HostLog(), "window ");
    ASSERT_FALSE(line.empty()) << "the host's window did not come up";
    host_window_ = line.substr(7);
  }

  // The update messages the first host received so far, in order.
  std::vector<int> HostMessages() const {
    std::vector<int> messages;
    for (const std::string& line : Lines(ReadFileOrEmpty(HostLog()))) {
      if (line.rfind("message ", 0) == 0)
        messages.push_back(std::stoi(line.substr(8)));
    }
    return messages;
  }

  std::vector<int> MessagesSettled(size_t expected) const {
    auto deadline = std::chrono::steady_clock::now() + seconds(20);
    while (HostMessages().size() < expected &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(milliseconds(50));
    std::this_thread::sleep_for(milliseconds(500));
    return HostMessages();
  }

  std::vector<std::string> UpdaterArgs(const std::string& manifest_path) const {
    return {Installed("updater.exe"), "--url=" + server_.Url(manifest_path),
            "--hwnd=" + host_window_};
  }

  ScopedTempDir install_;
  HttpTestServer server_;
  ChildProcess host_;
  std::string host_window_;
  int host_exit_code_ = -1;
};

// Wine stays on code page 1252 when the locale is missing, which would make
// every Chinese text of the updater wrong.
TEST_F(UpdaterWineTest, AnsiCodePageIs936) {
  EXPECT_EQ(0,
            RunWine({Setting("DESKTOP_USER_EXE"), "expect-codepage", "936"}));
}

// Visual styles, no elevation, drawing for each monitor's DPI and the true
// Windows version all come from the manifest that updater.exe carries.
TEST_F(UpdaterWineTest, UpdaterCarriesItsApplicationManifest) {
  const std::string manifest_path = install_.path() + "/manifest.xml";
  ChildProcess reader;
  ASSERT_TRUE(reader.Start(
      kWine,
      {Setting("DESKTOP_USER_EXE"), "manifest", Installed("updater.exe")},
      std::string(), std::string(), {}, manifest_path));
  int exit_code = -1;
  ASSERT_TRUE(reader.Wait(seconds(60), &exit_code));
  ASSERT_EQ(0, exit_code);
  const std::string manifest = ReadFileOrEmpty(manifest_path);
  for (const char* expected :
       {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
        "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
        ">PerMonitorV2</dpiAwareness>", ">true/pm</dpiAware>",
        "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",
        "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>"}) {
    EXPECT_NE(std::string::npos, manifest.find(expected)) << expected;
  }
}

TEST_F(UpdaterWineTest, CheckOutcomesReachTheHostWindow) {
  const std::string installed = Setting("HOST_VERSION");
  server_.SetResponse("/same.xml",
                      Page(Manifest(installed, server_.Url("/package.zip"))));
  server_.SetResponse(
      "/page.html", Page("<html><body>portal</body></html>", 200, "text/html"));
  StartHost();
  EXPECT_EQ(0, RunWine(UpdaterArgs("/same.xml"), seconds(60), install_.path()));
  EXPECT_EQ((std::vector<int>{1125}), MessagesSettled(1));
  EXPECT_EQ(0,
            RunWine(UpdaterArgs("/page.html"), seconds(60), install_.path()));
  EXPECT_EQ((std::vector<int>{1125, 1127}), MessagesSettled(2));
}

TEST_F(UpdaterWineTest, WholeUpdateWithDialogBalloonAndStillRunningBox) {
  ScopedTempDir package_dir;
  const std::string archive = package_dir.path() + "/package.zip";
  const std::string new_host =
      ReadFileOrEmpty(Installed("Mirovue.exe")) + std::string(16, '\0');
  ASSERT_TRUE(zip::WriteTestArchive(
      base::FilePath(base::UTF8ToUTF16(archive)),
      {{"Mirovue.exe", new_host},
       {"readme.txt", "Mirovue 9.0.0.1\n"},
       {"plugins/", ""},
       {"plugins/viewer.dll", std::string(300000, 'v')}}));
  HttpResponse package = Page(ReadFileOrEmpty(archive), 200, "application/zip");
  // Long enough to show the dialog with its balloon before the download ends.
  package.delay = milliseconds(6000);
  server_.SetResponse("/package.zip", package);
  server_.SetResponse(
      "/update.xml",
      Page(Manifest("9.0.0.1", server_.Url("/package.zip"), Md5sum(archive))));
  StartHost();

  ChildProcess updater;
  std::vector<std::string> args = UpdaterArgs("/update.xml");
  ASSERT_TRUE(updater.Start(kWine, args, install_.path()));
  ASSERT_EQ((std::vector<int>{1124}), MessagesSettled(1));
  // The user opens the hidden dialog from the tray icon's menu.
  ASSERT_EQ(0, RunWine({Setting("DESKTOP_USER_EXE"), "command", "自动更新",
                        std::to_string(kIdShow), "10000"}));
  std::this_thread::sleep_for(milliseconds(1500));
  Screenshot("dialog_and_balloon.png");

  // Verified; three seconds later the host still runs, and the user is asked
  // to close it. The picture is taken while the box waits.
  ASSERT_EQ((std::vector<int>{1124, 1126}), MessagesSettled(2));
  ASSERT_EQ(
      0, RunWine({Setting("DESKTOP_USER_EXE"), "wait", "更新提示", "20000"}));
  std::this_thread::sleep_for(milliseconds(500));
  Screenshot("still_running_box.png");
  ASSERT_EQ(0, RunWine({Setting("DESKTOP_USER_EXE"), "close", host_window_}));
  host_window_.clear();
  ASSERT_EQ(0, RunWine({Setting("DESKTOP_USER_EXE"), "command", "更新提示",
                        std::to_string(kIdOk), "10000"}));

  int exit_code = -1;
  ASSERT_TRUE(updater.Wait(seconds(60), &exit_code));
  EXPECT_EQ(2, exit_code);
  EXPECT_EQ("exit", Lines(ReadFileOrEmpty(HostLog())).back());
  EXPECT_EQ("start -launch", WaitForLine(Installed("host.log"), "start"));
  EXPECT_EQ(new_host, ReadFileOrEmpty(Installed("Mirovue.exe")));
  EXPECT_EQ("Mirovue 9.0.0.1\n", ReadFileOrEmpty(Installed("readme.txt")));
  EXPECT_EQ(std::string(300000, 'v'),
            ReadFileOrEmpty(Installed("plugins/viewer.dll")));
  // The relaunched host ends with the test.
  std::string relaunched = WaitForLine(Installed("host.log"), "window ");
  ASSERT_FALSE(relaunched.empty());
  EXPECT_EQ(
      0, RunWine({Setting("DESKTOP_USER_EXE"), "close", relaunched.substr(7)}));
}

// A running image cannot be written on Windows, but it can be moved aside:
// the update replaces the updater that runs it. The old image stays in a
// backup directory until it has ended; the next start removes it.
TEST_F(UpdaterWineTest, PackageHoldingTheRunningUpdaterReplacesIt) {
  ScopedTempDir package_dir;
  const std::string archive = package_dir.path() + "/package.zip";
  const std::string new_updater =
      ReadFileOrEmpty(Installed("updater.exe")) + std::string(16, '\0');
  ASSERT_TRUE(zip::WriteTestArchive(
      base::FilePath(base::UTF8ToUTF16(archive)),
      {{"updater.exe", new_updater}, {"readme.txt", "new\n"}}));
  server_.SetResponse("/package.zip",
                      Page(ReadFileOrEmpty(archive), 200, "application/zip"));
  server_.SetResponse(
      "/update.xml",
      Page(Manifest("9.0.0.1", server_.Url("/package.zip"), Md5sum(archive))));
  server_.SetResponse("/same.xml", Page(Manifest(Setting("HOST_VERSION"),
                                                 server_.Url("/package.zip"))));

  EXPECT_EQ(2, RunWine({Installed("updater.exe"),
                        "--url=" + server_.Url("/update.xml")},
                       seconds(60), install_.path()));
  EXPECT_EQ(new_updater, ReadFileOrEmpty(Installed("updater.exe")));
  EXPECT_EQ("new\n", ReadFileOrEmpty(Installed("readme.txt")));
  std::string relaunched = WaitForLine(Installed("host.log"), "window ");
  ASSERT_FALSE(relaunched.empty());
  EXPECT_EQ(
      0, RunWine({Setting("DESKTOP_USER_EXE"), "close", relaunched.substr(7)}));

  // The new updater runs, and leaves nothing of the update behind.
  EXPECT_EQ(0, RunWine({Installed("updater.exe"),
                        "--url=" + server_.Url("/same.xml")},
                       seconds(60), install_.path()));
  for (const auto& entry : fs::directory_iterator(install_.path()))
    EXPECT_NE(0u, entry.path().filename().string().rfind("..", 0))
        << entry.path();
}

// Another desktop session's updater for the same installation cannot see
// the first one's mutex; a second Wine prefix stands for that session.
// Started while the first commits, it must leave the first one's work alone.
TEST_F(UpdaterWineTest, ASecondUpdaterFromAnotherSessionLeavesTheCommitAlone) {
  const std::vector<std::string> second_session = {
      "WINEPREFIX=" + Setting("UPDATER_SECOND_WINEPREFIX")};
  ASSERT_FALSE(Setting("UPDATER_SECOND_WINEPREFIX").empty());
  // The other session's Wine is up already, so its updater starts at once.
  ASSERT_EQ(0, RunWine({Setting("DESKTOP_USER_EXE"), "expect-codepage", "936"},
                       seconds(60), std::string(), second_session));

  constexpr int kParts = 1500;
  std::vector<zip::TestEntry> release = {{"readme.txt", "new\n"}};
  for (int i = 0; i < kParts; ++i) {
    const std::string name = "lib/part" + std::to_string(i) + ".dll";
    fs::create_directories(fs::path(Installed(name)).parent_path());
    std::ofstream(Installed(name)) << "old part";
    release.push_back({name, "new part " + std::to_string(i)});
  }
  ScopedTempDir package_dir;
  const std::string archive = package_dir.path() + "/package.zip";
  ASSERT_TRUE(zip::WriteTestArchive(base::FilePath(base::UTF8ToUTF16(archive)),
                                    release));
  server_.SetResponse("/package.zip",
                      Page(ReadFileOrEmpty(archive), 200, "application/zip"));
  server_.SetResponse(
      "/update.xml",
      Page(Manifest("9.0.0.1", server_.Url("/package.zip"), Md5sum(archive))));

  ChildProcess first;
  ASSERT_TRUE(first.Start(
      kWine, {Installed("updater.exe"), "--url=" + server_.Url("/update.xml")},
      install_.path()));
  // The journal is there from the commit's first step to its clean-up.
  auto deadline = std::chrono::steady_clock::now() + seconds(180);
  while (!fs::exists(Installed("..updater_journal")) &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(milliseconds(5));
  ASSERT_TRUE(fs::exists(Installed("..updater_journal")));
  EXPECT_EQ(0, RunWine({Installed("updater.exe"),
                        "--url=" + server_.Url("/update.xml")},
                       seconds(60), install_.path(), second_session));

  int exit_code = -1;
  ASSERT_TRUE(first.Wait(seconds(120), &exit_code));
  EXPECT_EQ(2, exit_code);
  EXPECT_EQ("new\n", ReadFileOrEmpty(Installed("readme.txt")));
  for (int i = 0; i < kParts; ++i) {
    EXPECT_EQ(
        "new part " + std::to_string(i),
        ReadFileOrEmpty(Installed("lib/part" + std::to_string(i) + ".dll")));
  }
  for (const auto& entry : fs::directory_iterator(install_.path()))
    EXPECT_NE(0u, entry.path().filename().string().rfind("..", 0))
        << entry.path();
  EXPECT_NE(std::string::npos,
            ReadFileOrEmpty(Installed("debug.log"))
                .find("Another updater is working on the installation"));
  std::string relaunched = WaitForLine(Installed("host.log"), "window ");
  ASSERT_FALSE(relaunched.empty());
  EXPECT_EQ(
      0, RunWine({Setting("DESKTOP_USER_EXE"), "close", relaunched.substr(7)}));
}

// The build that trusts a key refuses a manifest changed after signing,
// before any package request and with its reason in debug.log, and installs
// what the key signed, its SHA-256 digest checked by the system's BCrypt.
TEST_F(UpdaterWineTest,
       SignedBuildRefusesAnAlteredManifestAndInstallsTheSignedOne) {
  fs::copy_file(Setting("KEYED_UPDATER_EXE"), Installed("updater.exe"),
                fs::copy_options::overwrite_existing);
  const SigningKey key = SigningKey::FromPemFile(Setting("TEST_KEY"));
  ASSERT_TRUE(key.valid());
  ScopedTempDir package_dir;
  const std::string archive = package_dir.path() + "/package.zip";
  ASSERT_TRUE(zip::WriteTestArchive(
      base::FilePath(base::UTF8ToUTF16(archive)),
      {{"readme.txt", "Mirovue 9.0.0.1\n"},
       {"plugins/viewer.dll", std::string(300000, 'v')}}));
  server_.SetResponse("/package.zip",
                      Page(ReadFileOrEmpty(archive), 200, "application/zip"));
  const std::string manifest = Signed(
      Manifest(OfferOf("9.0.0.1", server_.Url("/package.zip"), archive)), key);
  std::string altered = manifest;
  altered.replace(altered.find("9.0.0.1"), 7, "9.0.0.2");
  server_.SetResponse("/update.xml", Page(manifest));
  server_.SetResponse("/altered.xml", Page(altered));

  StartHost();
  EXPECT_EQ(0,
            RunWine(UpdaterArgs("/altered.xml"), seconds(60), install_.path()));
  EXPECT_EQ((std::vector<int>{1127}), MessagesSettled(1));
  EXPECT_EQ(0, server_.RequestCount("/package.zip"));
  EXPECT_NE(std::string::npos,
            ReadFileOrEmpty(Installed("debug.log"))
                .find("Manifest rejected: manifest signature does not verify"));

  // Without the host running, the signed update goes through at once.
  ASSERT_EQ(0, RunWine({Setting("DESKTOP_USER_EXE"), "close", host_window_}));
  host_window_.clear();
  EXPECT_EQ(2, RunWine({Installed("updater.exe"),
                        "--url=" + server_.Url("/update.xml")},
                       seconds(60), install_.path()));
  EXPECT_EQ("Mirovue 9.0.0.1\n", ReadFileOrEmpty(Installed("readme.txt")));
  EXPECT_EQ(std::string(300000, 'v'),
            ReadFileOrEmpty(Installed("plugins/viewer.dll")));
  std::string relaunched = WaitForLine(Installed("host.log"), "window ");
  ASSERT_FALSE(relaunched.empty());
  EXPECT_EQ(
      0, RunWine({Setting("DESKTOP_USER_EXE"), "close", relaunched.substr(7)}));
}

// What Windows users' zip tools make: names in code page 936 without the
// UTF-8 flag; and names that differ only in letter case, which are one name
// on Windows.
TEST_F(UpdaterWineTest, NamesAreReadAndComparedAsWindowsDoes) {
  ScopedTempDir package_dir;
  const std::string archive = package_dir.path() + "/package.zip";
  std::ofstream(Installed("ReadMe.txt")) << "old\n";
  const auto offer = [&](const std::vector<zip::TestEntry>& entries) {
    ASSERT_TRUE(zip::WriteTestArchive(
        base::FilePath(base::UTF8ToUTF16(archive)), entries));
    server_.SetResponse("/package.zip",
                        Page(ReadFileOrEmpty(archive), 200, "application/zip"));
    server_.SetResponse("/update.xml",
                        Page(Manifest("9.0.0.1", server_.Url("/package.zip"),
                                      Md5sum(archive))));
  };
  const auto run_updater = [&] {
    EXPECT_EQ(2, RunWine({Installed("updater.exe"),
                          "--url=" + server_.Url("/update.xml"), "--notify=0"},
                         seconds(60), install_.path()));
    const std::string relaunched =
        WaitForLine(Installed("host.log"), "window ");
    ASSERT_FALSE(relaunched.empty());
    EXPECT_EQ(0, RunWine({Setting("DESKTOP_USER_EXE"), "close",
                          relaunched.substr(7)}));
    fs::remove(Installed("host.log"));
  };

  offer({{"readme.txt", "refused\n"}, {"README.TXT", "refused\n"}});
  run_updater();
  EXPECT_EQ("old\n", ReadFileOrEmpty(Installed("ReadMe.txt")));
  EXPECT_NE(std::string::npos, ReadFileOrEmpty(Installed("debug.log"))
                                   .find("differ only in letter case"));

  offer({{"readme.txt", "new\n"},
         {"\xd6\xd0\xce\xc4/\xcb\xb5\xc3\xf7.txt", "Chinese\n"}});
  run_updater();
  // The replaced file keeps the name it was stored under.
  EXPECT_EQ("new\n", ReadFileOrEmpty(Installed("ReadMe.txt")));
  EXPECT_FALSE(fs::exists(Installed("readme.txt")));
  EXPECT_EQ("Chinese\n",
            ReadFileOrEmpty(Installed(
                "\xe4\xb8\xad\xe6\x96\x87/\xe8\xaf\xb4\xe6\x98\x8e.txt")));
}

// A user profile named in Hangul on a Chinese desktop: the temporary
// folder's name is outside code page 936, and the package goes there all
// the same.
TEST_F(UpdaterWineTest, ATemporaryFolderNamedOutsideTheCodePageWorks) {
  const std::string temp =
      install_.path() + "/\xec\x9e\x84\xec\x8b\x9c \xed\x8f\xb4\xeb\x8d\x94";
  fs::create_directories(temp);
  ScopedTempDir package_dir;
  const std::string archive = package_dir.path() + "/package.zip";
  ASSERT_TRUE(zip::WriteTestArchive(base::FilePath(base::UTF8ToUTF16(archive)),
                                    {{"readme.txt", "Mirovue 9.0.0.1\n"}}));
  HttpResponse package = Page(ReadFileOrEmpty(archive), 200, "application/zip");
  // Long enough to see the package's directory in the temporary folder.
  package.delay = milliseconds(3000);
  server_.SetResponse("/package.zip", package);
  server_.SetResponse(
      "/update.xml",
      Page(Manifest("9.0.0.1", server_.Url("/package.zip"), Md5sum(archive))));

  ChildProcess updater;
  ASSERT_TRUE(updater.Start(kWine,
                            {Setting("DESKTOP_USER_EXE"), "with-temp",
                             WinePath(temp), WinePath(Installed("updater.exe")),
                             "--url=" + server_.Url("/update.xml")},
                            install_.path()));
  bool package_dir_seen = false;
  const auto deadline = std::chrono::steady_clock::now() + seconds(60);
  while (!package_dir_seen && std::chrono::steady_clock::now() < deadline &&
         server_.RequestCount("/package.zip") == 0) {
    std::this_thread::sleep_for(milliseconds(20));
  }
  for (const auto& entry : fs::directory_iterator(temp))
    package_dir_seen |=
        entry.path().filename().string().rfind("updater_partial", 0) == 0;
  EXPECT_TRUE(package_dir_seen);
  int exit_code = -1;
  ASSERT_TRUE(updater.Wait(seconds(60), &exit_code));
  EXPECT_EQ(2, exit_code);
  EXPECT_EQ("Mirovue 9.0.0.1\n", ReadFileOrEmpty(Installed("readme.txt")));
  EXPECT_TRUE(fs::is_empty(temp));
  const std::string relaunched = WaitForLine(Installed("host.log"), "window ");
  ASSERT_FALSE(relaunched.empty());
  EXPECT_EQ(
      0, RunWine({Setting("DESKTOP_USER_EXE"), "close", relaunched.substr(7)}));
}

// The user's proxy as the Internet Settings dialog stores it: the
// DefaultConnectionSettings record, which names a fixed proxy ("proxy
// server" ticked) and a bypass list.
std::string ConnectionSettings(const std::string& proxy,
                               const std::string& bypass) {
  std::string record;
  const auto add_number = [&record](uint32_t value) {
    for (int i = 0; i < 4; ++i)
      record += static_cast<char>((value >> (8 * i)) & 0xff);
  };
  add_number(0x46);  // the record's version
  add_number(1);     // how often it was changed
  add_number(0x3);   // a direct connection, or the proxy
  for (const std::string& text : {proxy, bypass, std::string()}) {
    add_number(static_cast<uint32_t>(text.size()));
    record += text;
  }
  record += std::string(32, '\0');
  std::string hex;
  for (unsigned char byte : record) {
    static const char kDigits[] = "0123456789abcdef";
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0xf];
  }
  return hex;
}

// The proxy set in the user's Internet Settings carries the manifest and
// the package to a server whose name the updater never resolves.
TEST_F(UpdaterWineTest, TheUsersProxySettingCarriesBothRequests) {
  const std::string key =
      "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet "
      "Settings\\Connections";
  const std::string site = "http://updates.mirovue.test";
  ScopedTempDir package_dir;
  const std::string archive = package_dir.path() + "/package.zip";
  ASSERT_TRUE(zip::WriteTestArchive(base::FilePath(base::UTF8ToUTF16(archive)),
                                    {{"readme.txt", "Mirovue 9.0.0.1\n"}}));
  server_.SetResponse("/package.zip",
                      Page(ReadFileOrEmpty(archive), 200, "application/zip"));
  server_.SetResponse(
      "/update.xml",
      Page(Manifest("9.0.0.1", site + "/package.zip", Md5sum(archive))));
  ASSERT_EQ(
      0, RunWine({"reg", "add", key, "/v", "DefaultConnectionSettings", "/t",
                  "REG_BINARY", "/d",
                  ConnectionSettings(
                      "127.0.0.1:" + std::to_string(server_.port()), "<local>"),
                  "/f"}));
  const int exit_code =
      RunWine({Installed("updater.exe"), "--url=" + site + "/update.xml"},
              seconds(60), install_.path());
  EXPECT_EQ(0, RunWine({"reg", "delete", key, "/v", "DefaultConnectionSettings",
                        "/f"}));
  EXPECT_EQ(2, exit_code);
  EXPECT_EQ("Mirovue 9.0.0.1\n", ReadFileOrEmpty(Installed("readme.txt")));
  for (const std::string path : {"/update.xml", "/package.zip"})
    EXPECT_EQ((std::vector<std::string>{"proxy " + site + path}),
              server_.Targets(path));
  EXPECT_NE(std::string::npos,
            ReadFileOrEmpty(Installed("debug.log"))
                .find("Requests go through the proxy 127.0.0.1:" +
                      std::to_string(server_.port()) +
                      ", by the user's proxy settings"));
  const std::string relaunched = WaitForLine(Installed("host.log"), "window ");
  ASSERT_FALSE(relaunched.empty());
  EXPECT_EQ(
      0, RunWine({Setting("DESKTOP_USER_EXE"), "close", relaunched.substr(7)}));
}

}  // namespace
}  // namespace test
