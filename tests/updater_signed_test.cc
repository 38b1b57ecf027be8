// Runs the updater built to trust the two test keys, the way a host would,
// against manifests signed with those keys by OpenSSL (not by the updater's
// own library): what the keys signed installs, and nothing else does.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/file_path.h"
#include "base/utf_string_conversions.h"
#include "tests/manifest_signing.h"
#include "tests/updater_fixture.h"
#include "zip/testing/archive_builder.h"

namespace test {
namespace {

namespace fs = std::filesystem;

constexpr char kDigestBox[] = "更新提示: 文件MD5校验失败，更新操作被终止!";
constexpr char kFailureBox[] = "更新提示: 更新时发生未知错误";

// The demonstration host stamped with |file_version|, as a release builds it.
std::string HostOfVersion(const std::string& dir,
                          const std::string& file_version) {
  const std::string path = dir + "/Mirovue.exe";
  fs::copy_file(DEMO_HOST_BINARY, path, fs::copy_options::overwrite_existing);
  ChildProcess tool;
  int exit_code = -1;
  EXPECT_TRUE(tool.Start(VERSION_RESOURCE_TOOL,
                         {"--file-version=" + file_version, "--elf=" + path}) &&
              tool.Wait(std::chrono::seconds(30), &exit_code));
  EXPECT_EQ(0, exit_code);
  return ReadFileOrEmpty(path);
}

class SignedUpdateTest : public UpdaterFixture {
 protected:
  const char* UpdaterBinary() const override { return KEYED_UPDATER_BINARY; }

  void SetUp() override {
    UpdaterFixture::SetUp();
    ASSERT_TRUE(keys_[0].valid() && keys_[1].valid());
    std::ofstream(Installed("readme.txt")) << "old readme\n";
  }

  // Serves |entries| as the package; its offer as |version|, every field a
  // signed manifest needs filled in.
  ManifestFields ServePackage(const std::vector<zip::TestEntry>& entries,
                              const std::string& version = "9.0.0.1") {
    const std::string archive = package_dir_.path() + "/package.zip";
    EXPECT_TRUE(zip::WriteTestArchive(
        base::FilePath(base::UTF8ToUTF16(archive)), entries));
    server_.SetResponse("/package.zip",
                        Page(ReadFileOrEmpty(archive), 200, "application/zip"));
    return OfferOf(version, server_.Url("/package.zip"), archive);
  }

  struct Outcome {
    int exit_code = -1;
    std::vector<uint32_t> messages;
    std::string log;  // what the run added to debug.log
  };

  // Serves |manifest| and runs the updater on it next to a host that exits
  // a moment later; ends whatever host it started again.
  Outcome Run(const std::string& manifest, size_t expected_messages) {
    server_.SetResponse("/update.xml", Page(manifest));
    const size_t log_before = ReadFileOrEmpty(Installed("debug.log")).size();
    HostLog host;
    StartHost(&host, {"--exit-after-ms=1000"});
    Outcome outcome;
    outcome.exit_code =
        RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()});
    outcome.messages = host.MessagesSettled(expected_messages);
    outcome.log = ReadFileOrEmpty(Installed("debug.log")).substr(log_before);
    KillProcessesRunning(Installed("Mirovue.exe"));
    return outcome;
  }

  const SigningKey keys_[2] = {SigningKey::FromPemFile(TEST_KEY_0),
                               SigningKey::FromPemFile(TEST_KEY_1)};
  ScopedTempDir package_dir_;
};

