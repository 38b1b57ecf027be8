// Partial downloads in a real temporary directory: which run takes up
// which, and what goes when.
#include "engine/partial_package.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/utc_time.h"
#include "base/utf_string_conversions.h"
#include "tests/test_files.h"

namespace {

namespace fs = std::filesystem;

constexpr char kUrl[] = "http://updates.example/package.zip";
constexpr char kMd5[] = "0123456789abcdef0123456789abcdef";

class PartialPackageTest : public testing::Test {
 protected:
  base::FilePath Path(const std::string& utf8) const {
    return base::FilePath(base::UTF8ToUTF16(utf8));
  }
  base::FilePath TempDir() const { return Path(temp_.path()); }
  base::FilePath Installation(const char* name) const {
    return Path(temp_.path() + "/installation " + name);
  }

  // Takes up the partial download of the package at |url| with |md5| for
  // installation |name| into |partial|, and writes |bytes| into it.
  void TakeUp(PartialPackage* partial,
              const char* name,
              const std::string& url,
              const std::string& md5,
              const std::string& bytes = std::string()) {
    ASSERT_TRUE(partial->TakeUp(TempDir(), Installation(name), url, md5));
    if (!bytes.empty()) {
      test::WriteFile(partial->package_path().AsSystemPath(), bytes);
      partial->Remember({"\"etag\"", 1000});
    }
  }

  std::vector<std::string> PartialDirs() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(temp_.path()))
      names.push_back(entry.path().filename().string());
    return names;
  }

  test::ScopedTempDir temp_;
};

TEST_F(PartialPackageTest, TheNextRunOfferedTheSamePackageTakesUpWhatWasLeft) {
  base::FilePath left;
  {
    PartialPackage partial;
    TakeUp(&partial, "a", kUrl, kMd5, "first half");
    left = partial.package_path();
  }
  PartialPackage partial;
  TakeUp(&partial, "a", kUrl, kMd5);
  EXPECT_EQ(left, partial.package_path());
  EXPECT_EQ("\"etag\"", partial.resume().validator);
  EXPECT_EQ(1000u, partial.resume().length);
  EXPECT_EQ("first half",
            test::ReadFileOrEmpty(partial.package_path().AsSystemPath()));

  partial.Remove();
  EXPECT_TRUE(PartialDirs().empty());
}

// Another package for the same installation replaces the one left; the
// partial downloads of other installations stay as they are.
TEST_F(PartialPackageTest,
       AnotherPackageReplacesTheOneLeftForItsInstallationOnly) {
  {
    PartialPackage for_a;
    PartialPackage for_b;
    TakeUp(&for_a, "a", kUrl, kMd5, "package of a");
    TakeUp(&for_b, "b", kUrl, kMd5, "package of b");
  }
  ASSERT_EQ(2u, PartialDirs().size());
  {
    PartialPackage partial;
    TakeUp(&partial, "a", kUrl, "ffffffffffffffffffffffffffffffff");
    EXPECT_TRUE(partial.resume().validator.empty());
    EXPECT_FALSE(fs::exists(partial.package_path().AsSystemPath()));
    EXPECT_EQ(2u, PartialDirs().size());
  }
  PartialPackage for_b;
  TakeUp(&for_b, "b", kUrl, kMd5);
  EXPECT_EQ("package of b",
            test::ReadFileOrEmpty(for_b.package_path().AsSystemPath()));
}

// Two runs of one installation never share a partial download, and what a
// run holds is not removed under it.
TEST_F(PartialPackageTest, APartialDownloadInUseIsNeitherTakenNorRemoved) {
  PartialPackage holder;
  TakeUp(&holder, "a", kUrl, kMd5, "in use");
  {
    PartialPackage other;
    TakeUp(&other, "a", kUrl, kMd5);
    EXPECT_NE(holder.package_path(), other.package_path());
  }
  DiscardPartialPackagesNotOffered(TempDir(), Installation("a"), nullptr);
  EXPECT_EQ(0, RemoveOldPartialPackages(
                   TempDir(), base::UtcNowSeconds() + 30 * 24 * 3600));
  EXPECT_EQ("in use",
            test::ReadFileOrEmpty(holder.package_path().AsSystemPath()));
}

TEST_F(PartialPackageTest, OnlyTheOfferedPackageIsKeptAfterTheCheck) {
  {
    PartialPackage partial;
    TakeUp(&partial, "a", kUrl, kMd5, "offered");
  }
  UpdateInfo offer;
  offer.file_url = kUrl;
  offer.md5 = kMd5;
  DiscardPartialPackagesNotOffered(TempDir(), Installation("a"), &offer);
  DiscardPartialPackagesNotOffered(TempDir(), Installation("b"), nullptr);
  EXPECT_EQ(1u, PartialDirs().size());
  offer.file_url = std::string(kUrl) + "?v=2";
  DiscardPartialPackagesNotOffered(TempDir(), Installation("a"), &offer);
  EXPECT_TRUE(PartialDirs().empty());
}

TEST_F(PartialPackageTest, APartialDownloadUntouchedForAWeekIsRemoved) {
  {
    PartialPackage partial;
    TakeUp(&partial, "a", kUrl, kMd5, "old");
  }
  const int64_t now = base::UtcNowSeconds();
  EXPECT_EQ(0, RemoveOldPartialPackages(
                   TempDir(), now + kPartialPackageLifetimeSeconds - 60));
  EXPECT_EQ(1u, PartialDirs().size());
  EXPECT_EQ(1, RemoveOldPartialPackages(
                   TempDir(), now + kPartialPackageLifetimeSeconds + 60));
  EXPECT_TRUE(PartialDirs().empty());
}

}  // namespace
