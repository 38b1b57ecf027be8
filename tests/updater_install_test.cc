// Runs whole updates with the real updater: the package comes from a
// loopback server, the demonstration host runs as the installed Mirovue.exe
// and must exit before anything is written, and is started again at the end.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "base/file_path.h"
#include "base/utf_string_conversions.h"
#include "tests/manifest_signing.h"
#include "tests/updater_fixture.h"
#include "zip/testing/archive_builder.h"

namespace test {
namespace {

namespace fs = std::filesystem;

constexpr char kStillRunningBox[] =
    "更新提示: Mirovue依旧在运行请手动关闭后更新";
constexpr char kDigestBox[] = "更新提示: 文件MD5校验失败，更新操作被终止!";
constexpr char kDownloadBox[] = "更新提示: 更新时发生未知错误";

class InstallTest : public UpdaterFixture {
 protected:
  void SetUp() override {
    UpdaterFixture::SetUp();
    WriteFile(Installed("readme.txt"), "old readme\n");
    WriteFile(Installed("data/settings.ini"), "[old]\n");
    before_ = InstalledFiles();
  }

  // Serves |entries| as the package, with its true digest unless |md5| is
  // given, behind a manifest that offers a newer version.
  void OfferPackage(const std::vector<zip::TestEntry>& entries,
                    const std::string& md5 = std::string()) {
    std::string archive = package_dir_.path() + "/package.zip";
    ASSERT_TRUE(zip::WriteTestArchive(
        base::FilePath(base::UTF8ToUTF16(archive)), entries));
    server_.SetResponse("/package.zip",
                        Page(ReadFileOrEmpty(archive), 200, "application/zip"));
    OfferUrl(server_.Url("/package.zip"), md5.empty() ? Md5sum(archive) : md5);
  }

  void OfferUrl(const std::string& file_url, const std::string& md5) {
    server_.SetResponse("/update.xml",
                        Page(Manifest("9.0.0.1", file_url, md5)));
  }

  // Waits (bounded) until the host has been started again from the
  // installation and returns the arguments it was started with.
  std::string RelaunchArguments() const {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      std::string log = ReadFileOrEmpty(Installed("host.log"));
      if (log.rfind("start", 0) == 0)
        return log.substr(0, log.find('\n'));
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::string();
  }

  bool NeverRelaunched() const {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return !fs::exists(Installed("host.log"));
  }

  std::vector<zip::TestEntry> NewRelease() const {
    return {{"readme.txt", "new readme\n"},
            {"plugins/", ""},
            {"plugins/viewer.dll", std::string(100000, 'v')},
            {"data/settings.ini", "[new]\n"}};
  }

  ScopedTempDir package_dir_;
  Files before_;
};

TEST_F(InstallTest, ReplacesFilesAfterHostExitsAndStartsItAgain) {
  OfferPackage(NewRelease());
  HostLog host;
  // Still running at the first look, 3 seconds after 1126: asked once.
  StartHost(&host, {"--exit-after-ms=4500"});
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));

  EXPECT_EQ((std::vector<uint32_t>{1124, 1126}), host.MessagesSettled(2));
  EXPECT_TRUE(host.Exited());
  EXPECT_NE(std::string::npos, updater_stderr().find(kStillRunningBox));
  EXPECT_EQ("start -launch", RelaunchArguments());

  Files expected = before_;
  expected["readme.txt"] = "new readme\n";
  expected["data/settings.ini"] = "[new]\n";
  expected["plugins/viewer.dll"] = std::string(100000, 'v');
  EXPECT_EQ(expected, InstalledFiles());
  EXPECT_TRUE(TempLeftovers().empty());
  EXPECT_TRUE(InstallationLeftovers().empty());
}

TEST_F(InstallTest, UnattendedUpdateRelaunchesWithAuto) {
  OfferPackage(NewRelease());
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml"), "--auto"}));
  EXPECT_EQ("start -launch -auto", RelaunchArguments());
  EXPECT_EQ(std::string::npos, updater_stderr().find(kStillRunningBox));
}

TEST_F(InstallTest, ReplacedHostStaysRunnable) {
  std::string new_host =
      ReadFileOrEmpty(Installed("Mirovue.exe")) + std::string(16, '\0');
  OfferPackage({{"Mirovue.exe", new_host}});
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml")}));
  EXPECT_EQ("start -launch", RelaunchArguments());
  EXPECT_EQ(new_host, ReadFileOrEmpty(Installed("Mirovue.exe")));
  EXPECT_NE(fs::perms::none,
            fs::status(Installed("Mirovue.exe")).permissions() &
                fs::perms::owner_exec);
}

