#include "app/http_transfer.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/child_process.h"
#include "tests/http_test_server.h"
#include "tests/test_files.h"

namespace {

// Takes a package request's body into memory, and can decline it or fail
// to take a piece.
class BodyRecorder : public PackageReceiver {
 public:
  bool BeginBody(const ResponseHead& head) override {
    heads.push_back(head);
    return !decline;
  }
  bool ReceiveBody(const char* data, size_t size) override {
    if (body.size() + size > take_at_most)
      return false;
    body.append(data, size);
    if (cancel_at_first_piece)
      g_bCancelDownload = true;
    return true;
  }
  void ReportProgress(int64_t total, int64_t now) override {
    totals.push_back(total);
    nows.push_back(now);
  }

  bool decline = false;
  bool cancel_at_first_piece = false;
  size_t take_at_most = SIZE_MAX;
  std::vector<ResponseHead> heads;  // one per BeginBody
  std::string body;
  std::vector<int64_t> totals;
  std::vector<int64_t> nows;
};

class HttpTransferTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { curl_global_init(CURL_GLOBAL_ALL); }

  void SetUp() override {
    ASSERT_TRUE(server_.Start());
    g_bCancelDownload = false;
  }

  // Requests |path| from the test server into recorder_; head_ and error_
  // hold what the request said.
  RequestEnd Request(const std::string& path,
                     uint64_t offset = 0,
                     const std::string& if_range = std::string(),
                     uint64_t max_bytes = kNoPackageLimit) {
    return RequestUrl(server_.Url(path), offset, if_range, max_bytes);
  }
  RequestEnd RequestUrl(const std::string& url,
                        uint64_t offset = 0,
                        const std::string& if_range = std::string(),
                        uint64_t max_bytes = kNoPackageLimit) {
    recorder_ = BodyRecorder();
    PackageRequest request;
    request.url = url;
    request.offset = offset;
    request.if_range = if_range;
    request.max_bytes = max_bytes;
    return RequestPackage(request, &recorder_, &head_, &error_);
  }

  test::HttpTestServer server_;
  BodyRecorder recorder_;
  ResponseHead head_;
  std::string error_;
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
    server_.SetResponse(
        "/r" + std::to_string(n) + ".xml",
        RedirectTo(server_.Url(
            n == 1 ? "/real.xml" : "/r" + std::to_string(n - 1) + ".xml")));
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
      {kMaxManifestBytes, true, true},
      {kMaxManifestBytes, false, true},
      {kMaxManifestBytes + 1, true, false},
      {kMaxManifestBytes + 1, false, false},
      {8 * kMaxManifestBytes, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.size) +
                 (c.send_length ? " with length" : " ended by close"));
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
      "http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()) +
      "/u.xml";
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

TEST_F(HttpTransferTest, PackageBodyComesByteForByte) {
  std::string data = Pattern(3 * 1024 * 1024 + 17);
  server_.SetResponse("/p.zip", Body(data));
  EXPECT_EQ(RequestEnd::kComplete, Request("/p.zip"));
  EXPECT_EQ(data, recorder_.body);
  ASSERT_EQ(1u, recorder_.heads.size());
  EXPECT_EQ(200, recorder_.heads[0].status);
  EXPECT_EQ(static_cast<int64_t>(data.size()),
            recorder_.heads[0].content_length);
}

// What the download judges by reaches it before the body; the receiver
// decides whether the body is wanted.
TEST_F(HttpTransferTest, TheHeadComesBeforeTheBodyAndMayBeDeclined) {
  test::HttpResponse busy = Body("<html>busy</html>", 503);
  busy.etag = "\"v1\"";
  busy.last_modified = "Sun, 06 Nov 1994 08:49:37 GMT";
  busy.retry_after = "3";
  server_.SetResponse("/busy.zip", busy);
  BodyRecorder declining;
  declining.decline = true;
  PackageRequest request;
  request.url = server_.Url("/busy.zip");
  EXPECT_EQ(RequestEnd::kDeclined,
            RequestPackage(request, &declining, &head_, &error_));
  ASSERT_EQ(1u, declining.heads.size());
  EXPECT_EQ("", declining.body);
  for (const ResponseHead& head : {declining.heads[0], head_}) {
    EXPECT_EQ(503, head.status);
    EXPECT_EQ("\"v1\"", head.etag);
    EXPECT_EQ("Sun, 06 Nov 1994 08:49:37 GMT", head.last_modified);
    EXPECT_EQ("3", head.retry_after);
  }

  // Without a body, the head is there all the same.
  server_.SetResponse("/empty.zip", Body("", 404));
  EXPECT_EQ(RequestEnd::kComplete, Request("/empty.zip"));
  EXPECT_TRUE(recorder_.heads.empty());
  EXPECT_EQ(404, head_.status);
}

