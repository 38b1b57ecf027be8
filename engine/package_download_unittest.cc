// The package download against a loopback server that breaks, resumes and
// refuses on purpose, with real files.
#include "engine/package_download.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/file_path.h"
#include "base/utc_time.h"
#include "tests/child_process.h"
#include "tests/http_test_server.h"
#include "tests/test_files.h"

namespace {

using std::chrono::seconds;

constexpr char kEtag[] = "\"v1\"";

// Keeps the progress positions; the rest of the delegate is not used here.
class ProgressRecorder : public InstallationDelegate {
 public:
  void OnInstallationEvent(InstallationEvent) override {}
  void SetProgressPosition(uint32_t position) override {
    std::lock_guard<std::mutex> hold(mutex_);
    positions_.push_back(position);
  }
  void RequestClose() override {}

  std::vector<uint32_t> positions() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return positions_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<uint32_t> positions_;  // guarded by mutex_
};

std::string Pattern(size_t size) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i)
    data[i] = static_cast<char>(i * 131 + i / 977);
  return data;
}

class PackageDownloadTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { curl_global_init(CURL_GLOBAL_ALL); }

  void SetUp() override { ASSERT_TRUE(server_.Start()); }

  base::FilePath PackagePath() const {
    return base::FilePath::FromSystemPath(dir_.path() + "/download.bak");
  }

  // The package as a server that can resume it serves it, cut off (the
  // connection closed) after |cut| bytes unless that is npos.
  test::HttpResponse Served(size_t cut = std::string::npos) const {
    test::HttpResponse response;
    response.body = package_;
    response.etag = kEtag;
    response.honour_range = true;
    response.cut_after = cut;
    response.drop_at_cut = true;
    return response;
  }

  // Downloads /p.zip into the package file, which may hold what an earlier
  // download left as |resume| describes.
  PackageDownload::Result Download(const ResumeState& resume = ResumeState()) {
    PackageFile file(PackagePath(), package_.size());
    EXPECT_TRUE(file.TakeUpExisting());
    PackageDownload download(
        server_.Url("/p.zip"), &file, resume, &progress_,
        [this](const ResumeState& state) { told_.push_back(state); });
    const PackageDownload::Result result = download.Run();
    EXPECT_TRUE(file.Close());
    digests_ = file.Finish();
    return result;
  }

  const std::string package_ = Pattern(600000);
  test::HttpTestServer server_;
  test::ScopedTempDir dir_;
  ProgressRecorder progress_;
  std::vector<ResumeState> told_;
  PackageDigests digests_;
};

TEST(RetryDelayTest, DoublesFromOneSecondWithJitterOrFollowsTheServer) {
  for (int retry = 0; retry < PackageDownload::kMaxRetries; ++retry) {
    SCOPED_TRACE(retry);
    EXPECT_EQ(1000 << retry, RetryDelayMs(retry, "", 0, 0));
    EXPECT_EQ((1000 << retry) * 5 / 4, RetryDelayMs(retry, "", 0, 1));
  }
  const int64_t now = 784111777;  // Sun, 06 Nov 1994 08:49:37 GMT
  const struct {
    const char* retry_after;
    int64_t delay_ms;
  } kCases[] = {
      {"0", 0},
      {"3", 3000},
      {"120", 120000},
      {"121", 120000},
      {"99999999999999999999", 2000},  // not a number that can be: ignored
      {"Sun, 06 Nov 1994 08:49:47 GMT", 10000},
      {"Sun, 06 Nov 1994 08:49:27 GMT", 0},
      {"Mon, 07 Nov 1994 08:49:37 GMT", 120000},
      {"soon", 2000},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.retry_after);
    EXPECT_EQ(c.delay_ms, RetryDelayMs(1, c.retry_after, now, 0));
  }
}

// A break resumes from the bytes in the file; the progress bar goes on
// from where it was.
TEST_F(PackageDownloadTest, ABreakIsResumedAndProgressNeverGoesBack) {
  server_.SetResponses("/p.zip", {Served(package_.size() / 2), Served()});
  EXPECT_EQ(PackageDownload::Result::kCompleted, Download());
  EXPECT_EQ(package_, test::ReadFileOrEmpty(PackagePath().AsSystemPath()));
  EXPECT_EQ(test::Md5sum(PackagePath().AsSystemPath()), digests_.md5);
  EXPECT_EQ(test::Sha256sum(PackagePath().AsSystemPath()), digests_.sha256);
  EXPECT_EQ("bytes=300000-", server_.Requests("/p.zip")[1].Header("range"));
  const std::vector<uint32_t> positions = progress_.positions();
  ASSERT_FALSE(positions.empty());
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
  EXPECT_EQ(100u, positions.back());
  ASSERT_EQ(1u, told_.size());
  EXPECT_EQ(kEtag, told_[0].validator);
  EXPECT_EQ(package_.size(), told_[0].length);
}