TEST_F(InstallTest, DigestMismatchInstallsNothing) {
  OfferPackage(NewRelease(), "00000000000000000000000000000000");
  HostLog host;
  StartHost(&host);
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
  EXPECT_EQ((std::vector<uint32_t>{1124, 1127}), host.MessagesSettled(2));
  EXPECT_NE(std::string::npos, updater_stderr().find(kDigestBox));
  EXPECT_NE(std::string::npos,
            ReadFileOrEmpty(Installed("debug.log")).find("文件MD5校验失败"));
  EXPECT_EQ(before_, InstalledFiles());
  EXPECT_TRUE(NeverRelaunched());
  EXPECT_TRUE(TempLeftovers().empty());
}

TEST_F(InstallTest, UpperCaseDigestMatches) {
  std::string archive = package_dir_.path() + "/package.zip";
  OfferPackage(NewRelease());
  std::string digest = Md5sum(archive);
  for (char& c : digest)
    c = static_cast<char>(toupper(c));
  OfferUrl(server_.Url("/package.zip"), digest);
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml")}));
  EXPECT_EQ("start -launch", RelaunchArguments());
}

TEST_F(InstallTest, RedirectedPackageFailsTheDigest) {
  server_.SetResponse("/moved.zip", [this] {
    HttpResponse moved = Page("<html>moved</html>", 302, "text/html");
    moved.location = server_.Url("/package.zip");
    return moved;
  }());
  OfferUrl(server_.Url("/moved.zip"), "0123456789abcdef0123456789abcdef");
  HostLog host;
  StartHost(&host);
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
  EXPECT_EQ((std::vector<uint32_t>{1124, 1127}), host.MessagesSettled(2));
  EXPECT_NE(std::string::npos, updater_stderr().find(kDigestBox));
  EXPECT_EQ(before_, InstalledFiles());
  EXPECT_EQ(0, server_.RequestCount("/package.zip"));
}

// An error page is never taken for the package, and a 404 is not retried.
TEST_F(InstallTest, AMissingPackageFailsTheTransferAfterOneRequest) {
  OfferUrl(server_.Url("/gone.zip"), "0123456789abcdef0123456789abcdef");
  HostLog host;
  StartHost(&host);
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
  EXPECT_EQ((std::vector<uint32_t>{1124, 1127}), host.MessagesSettled(2));
  EXPECT_EQ(1, server_.RequestCount("/gone.zip"));
  EXPECT_NE(std::string::npos, updater_stderr().find(kDownloadBox));
  EXPECT_EQ(std::string::npos, updater_stderr().find(kDigestBox));
  EXPECT_EQ(before_, InstalledFiles());
}

TEST_F(InstallTest, NotifyZeroPostsTheSameWithoutBoxes) {
  OfferPackage(NewRelease(), "00000000000000000000000000000000");
  HostLog host;
  StartHost(&host);
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch(),
                           "--notify=0"}));
  EXPECT_EQ((std::vector<uint32_t>{1124, 1127}), host.MessagesSettled(2));
  EXPECT_EQ(std::string::npos, updater_stderr().find(kDigestBox));
  EXPECT_EQ(std::string::npos,
            ReadFileOrEmpty(Installed("debug.log")).find("文件MD5校验失败"));
}

// A break is retried five times; a server that answers "busy, retry at
// once" to each of them makes the transfer fail soon.
TEST_F(InstallTest, ATransferThatKeepsFailingEndsWithItsBoxAfterFiveRetries) {
  HttpResponse cut = Page(std::string(1 << 20, 'x'), 200, "application/zip");
  cut.cut_after = 1000;
  cut.drop_at_cut = true;
  HttpResponse busy = Page("busy", 503, "text/plain");
  busy.retry_after = "0";
  server_.SetResponses("/package.zip", {cut, busy});
  OfferUrl(server_.Url("/package.zip"), "0123456789abcdef0123456789abcdef");
  HostLog host;
  StartHost(&host);
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
  EXPECT_EQ((std::vector<uint32_t>{1124, 1127}), host.MessagesSettled(2));
  EXPECT_EQ(6, server_.RequestCount("/package.zip"));
  EXPECT_NE(std::string::npos, updater_stderr().find(kDownloadBox));
  EXPECT_EQ(before_, InstalledFiles());
}