TEST_F(HttpTransferTest, ARangeIsAskedOnlyWhileTheValidatorHolds) {
  const std::string data = Pattern(100000);
  test::HttpResponse package = Body(data);
  package.etag = "\"v1\"";
  package.honour_range = true;
  server_.SetResponse("/p.zip", package);
  EXPECT_EQ(RequestEnd::kComplete, Request("/p.zip", 60000, "\"v1\""));
  EXPECT_EQ(206, head_.status);
  EXPECT_EQ("bytes 60000-99999/100000", head_.content_range);
  EXPECT_EQ(data.substr(60000), recorder_.body);
  EXPECT_EQ(RequestEnd::kComplete, Request("/p.zip", 60000, "\"v0\""));
  EXPECT_EQ(200, head_.status);
  EXPECT_EQ(data, recorder_.body);
  const std::vector<test::HttpRequest> requests = server_.Requests("/p.zip");
  ASSERT_EQ(2u, requests.size());
  EXPECT_EQ("bytes=60000-", requests[0].Header("range"));
  EXPECT_EQ("\"v1\"", requests[0].Header("if-range"));
  EXPECT_EQ("\"v0\"", requests[1].Header("if-range"));

  // A plain request asks for no range.
  EXPECT_EQ(RequestEnd::kComplete, Request("/p.zip"));
  EXPECT_EQ("", server_.Requests("/p.zip")[2].Header("range"));
  EXPECT_EQ("", server_.Requests("/p.zip")[2].Header("if-range"));
}

TEST_F(HttpTransferTest, ARedirectIsNotFollowed) {
  server_.SetResponse("/real.zip", Body("real package"));
  server_.SetResponse("/moved.zip", RedirectTo(server_.Url("/real.zip")));
  EXPECT_EQ(RequestEnd::kComplete, Request("/moved.zip"));
  EXPECT_EQ(302, head_.status);
  EXPECT_EQ("<html>moved</html>", recorder_.body);
  EXPECT_EQ(0, server_.RequestCount("/real.zip"));
}

// What a retry can mend is told apart from what it cannot.
TEST_F(HttpTransferTest, BreaksAreToldApartFromFailures) {
  test::HttpResponse cut = Body(Pattern(1 << 20));
  cut.cut_after = 1000;
  cut.drop_at_cut = true;
  server_.SetResponse("/cut.zip", cut);
  EXPECT_EQ(RequestEnd::kBroken, Request("/cut.zip"));
  EXPECT_EQ(Pattern(1000), recorder_.body);
  EXPECT_FALSE(error_.empty());

  // Nothing to resume where nothing answers.
  EXPECT_EQ(RequestEnd::kFailed,
            RequestUrl("http://127.0.0.1:" +
                       std::to_string(test::UnusedLoopbackPort()) + "/p.zip"));
  EXPECT_TRUE(recorder_.heads.empty());

  server_.SetResponse("/p.zip", Body(Pattern(10000)));
  BodyRecorder full;
  full.take_at_most = 100;
  PackageRequest request;
  request.url = server_.Url("/p.zip");
  EXPECT_EQ(RequestEnd::kFailed,
            RequestPackage(request, &full, &head_, &error_));
  EXPECT_EQ(RequestEnd::kFailed, RequestUrl("gopherx://127.0.0.1/p.zip"));
}

// A body announced longer than the limit is refused before any of it.
TEST_F(HttpTransferTest, ABodyAnnouncedLongerThanTheLimitIsRefused) {
  const std::string data = Pattern(1 << 20);
  server_.SetResponse("/p.zip", Body(data));
  EXPECT_EQ(RequestEnd::kComplete, Request("/p.zip", 0, "", data.size()));
  EXPECT_EQ(RequestEnd::kFailed, Request("/p.zip", 0, "", data.size() - 1));
  EXPECT_EQ("", recorder_.body);
}

TEST_F(HttpTransferTest, CancelFlagEndsTheRequestAtTheNextPiece) {
  server_.SetResponse("/big.zip", Body(Pattern(8 << 20)));
  BodyRecorder cancelling;
  cancelling.cancel_at_first_piece = true;
  PackageRequest request;
  request.url = server_.Url("/big.zip");
  EXPECT_EQ(RequestEnd::kCancelled,
            RequestPackage(request, &cancelling, &head_, &error_));
  EXPECT_LT(cancelling.body.size(), size_t{8 << 20});
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
  EXPECT_EQ(RequestEnd::kCancelled, Request("/stalled.zip"));
  closer.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST_F(HttpTransferTest, ATransferThatStallsForAMinuteIsBroken) {
  test::HttpResponse stalled = Body(Pattern(1 << 20));
  stalled.cut_after = 4096;
  server_.SetResponse("/stalled.zip", stalled);
  EXPECT_EQ(RequestEnd::kBroken, Request("/stalled.zip"));
  EXPECT_EQ(Pattern(4096), recorder_.body);
}

TEST_F(HttpTransferTest, ProgressCountsThisBodyAndItsAnnouncedLength) {
  server_.SetResponse("/known.zip", Body(Pattern(2 << 20)));
  EXPECT_EQ(RequestEnd::kComplete, Request("/known.zip"));
  ASSERT_FALSE(recorder_.totals.empty());
  EXPECT_EQ(int64_t{2 << 20}, recorder_.totals.back());
  EXPECT_EQ(int64_t{2 << 20}, recorder_.nows.back());

  test::HttpResponse unknown_length = Body(Pattern(2 << 20));
  unknown_length.send_length = false;
  server_.SetResponse("/unknown.zip", unknown_length);
  EXPECT_EQ(RequestEnd::kComplete, Request("/unknown.zip"));
  ASSERT_FALSE(recorder_.totals.empty());
  for (int64_t total : recorder_.totals)
    EXPECT_EQ(0, total);
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
