// The manifest_tool command, run as the vendor runs it: its keys and
// signatures are checked with OpenSSL, its digests with the system's tools,
// and its verdicts against manifests changed after signing.
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/utc_time.h"
#include "tests/child_process.h"
#include "tests/manifest_signing.h"
#include "tests/test_files.h"

namespace {

namespace fs = std::filesystem;

class ManifestToolTest : public testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(Path("package.zip"), std::ios::binary)
        << std::string(100000, 'p') << "end";
  }

  std::string Path(const std::string& name) const {
    return dir_.path() + "/" + name;
  }

  // Runs the tool to its end; its exit code, with what it printed in out_.
  int Run(const std::vector<std::string>& arguments) {
    test::ChildProcess tool;
    int exit_code = -1;
    if (!tool.Start(MANIFEST_TOOL, arguments, std::string(), Path("stderr"), {},
                    Path("stdout")) ||
        !tool.Wait(std::chrono::seconds(30), &exit_code)) {
      return -1;
    }
    out_ = test::ReadFileOrEmpty(Path("stdout")) +
           test::ReadFileOrEmpty(Path("stderr"));
    return exit_code;
  }

  // Makes a key pair in |name|; returns the public key it printed.
  std::string MakeKey(const std::string& name) {
    EXPECT_EQ(0, Run({"keygen", "--secret-key=" + Path(name)}));
    return out_.substr(0, out_.find('\n'));
  }

  // Signs the package into "update.xml" with the key in |key|.
  int Sign(const std::string& key, const std::vector<std::string>& extra = {}) {
    std::vector<std::string> arguments = {
        "sign",
        "--package=" + Path("package.zip"),
        "--version=1, 0, 3, 0",
        "--url=http://example.invalid/get?file=p.zip&v=3",
        "--secret-key=" + Path(key),
        "--output=" + Path("update.xml")};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return Run(arguments);
  }

  std::string Manifest() const {
    return test::ReadFileOrEmpty(Path("update.xml"));
  }

  // The value of the child |name| in the written manifest.
  std::string Child(const std::string& name) const {
    const std::string manifest = Manifest();
    const size_t start = manifest.find("<" + name + ">");
    if (start == std::string::npos)
      return std::string();
    const size_t value = start + name.size() + 2;
    return manifest.substr(value, manifest.find("</" + name + ">") - value);
  }

  test::ScopedTempDir dir_;
  std::string out_;
};

TEST_F(ManifestToolTest, KeyPairIsItsOwnersAloneAndNeverWrittenOverAnother) {
  const std::string public_key = MakeKey("secret.key");
  EXPECT_EQ(44u, public_key.size());
  struct stat info;
  ASSERT_EQ(0, stat(Path("secret.key").c_str(), &info));
  EXPECT_EQ(0600u, info.st_mode & 0777);
  const std::string secret = test::ReadFileOrEmpty(Path("secret.key"));

  EXPECT_NE(0, Run({"keygen", "--secret-key=" + Path("secret.key")}));
  EXPECT_NE(std::string::npos, out_.find("must not exist")) << out_;
  EXPECT_EQ(secret, test::ReadFileOrEmpty(Path("secret.key")));
  EXPECT_NE(public_key, MakeKey("other.key"));
}

TEST_F(ManifestToolTest,
       SignedManifestDescribesThePackageAndVerifiesWithOpenSsl) {
  const std::string public_key = MakeKey("secret.key");
  ASSERT_EQ(0, Sign("secret.key")) << out_;
  EXPECT_EQ("Mirovue", Child("product"));
  EXPECT_EQ("1.0.3.0", Child("version"));
  EXPECT_EQ("http://example.invalid/get?file=p.zip&amp;v=3", Child("file_url"));
  EXPECT_EQ(test::Md5sum(Path("package.zip")), Child("md5"));
  EXPECT_EQ(test::Sha256sum(Path("package.zip")), Child("sha256"));
  EXPECT_EQ("100003", Child("size"));
  int64_t expires = 0;
  ASSERT_TRUE(base::ParseUtcTime(Child("expires"), &expires))
      << Child("expires");
  EXPECT_NEAR(static_cast<double>(base::UtcNowSeconds() + 90 * 86400),
              static_cast<double>(expires), 60);

  const std::string manifest = Manifest();
  const size_t comment = manifest.rfind("<!-- ed25519:");
  ASSERT_NE(std::string::npos, comment);
  const size_t signature_start = comment + 13;
  const std::string signature =
      manifest.substr(signature_start,
                      manifest.find(" -->", signature_start) - signature_start);
  EXPECT_TRUE(test::SignatureVerifies(public_key, manifest.substr(0, comment),
                                      signature));
  EXPECT_EQ(" -->\n", manifest.substr(manifest.size() - 5));

  ASSERT_EQ(0, Run({"verify", "--manifest=" + Path("update.xml"),
                    "--public-key=" + public_key}));
  EXPECT_NE(std::string::npos, out_.find("accepted: version 1.0.3.0")) << out_;
}

TEST_F(ManifestToolTest, ExpiryFollowsTheOptions) {
  MakeKey("secret.key");
  ASSERT_EQ(0, Sign("secret.key", {"--no-expiry"})) << out_;
  EXPECT_EQ(std::string::npos, Manifest().find("<expires>"));
  ASSERT_EQ(0, Sign("secret.key", {"--expires-in-days=7"})) << out_;
  int64_t expires = 0;
  ASSERT_TRUE(base::ParseUtcTime(Child("expires"), &expires));
  EXPECT_NEAR(static_cast<double>(base::UtcNowSeconds() + 7 * 86400),
              static_cast<double>(expires), 60);
  EXPECT_EQ(2, Sign("secret.key", {"--expires=7"}));
  EXPECT_NE(0, Sign("secret.key", {"--expires-in-days=soon"}));
  EXPECT_NE(0, Sign("secret.key", {"--no-expiry", "--expires-in-days=7"}));
}

TEST_F(ManifestToolTest, VerifySaysWhyAManifestFails) {
  const std::string public_key = MakeKey("secret.key");
  const std::string other_key = MakeKey("other.key");
  ASSERT_EQ(0, Sign("secret.key", {"--expires-in-days=0"}));
  const std::string expired = Manifest();
  ASSERT_EQ(0, Sign("secret.key"));
  std::string altered = Manifest();
  ASSERT_NE(std::string::npos, altered.find("1.0.3.0"));
  altered[altered.find("1.0.3.0")] = '2';
  const struct {
    const char* what;
    std::string manifest;
    std::string key;
    const char* verdict;
  } kCases[] = {
      {"another key", Manifest(), other_key,
       "refused: manifest signature does not verify"},
      {"changed after signing", altered, public_key,
       "refused: manifest signature does not verify"},
      {"expired", expired, public_key, "refused: manifest expired"},
      {"unsigned", Manifest().substr(0, Manifest().rfind("<!--")), public_key,
       "refused: manifest is not signed"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    std::ofstream(Path("checked.xml"), std::ios::binary) << c.manifest;
    EXPECT_EQ(1, Run({"verify", "--manifest=" + Path("checked.xml"),
                      "--public-key=" + c.key}));
    EXPECT_NE(std::string::npos, out_.find(c.verdict)) << out_;
  }
  EXPECT_NE(0, Run({"verify", "--manifest=" + Path("checked.xml"),
                    "--public-key=xyz"}));
}

}  // namespace