TEST_F(InstallTest, RefusedArchiveChangesNothingIsToldAndRelaunches) {
  std::vector<zip::TestEntry> hostile = NewRelease();
  hostile.push_back({"../escaped.txt", "outside"});
  OfferPackage(hostile);
  HostLog host;
  StartHost(&host, {"--exit-after-ms=1000"});
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
  // The refusal reaches the host while it still runs.
  EXPECT_EQ((std::vector<uint32_t>{1124, 1126, 1127}), host.MessagesSettled(3));
  EXPECT_EQ(before_, InstalledFiles());
  EXPECT_FALSE(fs::exists(install_.path() + "/../escaped.txt"));
  EXPECT_EQ("start -launch", RelaunchArguments());
  EXPECT_NE(std::string::npos, updater_stderr().find(kDownloadBox));
  EXPECT_NE(std::string::npos,
            ReadFileOrEmpty(Installed("debug.log")).find("unsafe entry name"));
  EXPECT_TRUE(InstallationLeftovers().empty());
  EXPECT_TRUE(TempLeftovers().empty());
}

TEST_F(InstallTest, Bzip2EntryChangesNothingAndIsTold) {
  std::string archive = package_dir_.path() + "/package.zip";
  ASSERT_TRUE(zip::WriteTestArchive(base::FilePath(base::UTF8ToUTF16(archive)),
                                    NewRelease()));
  ASSERT_TRUE(zip::PatchEntryField(base::FilePath(base::UTF8ToUTF16(archive)),
                                   "plugins/viewer.dll",
                                   zip::EntryField::kCompressionMethod, 12));
  server_.SetResponse("/package.zip",
                      Page(ReadFileOrEmpty(archive), 200, "application/zip"));
  OfferUrl(server_.Url("/package.zip"), Md5sum(archive));
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml")}));
  EXPECT_EQ("start -launch", RelaunchArguments());
  EXPECT_EQ(before_, InstalledFiles());
  EXPECT_NE(std::string::npos, updater_stderr().find(kDownloadBox));
  EXPECT_NE(std::string::npos,
            ReadFileOrEmpty(Installed("debug.log")).find("method 12"));
  EXPECT_TRUE(InstallationLeftovers().empty());
}

TEST_F(InstallTest, NotifyZeroTellsAFailedInstallationOnlyInTheLog) {
  std::vector<zip::TestEntry> hostile = NewRelease();
  hostile.push_back({"/absolute.txt", "outside"});
  OfferPackage(hostile);
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml"), "--notify=0"}));
  EXPECT_EQ("start -launch", RelaunchArguments());
  EXPECT_EQ(std::string::npos, updater_stderr().find(kDownloadBox));
  EXPECT_NE(std::string::npos,
            ReadFileOrEmpty(Installed("debug.log")).find(":ERROR:"));
}

TEST_F(InstallTest, WhatStandsInThePackagesWayChangesNothingAndIsTold) {
  // A directory stands where the package puts a file.
  fs::create_directories(Installed("blocked.txt/inside"));
  before_ = InstalledFiles();
  OfferPackage({{"readme.txt", "new readme\n"},
                {"fresh/new.txt", "new file"},
                {"blocked.txt", "cannot land"},
                {"data/settings.ini", "[new]\n"}});
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml")}));
  EXPECT_EQ("start -launch", RelaunchArguments());
  EXPECT_EQ(before_, InstalledFiles());
  EXPECT_FALSE(fs::exists(Installed("fresh")));
  EXPECT_NE(std::string::npos, updater_stderr().find(kDownloadBox));
  EXPECT_TRUE(TempLeftovers().empty());
  EXPECT_TRUE(InstallationLeftovers().empty());
}

// A directory of the installation on a file system of its own: a file
// there cannot be moved to the backups, half-way through the commit.
TEST_F(InstallTest, ACommitThatFailsPartWayPutsEveryFileBackAndIsTold) {
  fs::create_directories(Installed("mounted"));
  if (mount("updater-test", Installed("mounted").c_str(), "tmpfs", 0,
            "size=1m") != 0)
    GTEST_SKIP() << "cannot mount a file system here";
  WriteFile(Installed("mounted/inside.txt"), "old inside\n");
  before_ = InstalledFiles();
  OfferPackage({{"readme.txt", "new readme\n"},
                {"fresh/new.txt", "new file"},
                {"data/settings.ini", "[new]\n"},
                {"mounted/inside.txt", "new inside\n"},
                {"later.txt", "never placed"}});
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml")}));
  EXPECT_EQ("start -launch", RelaunchArguments());
  EXPECT_EQ(before_, InstalledFiles());
  EXPECT_FALSE(fs::exists(Installed("fresh")));
  EXPECT_NE(std::string::npos, updater_stderr().find(kDownloadBox));
  EXPECT_NE(std::string::npos,
            ReadFileOrEmpty(Installed("debug.log")).find("mounted/inside.txt"));
  EXPECT_TRUE(InstallationLeftovers().empty());
  EXPECT_TRUE(TempLeftovers().empty());
  umount(Installed("mounted").c_str());
}

