#include "app/http_transfer.h"

#include <curl/curl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/child_process.h"
#include "tests/test_files.h"
#include "tests/http_test_server.h"

namespace {

class HttpTransferTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { curl_global_init(CURL_GLOBAL_ALL); }

  void SetUp() override { ASSERT_TRUE(server_.Start()); }

  std::string PackagePath() const { return dir_.path() + "/download.bak"; }

  PackageTransferResult Transfer(const std::string& path,
                                 DownloadProgressFunction progress = nullptr,
                                 void* progress_data = nullptr,
                                 uint64_t max_bytes = kNoPackageLimit) {
    PackageSink sink(base::FilePath::FromSystemPath(PackagePath()), max_bytes);
    PackageTransferResult result = TransferPackage(
        server_.Url(path), &sink, progress ? progress : IgnoreProgress, progress_data);
    digests_ = FinishPackageDigests(&sink);
    return result;
  }

  static int IgnoreProgress(void*, int64_t, int64_t, int64_t, int64_t) { return 0; }

  bool PackageExists() const {
    struct stat info;
    return stat(PackagePath().c_str(), &info) == 0;
  }

  test::HttpTestServer server_;
  test::ScopedTempDir dir_;
  // What the last transfer's sink reported.
  PackageDigests digests_;
};

test::HttpResponse Body(const std::string& body, int status = 200) {
  test::HttpResponse response;
  response.status = status;
  response.body = body;
  return response;
}

test::HttpResponse RedirectTo(const std::string& url) {
  test::HttpResponse response = Body("<html>moved</html>", 302);
  response.location = url;
  return response;
}

std::string Pattern(size_t size) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i)
    data[i] = static_cast<char>(i * 131 + i / 977);
  return data;
}

TEST_F(HttpTransferTest, FetchReturnsBodyWhateverTheStatus) {
  server_.SetResponse("/ok.xml", Body("<update/>"));
  server_.SetResponse("/missing.xml", Body("<html>404</html>", 404));
  std::string body = "stale";
  EXPECT_TRUE(FetchToString(server_.Url("/ok.xml"), &body));
  EXPECT_EQ("<update/>", body);
  EXPECT_TRUE(FetchToString(server_.Url("/missing.xml"), &body));
  EXPECT_EQ("<html>404</html>", body);
}

TEST_F(HttpTransferTest, FetchFollowsRedirects) {
  server_.SetResponse("/real.xml", Body("<update/>"));
  server_.SetResponse("/old.xml", RedirectTo(server_.Url("/real.xml")));
  std::string body;
  EXPECT_TRUE(FetchToString(server_.Url("/old.xml"), &body));
  EXPECT_EQ("<update/>", body);
}

TEST_F(HttpTransferTest, FetchFollowsTenRedirectsAndNoMore) {
  server_.SetResponse("/real.xml", Body("<update/>"));
  // /r<n>.xml redirects n times before it reaches /real.xml.
  for (int n = 1; n <= 11; ++n) {
    server_.SetResponse("/r" + std::to_string(n) + ".xml",
                        RedirectTo(server_.Url(n == 1 ? "/real.xml"
                                                      : "/r" + std::to_string(n - 1) + ".xml")));
  }
  server_.SetResponse("/loop.xml", RedirectTo(server_.Url("/loop.xml")));
  struct Case {
    const char* path;
    bool fetched;
  } cases[] = {{"/r10.xml", true}, {"/r11.xml", false}, {"/loop.xml", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::string body;
    EXPECT_EQ(c.fetched, FetchToString(server_.Url(c.path), &body));
    if (c.fetched)
      EXPECT_EQ("<update/>", body);
  }
  // The first request and ten redirects.
  EXPECT_EQ(11, server_.RequestCount("/loop.xml"));
}

TEST_F(HttpTransferTest, FetchTakesBodiesUpToTheLimitOnly) {
  struct Case {
    size_t size;
    bool send_length;
    bool fetched;
  } cases[] = {
      {kMaxManifestBytes, true, true},       {kMaxManifestBytes, false, true},
      {kMaxManifestBytes + 1, true, false},  {kMaxManifestBytes + 1, false, false},
      {8 * kMaxManifestBytes, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.size) + (c.send_length ? " with length" : " ended by close"));
    test::HttpResponse response = Body(Pattern(c.size));
    response.send_length = c.send_length;
    server_.SetResponse("/big.xml", response);
    std::string body;
    EXPECT_EQ(c.fetched, FetchToString(server_.Url("/big.xml"), &body));
    EXPECT_LE(body.size(), kMaxManifestBytes);
    if (c.fetched)
      EXPECT_EQ(Pattern(c.size), body);
  }
}