// When the whole package comes again, the bar starts again from 0: here
// the second answer starts over and breaks at a tenth.
TEST_F(PackageDownloadTest, AStartOverIsTheOnlyStepBack) {
  test::HttpResponse half = Served(package_.size() / 2);
  test::HttpResponse tenth = Served(package_.size() / 10);
  test::HttpResponse whole = Served();
  half.honour_range = tenth.honour_range = whole.honour_range = false;
  server_.SetResponses("/p.zip", {half, tenth, whole});
  EXPECT_EQ(PackageDownload::Result::kCompleted, Download());
  EXPECT_EQ(package_, test::ReadFileOrEmpty(PackagePath().AsSystemPath()));
  EXPECT_EQ(test::Md5sum(PackagePath().AsSystemPath()), digests_.md5);
  std::vector<uint32_t> positions = progress_.positions();
  const auto back = std::is_sorted_until(positions.begin(), positions.end());
  ASSERT_NE(positions.end(), back);
  EXPECT_LE(*back, 10u);
  EXPECT_TRUE(std::is_sorted(back, positions.end()));
  EXPECT_EQ(100u, positions.back());
}

// What an earlier run left is hashed again, so that the digests cover the
// whole file; a file that is already whole needs no more than a 416.
TEST_F(PackageDownloadTest, WhatAnEarlierRunLeftIsTakenUp) {
  server_.SetResponse("/p.zip", Served());
  for (size_t left : {size_t{250000}, package_.size()}) {
    SCOPED_TRACE(left);
    const int requests = server_.RequestCount("/p.zip");
    const uint64_t sent = server_.BodyBytesSent("/p.zip");
    FILE* file = fopen(PackagePath().AsSystemPath().c_str(), "wb");
    ASSERT_NE(nullptr, file);
    fwrite(package_.data(), 1, left, file);
    fclose(file);
    EXPECT_EQ(PackageDownload::Result::kCompleted,
              Download({kEtag, package_.size()}));
    EXPECT_EQ(package_, test::ReadFileOrEmpty(PackagePath().AsSystemPath()));
    EXPECT_EQ(test::Md5sum(PackagePath().AsSystemPath()), digests_.md5);
    EXPECT_EQ(test::Sha256sum(PackagePath().AsSystemPath()), digests_.sha256);
    EXPECT_EQ(requests + 1, server_.RequestCount("/p.zip"));
    EXPECT_EQ(package_.size() - left, server_.BodyBytesSent("/p.zip") - sent);
  }
}

// Without a validator nothing proves that the bytes in the file belong to
// the package the server sends now.
TEST_F(PackageDownloadTest, WithoutAValidatorARetryStartsOver) {
  test::HttpResponse cut = Served(package_.size() / 2);
  test::HttpResponse whole = Served();
  cut.etag = whole.etag = "";
  server_.SetResponses("/p.zip", {cut, whole});
  EXPECT_EQ(PackageDownload::Result::kCompleted, Download());
  EXPECT_EQ(package_, test::ReadFileOrEmpty(PackagePath().AsSystemPath()));
  EXPECT_EQ("", server_.Requests("/p.zip")[1].Header("range"));
}

// An error answer is never written into the package, and a 4xx is final.
TEST_F(PackageDownloadTest, ErrorAnswersNeverReachTheFile) {
  test::HttpResponse gone;
  gone.status = 404;
  gone.body = "<html>404</html>";
  server_.SetResponse("/p.zip", gone);
  EXPECT_EQ(PackageDownload::Result::kFailed, Download());
  EXPECT_EQ(1, server_.RequestCount("/p.zip"));
  EXPECT_EQ("", digests_.md5);

  test::HttpResponse busy = gone;
  busy.status = 503;
  busy.retry_after = "0";
  server_.SetResponse("/p.zip", busy);
  EXPECT_EQ(PackageDownload::Result::kFailed, Download());
  EXPECT_EQ(1 + 1 + PackageDownload::kMaxRetries,
            server_.RequestCount("/p.zip"));
  EXPECT_EQ("", digests_.md5);
}

// A close request ends the download while it waits to retry, long before
// the wait would be over.
TEST_F(PackageDownloadTest, ACloseRequestEndsTheWaitToRetry) {
  test::HttpResponse busy;
  busy.status = 503;
  busy.retry_after = "100";
  server_.SetResponse("/p.zip", busy);
  auto download = std::async(std::launch::async, [this] { return Download(); });
  const auto deadline = std::chrono::steady_clock::now() + seconds(30);
  while (server_.RequestCount("/p.zip") == 0 &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  g_bCancelDownload = true;
  ASSERT_EQ(std::future_status::ready, download.wait_for(seconds(30)));
  EXPECT_EQ(PackageDownload::Result::kFailed, download.get());
  EXPECT_EQ(1, server_.RequestCount("/p.zip"));
}

}  // namespace