TEST_F(InstallTest, APackageWithTheUpdaterReplacesTheRunningUpdater) {
  chmod(Installed("updater").c_str(), 0751);
  // Trailing bytes leave an executable runnable and make it another file.
  const std::string new_updater =
      ReadFileOrEmpty(Installed("updater")) + "new updater";
  std::vector<zip::TestEntry> release = NewRelease();
  release.push_back({"updater", new_updater});
  OfferPackage(release);
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml")}));
  EXPECT_EQ("start -launch", RelaunchArguments());
  EXPECT_EQ(new_updater, ReadFileOrEmpty(Installed("updater")));
  EXPECT_EQ(new_updater.size(), fs::file_size(Installed("updater")));
  EXPECT_EQ(fs::perms(0751), fs::status(Installed("updater")).permissions());
  EXPECT_EQ("new readme\n", ReadFileOrEmpty(Installed("readme.txt")));
  EXPECT_TRUE(InstallationLeftovers().empty());
  EXPECT_EQ(std::string::npos,
            ReadFileOrEmpty(Installed("debug.log")).find(":ERROR:"));

  // The new updater runs.
  KillProcessesRunning(Installed("Mirovue.exe"));
  server_.SetResponse("/same.xml", Page(Manifest(DEMO_HOST_VERSION,
                                                 server_.Url("/package.zip"))));
  HostLog host;
  StartHost(&host);
  EXPECT_EQ(0, RunUpdater({UrlSwitch("/same.xml"), host.HwndSwitch()}));
  EXPECT_EQ((std::vector<uint32_t>{1125}), host.MessagesSettled(1));
}

TEST_F(InstallTest, AProgramThatMapsAFileKeepsReadingItsOldContent) {
  const std::string old_library(8192, 'o');
  WriteFile(Installed("lib/shared.so"), old_library);
  int fd = open(Installed("lib/shared.so").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  void* mapped =
      mmap(nullptr, old_library.size(), PROT_READ, MAP_SHARED, fd, 0);
  ASSERT_NE(MAP_FAILED, mapped);
  std::vector<zip::TestEntry> release = NewRelease();
  release.push_back({"lib/shared.so", std::string(100, 'n')});
  OfferPackage(release);

  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml")}));
  // Reading the whole mapping would end this test with SIGBUS had the file
  // been cut short in place.
  EXPECT_EQ(old_library,
            std::string(static_cast<const char*>(mapped), old_library.size()));
  EXPECT_EQ(std::string(100, 'n'), ReadFileOrEmpty(Installed("lib/shared.so")));
  munmap(mapped, old_library.size());
  close(fd);
}

TEST_F(InstallTest, WithoutATemporaryDirectoryNothingIsTransferred) {
  OfferPackage(NewRelease());
  WriteFile(temp_.path() + "/a_file",
            "where the temporary directory should be");
  for (const char* tmpdir : {"/missing", "/a_file"}) {
    SCOPED_TRACE(tmpdir);
    updater_tmpdir_ = temp_.path() + tmpdir;
    HostLog host;
    StartHost(&host);
    EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
    EXPECT_EQ((std::vector<uint32_t>{1124, 1127}), host.MessagesSettled(2));
    EXPECT_NE(std::string::npos, updater_stderr().find(kDownloadBox));
    EXPECT_EQ(before_, InstalledFiles());
    EXPECT_FALSE(fs::exists(Installed("download.bak")));
  }
  EXPECT_EQ(0, server_.RequestCount("/package.zip"));
  EXPECT_EQ(std::vector<std::string>{"a_file"}, TempLeftovers());
}

// |count| Chinese characters, three bytes each in UTF-8.
std::string Chinese(size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i)
    text += "\xe4\xb8\xad";
  return text;
}