TEST_F(HttpTransferTest, FetchFailsForEmptyBodyUnreachableServerAndBadScheme) {
  server_.SetResponse("/empty.xml", Body(""));
  std::string body;
  EXPECT_FALSE(FetchToString(server_.Url("/empty.xml"), &body));
  std::string unreachable =
      "http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()) + "/u.xml";
  EXPECT_FALSE(FetchToString(unreachable, &body));
  EXPECT_FALSE(FetchToString("gopherx://127.0.0.1/u.xml", &body));
}

TEST_F(HttpTransferTest, FetchFailsWhenConnectionDropsMidBody) {
  test::HttpResponse response = Body(Pattern(10000));
  response.cut_after = 100;
  response.drop_at_cut = true;
  server_.SetResponse("/cut.xml", response);
  std::string body;
  EXPECT_FALSE(FetchToString(server_.Url("/cut.xml"), &body));
}

TEST_F(HttpTransferTest, PackageIsWrittenByteForByte) {
  std::string data = Pattern(3 * 1024 * 1024 + 17);
  server_.SetResponse("/p.zip", Body(data));
  EXPECT_EQ(PackageTransferResult::kCompleted, Transfer("/p.zip"));
  EXPECT_EQ(data, test::ReadFileOrEmpty(PackagePath()));
}

TEST_F(HttpTransferTest, PackageErrorPageAndRedirectPageLandInTheFile) {
  server_.SetResponse("/gone.zip", Body("<html>404</html>", 404));
  EXPECT_EQ(PackageTransferResult::kCompleted, Transfer("/gone.zip"));
  EXPECT_EQ("<html>404</html>", test::ReadFileOrEmpty(PackagePath()));

  server_.SetResponse("/real.zip", Body("real package"));
  server_.SetResponse("/moved.zip", RedirectTo(server_.Url("/real.zip")));
  EXPECT_EQ(PackageTransferResult::kCompleted, Transfer("/moved.zip"));
  EXPECT_EQ("<html>moved</html>", test::ReadFileOrEmpty(PackagePath()));
  EXPECT_EQ(0, server_.RequestCount("/real.zip"));
}

TEST_F(HttpTransferTest, PackageWithoutBodyLeavesNoFile) {
  server_.SetResponse("/empty.zip", Body(""));
  EXPECT_EQ(PackageTransferResult::kCompleted, Transfer("/empty.zip"));
  EXPECT_FALSE(PackageExists());
}

TEST_F(HttpTransferTest, PackageFailsWhenFileCannotBeCreated) {
  server_.SetResponse("/p.zip", Body("data"));
  PackageSink sink(base::FilePath::FromSystemPath(dir_.path() + "/no/such/dir/download.bak"),
                   kNoPackageLimit);
  EXPECT_EQ(PackageTransferResult::kFailed,
            TransferPackage(server_.Url("/p.zip"), &sink, IgnoreProgress, nullptr));
  EXPECT_EQ(nullptr, sink.stream);
  EXPECT_TRUE(sink.not_creatable);
}

TEST_F(HttpTransferTest, PackageFailsWhenConnectionDropsOrServerIsAbsent) {
  test::HttpResponse response = Body(Pattern(1 << 20));
  response.cut_after = 1000;
  response.drop_at_cut = true;
  server_.SetResponse("/cut.zip", response);
  EXPECT_EQ(PackageTransferResult::kFailed, Transfer("/cut.zip"));

  PackageSink sink(base::FilePath::FromSystemPath(PackagePath()), kNoPackageLimit);
  std::string unreachable =
      "http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()) + "/p.zip";
  EXPECT_EQ(PackageTransferResult::kFailed,
            TransferPackage(unreachable, &sink, IgnoreProgress, nullptr));
}

int CancelOnFirstData(void*, int64_t, int64_t now, int64_t, int64_t) {
  if (now > 0)
    g_bCancelDownload = true;
  return 0;
}

TEST_F(HttpTransferTest, TheDigestsFollowWhatIsWrittenAndNeedNoFile) {
  server_.SetResponse("/p.zip", Body(Pattern(3 << 20)));
  ASSERT_EQ(PackageTransferResult::kCompleted, Transfer("/p.zip"));
  EXPECT_EQ(test::Md5sum(PackagePath()), digests_.md5);
  EXPECT_EQ(test::Sha256sum(PackagePath()), digests_.sha256);
  EXPECT_EQ(uint64_t{3 << 20}, digests_.length);

  // No body, no file: no digest, not the digest of nothing.
  server_.SetResponse("/empty.zip", Body(""));
  ASSERT_EQ(0, unlink(PackagePath().c_str()));
  ASSERT_EQ(PackageTransferResult::kCompleted, Transfer("/empty.zip"));
  EXPECT_FALSE(PackageExists());
  EXPECT_EQ("", digests_.md5);
  EXPECT_EQ("", digests_.sha256);
}