TEST_F(SignedUpdateTest,
       EitherTrustedKeyInstallsAndAReplayedOlderManifestIsUpToDate) {
  ManifestFields first =
      ServePackage({{"readme.txt", "2.0 readme\n"}}, "2.0.0.0");
  first.expires = "2999-01-01T00:00:00Z";
  // White space of every kind may follow the signature.
  const std::string first_manifest =
      Signed(Manifest(first), keys_[0], " \t\r\n \n");
  Outcome outcome = Run(first_manifest, 2);
  EXPECT_EQ(2, outcome.exit_code);
  EXPECT_EQ((std::vector<uint32_t>{1124, 1126}), outcome.messages);
  EXPECT_EQ("2.0 readme\n", ReadFileOrEmpty(Installed("readme.txt")));

  // The release's host carries the offered version.
  const std::string host = HostOfVersion(package_dir_.path(), "9, 0, 0, 1");
  ManifestFields second =
      ServePackage({{"Mirovue.exe", host}, {"readme.txt", "9.0.0.1 readme\n"}});
  outcome = Run(Signed(Manifest(second), keys_[1], ""), 2);
  EXPECT_EQ(2, outcome.exit_code);
  EXPECT_EQ((std::vector<uint32_t>{1124, 1126}), outcome.messages);
  EXPECT_EQ("9.0.0.1 readme\n", ReadFileOrEmpty(Installed("readme.txt")));
  EXPECT_EQ(host, ReadFileOrEmpty(Installed("Mirovue.exe")));

  // The older manifest, replayed with its valid signature, offers nothing.
  const int requests = server_.RequestCount("/package.zip");
  outcome = Run(first_manifest, 1);
  EXPECT_EQ(0, outcome.exit_code);
  EXPECT_EQ((std::vector<uint32_t>{1125}), outcome.messages);
  EXPECT_EQ(requests, server_.RequestCount("/package.zip"));
  EXPECT_EQ("9.0.0.1 readme\n", ReadFileOrEmpty(Installed("readme.txt")));
}