// Names past 255 bytes are installed whole, never cut or merged; one that
// the file system cannot hold refuses the package, which changes nothing.
TEST_F(InstallTest, NamesPast255BytesAreInstalledWholeOrRefused) {
  std::string deep;
  for (int i = 0; i < 37; ++i)
    deep += Chinese(2) + "/";
  const std::string longest = Chinese(85);
  OfferPackage({{deep + "a.txt", "a"},
                {deep + "b.txt", "b"},
                {longest + "/", ""},
                {longest + "/" + longest, "c"}});
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml")}));
  EXPECT_EQ("a", ReadFileOrEmpty(Installed(deep + "a.txt")));
  EXPECT_EQ("b", ReadFileOrEmpty(Installed(deep + "b.txt")));
  EXPECT_EQ("c", ReadFileOrEmpty(Installed(longest + "/" + longest)));
  KillProcessesRunning(Installed("Mirovue.exe"));

  before_ = InstalledFiles();
  OfferPackage({{"readme.txt", "new readme\n"}, {Chinese(86), "too long"}});
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml")}));
  EXPECT_EQ(before_, InstalledFiles());
  EXPECT_NE(std::string::npos, ReadFileOrEmpty(Installed("debug.log"))
                                   .find("name too long for the file system"));
}

// A link in the installation is replaced like a file, even one that leads
// nowhere; what it points at is never written.
TEST_F(InstallTest, LinksAtReplacedPathsAreReplacedNotFollowed) {
  const std::string outside = package_dir_.path() + "/outside.txt";
  WriteFile(outside, "outside\n");
  fs::remove(Installed("readme.txt"));
  fs::create_symlink(package_dir_.path() + "/missing.txt",
                     Installed("readme.txt"));
  fs::create_symlink(outside, Installed("data/settings.ini.link"));
  std::vector<zip::TestEntry> release = NewRelease();
  release.push_back({"data/settings.ini.link", "new link target"});
  OfferPackage(release);
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml")}));
  EXPECT_EQ("start -launch", RelaunchArguments());
  EXPECT_FALSE(fs::is_symlink(Installed("readme.txt")));
  EXPECT_EQ("new readme\n", ReadFileOrEmpty(Installed("readme.txt")));
  EXPECT_EQ("new link target",
            ReadFileOrEmpty(Installed("data/settings.ini.link")));
  EXPECT_EQ("outside\n", ReadFileOrEmpty(outside));
  EXPECT_FALSE(fs::exists(package_dir_.path() + "/missing.txt"));
  EXPECT_TRUE(InstallationLeftovers().empty());
}

// The log goes beside the updater and nowhere else: not through a link at
// its name.
TEST_F(InstallTest, TheLogNeverFollowsALinkAtItsName) {
  std::vector<zip::TestEntry> hostile = NewRelease();
  hostile.push_back({"../escaped.txt", "outside"});
  OfferPackage(hostile);
  const std::string outside = package_dir_.path() + "/outside.log";
  WriteFile(outside, "not the log\n");
  fs::create_symlink(outside, Installed("debug.log"));
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml")}));
  EXPECT_EQ("not the log\n", ReadFileOrEmpty(outside));
  EXPECT_TRUE(fs::is_symlink(Installed("debug.log")));
}

