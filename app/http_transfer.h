// The updater's HTTP requests, each one blocking call with a fresh libcurl
// handle: the manifest fetched into memory (main thread), and requests for
// the package whose bodies go to a receiver with progress reports (worker
// thread). libcurl's global initialisation is the entry sequence's.
#ifndef APP_HTTP_TRANSFER_H_
#define APP_HTTP_TRANSFER_H_

#include <stddef.h>
#include <stdint.h>

#include <atomic>
#include <string>

// Set by the dialog's close command to end the package download early;
// cleared when the download starts. Written on the UI thread, read on the
// worker thread.
extern std::atomic<bool> g_bCancelDownload;

// The largest manifest body fetched; a real one is a few hundred bytes.
constexpr size_t kMaxManifestBytes = 1 << 20;

// Fetches |url| into |body|, following up to ten redirects. True when the
// transfer succeeded and the body is not empty; the HTTP status is not looked
// at, so an error page counts as fetched. Fails after more redirects, on a
// body longer than kMaxManifestBytes, and when less than a byte a second
// arrives for a minute. |body| holds the received bytes either way.
bool FetchToString(const std::string& url, std::string* body);

// libcurl write callback of the manifest fetch: appends to the body string,
// or takes nothing (ending the transfer) when that would make the body
// longer than kMaxManifestBytes.
size_t AppendToString(char* data, size_t size, size_t count, void* body);

// A package request with no limit on the body's length.
constexpr uint64_t kNoPackageLimit = UINT64_MAX;

// The head of the response to a package request, as far as the download
// needs it: header values without the blanks around them, empty when
// absent.
struct ResponseHead {
  long status = 0;              // 0 until a response has come
  int64_t content_length = -1;  // of this body; -1 when not announced
  std::string etag;
  std::string last_modified;
  std::string content_range;
  std::string retry_after;
};

// Takes what a package request receives, on the thread that makes it.
class PackageReceiver {
 public:
  virtual ~PackageReceiver() = default;
  // The response's head has come and its body is next; false declines the
  // body, which ends the request.
  virtual bool BeginBody(const ResponseHead& head) = 0;
  // The next piece of the body; false ends the request.
  virtual bool ReceiveBody(const char* data, size_t size) = 0;
  // |now| bytes of this response's body have come, of |total| announced (0
  // while that is not known). Called about once a second while nothing
  // arrives.
  virtual void ReportProgress(int64_t total, int64_t now) = 0;
};

struct PackageRequest {
  std::string url;
  // When not 0, the body is asked for from this byte on ("Range: bytes=N-")
  // on condition that the package is still the one |if_range| names (an
  // ETag or a Last-Modified date).
  uint64_t offset = 0;
  std::string if_range;
  // A response that announces a longer body is refused at once.
  uint64_t max_bytes = kNoPackageLimit;
};

enum class RequestEnd {
  kNoHandle,   // no transfer handle: nothing was tried
  kComplete,   // the whole response came, whatever its status
  kBroken,     // the connection broke or was closed early, brought fewer
               // body bytes than announced, or brought less than a byte a
               // second for a minute
  kDeclined,   // the receiver declined the body
  kCancelled,  // the cancel flag was set
  kFailed,     // anything else: no server could be reached, the receiver
               // could not take a piece, a body announced longer than the
               // limit, a TLS failure, an address that cannot be used
};

// Makes |request| without following redirects, handing the body to
// |receiver|. |head| holds the head of the response, when one came;
// |error| says what went wrong when the request did not end kComplete. The
// cancel flag ends the request within a second, even while nothing arrives.
RequestEnd RequestPackage(const PackageRequest& request,
                          PackageReceiver* receiver,
                          ResponseHead* head,
                          std::string* error);

// The progress-bar position for |now| of |total| bytes: a whole percentage
// truncated toward zero, 0 while the total is unknown.
uint32_t DownloadProgressPosition(double total, double now);

#endif  // APP_HTTP_TRANSFER_H_