// Announced or not, a body longer than the limit fails the transfer as
// soon as it goes past it; one of the limit's length is whole.
TEST_F(HttpTransferTest, PackageLongerThanTheLimitFailsAtOnce) {
  const std::string data = Pattern(1 << 20);
  server_.SetResponse("/exact.zip", Body(data));
  EXPECT_EQ(PackageTransferResult::kCompleted,
            Transfer("/exact.zip", nullptr, nullptr, data.size()));
  EXPECT_EQ(data, test::ReadFileOrEmpty(PackagePath()));

  server_.SetResponse("/announced.zip", Body(data));
  EXPECT_EQ(PackageTransferResult::kFailed,
            Transfer("/announced.zip", nullptr, nullptr, data.size() - 1));

  // Without a length, and stalling after the limit: the cut must not wait
  // for the stall to end.
  test::HttpResponse endless = Body(data);
  endless.send_length = false;
  endless.cut_after = 200000;
  server_.SetResponse("/endless.zip", endless);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(PackageTransferResult::kFailed,
            Transfer("/endless.zip", nullptr, nullptr, 100000));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_LE(digests_.length, 100000u);
}

TEST_F(HttpTransferTest, CancelFlagEndsTransferAtNextChunkAndIsClearedAtStart) {
  server_.SetResponse("/big.zip", Body(Pattern(8 << 20)));
  g_bCancelDownload = true;  // a stale request from before must not count
  EXPECT_EQ(PackageTransferResult::kFailed, Transfer("/big.zip", CancelOnFirstData));
  EXPECT_LT(test::ReadFileOrEmpty(PackagePath()).size(), size_t{8 << 20});

  g_bCancelDownload = true;
  server_.SetResponse("/small.zip", Body("abc"));
  EXPECT_EQ(PackageTransferResult::kCompleted, Transfer("/small.zip"));
}

TEST_F(HttpTransferTest, CloseRequestEndsAStalledTransfer) {
  test::HttpResponse stalled = Body(Pattern(1 << 20));
  stalled.cut_after = 4096;
  server_.SetResponse("/stalled.zip", stalled);
  std::thread closer([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    g_bCancelDownload = true;
  });
  // Without the idle cancel check this would wait for the stall limit.
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(PackageTransferResult::kFailed, Transfer("/stalled.zip"));
  closer.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST_F(HttpTransferTest, TransferThatStallsForAMinuteFails) {
  test::HttpResponse stalled = Body(Pattern(1 << 20));
  stalled.cut_after = 4096;
  server_.SetResponse("/stalled.zip", stalled);
  EXPECT_EQ(PackageTransferResult::kFailed, Transfer("/stalled.zip"));
  EXPECT_EQ(Pattern(4096), test::ReadFileOrEmpty(PackagePath()));
}

struct ProgressLog {
  std::vector<uint32_t> positions;
};

int RecordPosition(void* data, int64_t total, int64_t now, int64_t, int64_t) {
  static_cast<ProgressLog*>(data)->positions.push_back(
      DownloadProgressPosition(static_cast<double>(total), static_cast<double>(now)));
  return 0;
}

TEST_F(HttpTransferTest, ProgressReachesHundredWithLengthAndStaysZeroWithout) {
  server_.SetResponse("/known.zip", Body(Pattern(2 << 20)));
  ProgressLog known;
  EXPECT_EQ(PackageTransferResult::kCompleted,
            Transfer("/known.zip", RecordPosition, &known));
  ASSERT_FALSE(known.positions.empty());
  EXPECT_EQ(100u, known.positions.back());

  test::HttpResponse unknown_length = Body(Pattern(2 << 20));
  unknown_length.send_length = false;
  server_.SetResponse("/unknown.zip", unknown_length);
  ProgressLog unknown;
  EXPECT_EQ(PackageTransferResult::kCompleted,
            Transfer("/unknown.zip", RecordPosition, &unknown));
  ASSERT_FALSE(unknown.positions.empty());
  for (uint32_t position : unknown.positions)
    EXPECT_EQ(0u, position);
}

TEST(DownloadProgressPositionTest, WholePercentTruncatedTowardZero) {
  EXPECT_EQ(99u, DownloadProgressPosition(1000, 999));
  EXPECT_EQ(100u, DownloadProgressPosition(1000, 1000));
  EXPECT_EQ(0u, DownloadProgressPosition(1000, 9));
  EXPECT_EQ(1u, DownloadProgressPosition(1000, 10));
  EXPECT_EQ(0u, DownloadProgressPosition(0, 0));
  EXPECT_EQ(0u, DownloadProgressPosition(0, 500));
}

}  // namespace