// An installation that cannot be written (for a standard user, one under
// Program Files) is found before the package is fetched; and the log,
// which cannot go beside the updater, goes nowhere else, not into the
// working directory.
TEST_F(InstallTest, AnInstallationThatCannotBeWrittenFailsBeforeTheDownload) {
  OfferPackage(NewRelease());
  HostLog host;
  StartHost(&host);
  // Read-only for root as well: a read-only mount of the installation.
  if (mount(install_.path().c_str(), install_.path().c_str(), nullptr, MS_BIND,
            nullptr) != 0 ||
      mount(nullptr, install_.path().c_str(), nullptr,
            MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
    GTEST_SKIP() << "cannot mount a file system here";
  }
  ChildProcess updater;
  const std::string elsewhere = package_dir_.path();
  ASSERT_TRUE(updater.Start(
      Installed("updater"), {UrlSwitch("/update.xml"), host.HwndSwitch()},
      elsewhere, elsewhere + "/updater.stderr", {"TMPDIR=" + updater_tmpdir_}));
  int exit_code = -1;
  EXPECT_TRUE(updater.Wait(std::chrono::seconds(90), &exit_code));
  umount(install_.path().c_str());
  EXPECT_EQ(2, exit_code);
  EXPECT_EQ((std::vector<uint32_t>{1124, 1127}), host.MessagesSettled(2));
  EXPECT_NE(std::string::npos,
            ReadFileOrEmpty(elsewhere + "/updater.stderr").find(kDownloadBox));
  EXPECT_EQ(0, server_.RequestCount("/package.zip"));
  EXPECT_EQ(before_, InstalledFiles());
  EXPECT_FALSE(fs::exists(elsewhere + "/debug.log"));
  EXPECT_FALSE(fs::exists(Installed("debug.log")));
  EXPECT_TRUE(TempLeftovers().empty());
}

// Chinese Windows zip tools store names in code page 936 without the UTF-8
// flag; such a package installs under the names that were meant.
TEST_F(InstallTest, NamesInTheDesktopsCodePageInstallUnderTheirRealNames) {
  OfferPackage(
      {{"\xd6\xd0\xce\xc4/\xcb\xb5\xc3\xf7.txt", "readme in Chinese"}});
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml")}));
  EXPECT_EQ("readme in Chinese",
            ReadFileOrEmpty(Installed(
                "\xe4\xb8\xad\xe6\x96\x87/\xe8\xaf\xb4\xe6\x98\x8e.txt")));
  EXPECT_TRUE(InstallationLeftovers().empty());
}

// An installation whose folder the ANSI code page cannot hold (a Hangul
// name on a Chinese desktop) is updated like any other.
TEST_F(InstallTest, AnInstallationNamedOutsideTheCodePageIsUpdated) {
  const std::string elsewhere = install_.path() + "/\xec\x84\xa4\xec\xb9\x98";
  fs::create_directories(elsewhere);
  fs::copy_file(Installed("updater"), elsewhere + "/updater");
  fs::copy_file(Installed("Mirovue.exe"), elsewhere + "/Mirovue.exe");
  OfferPackage(NewRelease());
  ChildProcess updater;
  ASSERT_TRUE(updater.Start(elsewhere + "/updater", {UrlSwitch("/update.xml")},
                            elsewhere, elsewhere + "/updater.stderr",
                            {"TMPDIR=" + updater_tmpdir_}));
  int exit_code = -1;
  EXPECT_TRUE(updater.Wait(std::chrono::seconds(90), &exit_code));
  EXPECT_EQ(2, exit_code);
  EXPECT_EQ("new readme\n", ReadFileOrEmpty(elsewhere + "/readme.txt"));
  EXPECT_EQ(std::string(100000, 'v'),
            ReadFileOrEmpty(elsewhere + "/plugins/viewer.dll"));
  KillProcessesRunning(elsewhere + "/Mirovue.exe");
}

// A build without keys reads a signed manifest as any other.
TEST_F(InstallTest, SignedManifestInstallsWithoutTrustedKeys) {
  OfferPackage(NewRelease());
  const ManifestFields offer = OfferOf("9.0.0.1", server_.Url("/package.zip"),
                                       package_dir_.path() + "/package.zip");
  server_.SetResponse("/update.xml",
                      Page(Signed(Manifest(offer), SigningKey::Generate())));
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml")}));
  EXPECT_EQ("start -launch", RelaunchArguments());
  EXPECT_EQ("new readme\n", ReadFileOrEmpty(Installed("readme.txt")));
}

// Where a manifest names them, the SHA-256 digest and the size must be the
// package's, whatever its MD5 digest says.
TEST_F(InstallTest, WrongSha256OrSizeIsRefusedWithoutTrustedKeys) {
  OfferPackage(NewRelease());
  const ManifestFields offer = OfferOf("9.0.0.1", server_.Url("/package.zip"),
                                       package_dir_.path() + "/package.zip");
  const uint64_t size = std::stoull(offer.size);
  ManifestFields other_digest = offer;
  other_digest.sha256[0] = other_digest.sha256[0] == '0' ? '1' : '0';
  ManifestFields larger = offer;
  larger.size = std::to_string(size + 1);
  ManifestFields smaller = offer;
  smaller.size = std::to_string(size - 1);
  const struct {
    const char* what;
    ManifestFields fields;
    const char* box;
  } kCases[] = {
      {"another sha256", other_digest, kDigestBox},
      {"a byte more than sent", larger, kDigestBox},
      {"a byte less than sent", smaller, kDownloadBox},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    server_.SetResponse("/update.xml", Page(Manifest(c.fields)));
    HostLog host;
    StartHost(&host);
    EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()}));
    EXPECT_EQ((std::vector<uint32_t>{1124, 1127}), host.MessagesSettled(2));
    EXPECT_NE(std::string::npos, updater_stderr().find(c.box));
    EXPECT_EQ(before_, InstalledFiles());
  }
}

}  // namespace
}  // namespace test