TEST_F(SignedUpdateTest,
       ManifestsNotSignedAsTheyStandAreRejectedWithTheReason) {
  const ManifestFields offer = ServePackage({{"readme.txt", "new readme\n"}});
  const std::string manifest = Manifest(offer);
  ManifestFields expired = offer;
  expired.expires = "2020-01-01T00:00:00Z";
  ManifestFields no_product = offer;
  no_product.product.clear();
  ManifestFields other_product = offer;
  other_product.product = "Mirovue Viewer";
  ManifestFields no_sha256 = offer;
  no_sha256.sha256.clear();
  ManifestFields no_size = offer;
  no_size.size.clear();
  std::string altered = Signed(manifest, keys_[0]);
  altered[altered.find("9.0.0.1")] = '8';
  const std::string signature = keys_[0].SignatureBase64(manifest);

  const struct {
    const char* what;
    std::string manifest;
    const char* reason;
  } kCases[] = {
      {"unsigned", manifest, "manifest is not signed"},
      {"md5 only, as served today",
       Manifest("9.0.0.1", offer.file_url, offer.md5),
       "manifest is not signed"},
      {"untrusted key", Signed(manifest, SigningKey::Generate()),
       "manifest signature does not verify"},
      {"a byte changed after signing", altered,
       "manifest signature does not verify"},
      {"markup after the signature",
       Signed(manifest, keys_[0], "\n<update/>\n"), "manifest is not signed"},
      {"malformed signature",
       manifest + "<!-- ed25519:" + signature.substr(4) + " -->",
       "manifest signature is malformed"},
      {"expired", Signed(Manifest(expired), keys_[0]), "manifest expired"},
      {"no product", Signed(Manifest(no_product), keys_[1]),
       "manifest is not for Mirovue"},
      {"another product", Signed(Manifest(other_product), keys_[1]),
       "manifest is not for Mirovue"},
      {"no sha256", Signed(Manifest(no_sha256), keys_[0]),
       "manifest has no sha256"},
      {"no size", Signed(Manifest(no_size), keys_[0]), "manifest has no size"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Outcome outcome = Run(c.manifest, 1);
    EXPECT_EQ(0, outcome.exit_code);
    EXPECT_EQ((std::vector<uint32_t>{1127}), outcome.messages);
    EXPECT_NE(std::string::npos, outcome.log.find(c.reason)) << outcome.log;
  }
  EXPECT_EQ(0, server_.RequestCount("/package.zip"));
  EXPECT_EQ("old readme\n", ReadFileOrEmpty(Installed("readme.txt")));
}

TEST_F(SignedUpdateTest, AServedPackageThatIsNotTheSignedOneInstallsNothing) {
  const ManifestFields offer =
      ServePackage({{"readme.txt", "signed readme\n"}});
  ServePackage({{"readme.txt", "other readme\n"}});
  Outcome outcome = Run(Signed(Manifest(offer), keys_[0]), 2);
  EXPECT_EQ(2, outcome.exit_code);
  EXPECT_EQ((std::vector<uint32_t>{1124, 1127}), outcome.messages);
  EXPECT_NE(std::string::npos, updater_stderr().find(kDigestBox));
  EXPECT_EQ("old readme\n", ReadFileOrEmpty(Installed("readme.txt")));
  EXPECT_TRUE(TempLeftovers().empty());
}

// The server sends more than the signed size and then stalls: a transfer
// that waited for the stall would take a minute.
TEST_F(SignedUpdateTest, AServerStreamingPastTheSizeIsCutOffAtOnce) {
  const ManifestFields offer = ServePackage({{"readme.txt", "new readme\n"}});
  HttpResponse endless =
      Page(ReadFileOrEmpty(package_dir_.path() + "/package.zip") +
               std::string(4 << 20, 'x'),
           200, "application/zip");
  endless.send_length = false;
  endless.cut_after = 2 << 20;
  server_.SetResponse("/package.zip", endless);
  server_.SetResponse("/update.xml", Page(Signed(Manifest(offer), keys_[1])));
  HostLog host;
  StartHost(&host);
  EXPECT_EQ(2, RunUpdater({UrlSwitch("/update.xml"), host.HwndSwitch()},
                          std::chrono::seconds(30)));
  EXPECT_EQ((std::vector<uint32_t>{1124, 1127}), host.MessagesSettled(2));
  EXPECT_NE(std::string::npos, updater_stderr().find(kFailureBox));
  EXPECT_EQ("old readme\n", ReadFileOrEmpty(Installed("readme.txt")));
  // A failed transfer keeps what it has for the next run; the digests
  // decide then.
  EXPECT_EQ(1u, PartialDownloads().size());
  EXPECT_EQ(TempLeftovers(), PartialDownloads());
}

// An older release relabelled as a newer version, even signed, is refused
// before anything is installed.
TEST_F(SignedUpdateTest, APackageWhoseHostIsOlderThanOfferedIsRefused) {
  const std::string installed_host = ReadFileOrEmpty(Installed("Mirovue.exe"));
  const ManifestFields offer = ServePackage(
      {{"Mirovue.exe", HostOfVersion(package_dir_.path(), "1, 0, 2, 4")},
       {"readme.txt", "relabelled readme\n"}});
  Outcome outcome = Run(Signed(Manifest(offer), keys_[0]), 2);
  EXPECT_EQ(2, outcome.exit_code);
  ASSERT_GE(outcome.messages.size(), 2u);
  EXPECT_EQ((std::vector<uint32_t>{1124, 1126}),
            std::vector<uint32_t>(outcome.messages.begin(),
                                  outcome.messages.begin() + 2));
  EXPECT_NE(std::string::npos, updater_stderr().find(kFailureBox));
  EXPECT_NE(std::string::npos, outcome.log.find("not the offered 9.0.0.1"))
      << outcome.log;
  EXPECT_EQ("old readme\n", ReadFileOrEmpty(Installed("readme.txt")));
  EXPECT_EQ(installed_host, ReadFileOrEmpty(Installed("Mirovue.exe")));
  EXPECT_TRUE(InstallationLeftovers().empty());
}

}  // namespace
}  // namespace test
