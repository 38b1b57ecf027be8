#include "app/http_transfer.h"

#include <curl/curl.h>

#include "base/file_path.h"
#include "base/file_util.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

std::atomic<bool> g_bCancelDownload{false};

namespace {

static_assert(std::is_same<curl_off_t, int64_t>::value,
              "progress reports pass libcurl's byte counts unchanged");

constexpr long kConnectTimeoutSeconds = 30;
// A transfer that stalls this long at under a byte a second fails.
constexpr long kStallBytesPerSecond = 1;
constexpr long kStallSeconds = 60;
// More redirects than this end a transfer that follows them; a redirect
// loop would otherwise go on for ever.
constexpr long kMaxRedirects = 10;
constexpr size_t kAbortTransfer = ~static_cast<size_t>(0);

// Owns one easy handle for the length of one transfer.
class ScopedCurlHandle {
 public:
  ScopedCurlHandle() : handle_(curl_easy_init()) {}
  ~ScopedCurlHandle() {
    if (handle_)
      curl_easy_cleanup(handle_);
  }
  ScopedCurlHandle(const ScopedCurlHandle&) = delete;
  ScopedCurlHandle& operator=(const ScopedCurlHandle&) = delete;
  CURL* get() const { return handle_; }

 private:
  CURL* handle_;
};

// Sets the options shared by both transfers; false when libcurl refuses one.
bool SetCommonOptions(CURL* curl, const std::string& url) {
  // The updater runs threads of its own: keep libcurl away from signals.
  return curl_easy_setopt(curl, CURLOPT_URL, url.c_str()) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT,
                          kConnectTimeoutSeconds) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, kStallBytesPerSecond) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kStallSeconds) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects) == CURLE_OK;
}

// The caller's progress report, and the cancel check that libcurl's idle
// progress calls (about one a second) give a stalled transfer.
struct ProgressRelay {
  DownloadProgressFunction progress;
  void* data;
};

int RelayProgress(void* relay_data, curl_off_t total_to_download,
                  curl_off_t downloaded_now, curl_off_t total_to_upload,
                  curl_off_t uploaded_now) {
  ProgressRelay* relay = static_cast<ProgressRelay*>(relay_data);
  relay->progress(relay->data, total_to_download, downloaded_now,
                  total_to_upload, uploaded_now);
  return g_bCancelDownload.load(std::memory_order_relaxed) ? 1 : 0;
}

}  // namespace

size_t AppendToString(char* data, size_t size, size_t count, void* body_data) {
  size_t bytes = size * count;
  std::string* body = static_cast<std::string*>(body_data);
  // A short count makes libcurl end the transfer with a write error.
  if (bytes > kMaxManifestBytes - body->size())
    return 0;
  body->append(data, bytes);
  return bytes;
}

bool FetchToString(const std::string& url, std::string* body) {
  body->clear();
  ScopedCurlHandle curl;
  if (!curl.get())
    return false;
  if (!SetCommonOptions(curl.get(), url) ||
      curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, AppendToString) != CURLE_OK ||
      curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, body) != CURLE_OK ||
      curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L) != CURLE_OK) {
    return false;
  }
  CURLcode result = curl_easy_perform(curl.get());
  return result == CURLE_OK && !body->empty();
}

size_t WriteToPackageFile(char* data, size_t size, size_t count, void* sink_data) {
  if (g_bCancelDownload.load(std::memory_order_relaxed))
    return kAbortTransfer;
  PackageSink* sink = static_cast<PackageSink*>(sink_data);
  // A server that sends more than the package may hold is cut off at once.
  const size_t bytes = size * count;
  if (bytes > sink->max_bytes - sink->length)
    return kAbortTransfer;
  if (!sink->stream) {
    sink->stream = base::OpenFile(sink->path, "wb").release();
    if (!sink->stream) {
      sink->not_creatable = true;
      return kAbortTransfer;
    }
    sink->created = true;
  }
  size_t written = fwrite(data, size, count, sink->stream);
  base::MD5Update(&sink->md5, data, written * size);
  sink->sha256.Update(data, written * size);
  sink->length += written * size;
  return written;
}

PackageDigests FinishPackageDigests(PackageSink* sink) {
  PackageDigests digests;
  base::MD5Digest md5;
  base::MD5Final(&md5, &sink->md5);
  const std::string sha256 = sink->sha256.Finish();
  if (!sink->created)
    return digests;
  digests.md5 = base::MD5DigestToBase16(md5);
  digests.sha256 = sha256;
  digests.length = sink->length;
  return digests;
}

uint32_t DownloadProgressPosition(double total, double now) {
  double percent = now / total * 100;
  // An unknown total gives no number (or an infinite one): position 0.
  if (!std::isfinite(percent))
    return 0;
  return static_cast<uint32_t>(static_cast<int64_t>(percent));
}

PackageTransferResult TransferPackage(const std::string& url, PackageSink* sink,
                                      DownloadProgressFunction progress,
                                      void* progress_data) {
  g_bCancelDownload.store(false, std::memory_order_relaxed);
  ScopedCurlHandle curl;
  if (!curl.get())
    return PackageTransferResult::kNoHandle;
  ProgressRelay relay = {progress, progress_data};
  CURLcode result = CURLE_FAILED_INIT;
  if (SetCommonOptions(curl.get(), url) &&
      curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, WriteToPackageFile) == CURLE_OK &&
      curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, sink) == CURLE_OK &&
      curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L) == CURLE_OK &&
      curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, RelayProgress) == CURLE_OK &&
      curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, &relay) == CURLE_OK &&
      (sink->max_bytes == kNoPackageLimit ||
       curl_easy_setopt(curl.get(), CURLOPT_MAXFILESIZE_LARGE,
                        static_cast<curl_off_t>(std::min<uint64_t>(sink->max_bytes, INT64_MAX))) ==
           CURLE_OK)) {
    result = curl_easy_perform(curl.get());
  }
  if (sink->stream) {
    // A failed flush on close loses data: that is a failed transfer too.
    if (fclose(sink->stream) != 0 && result == CURLE_OK)
      result = CURLE_WRITE_ERROR;
    sink->stream = nullptr;
  }
  return result == CURLE_OK ? PackageTransferResult::kCompleted
                            : PackageTransferResult::kFailed;
}
