#include "app/http_transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <mutex>
#include <set>
#include <type_traits>

#include "app/proxy_config.h"
#include "app/proxy_rules.h"
#include "base/logging.h"

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
         curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT,
                          kStallBytesPerSecond) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kStallSeconds) ==
             CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects) == CURLE_OK &&
         // Schannel fails every transfer whose revocation server cannot be
         // reached, as behind many firewalls; a revoked certificate still
         // fails.
         curl_easy_setopt(curl, CURLOPT_SSL_OPTIONS,
                          static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT)) ==
             CURLE_OK;
}

// Says in the log which proxy carries the requests: once per run for each
// one used, not for every request and retry.
void LogProxyOnce(const std::string& line) {
  static std::mutex mutex;
  static std::set<std::string> logged;
  std::lock_guard<std::mutex> hold(mutex);
  if (logged.insert(line).second)
    LOG(INFO) << "Requests go through " << line;
}

// Whether |result| says that the connection itself could not be made, so
// that the next proxy on the list may be tried.
bool ConnectionFailed(CURLcode result) {
  return result == CURLE_COULDNT_CONNECT ||
         result == CURLE_COULDNT_RESOLVE_PROXY ||
         result == CURLE_COULDNT_RESOLVE_HOST;
}

// Performs the transfer set up on |curl| for |url| through the proxies the
// user's settings name for it, trying each in turn while none can be
// reached. A proxy that asks who the user is gets the user's own Windows
// credentials.
CURLcode PerformThroughProxies(CURL* curl, const std::string& url) {
  const ProxyRoute route = ProxyRouteFor(url);
  if (route.proxies.empty()) {
    LogProxyOnce(route.source);
    return curl_easy_perform(curl);
  }
  CURLcode result = CURLE_COULDNT_CONNECT;
  for (const std::string& proxy : route.proxies) {
    if (curl_easy_setopt(curl, CURLOPT_PROXY, proxy.c_str()) != CURLE_OK ||
        (!proxy.empty() &&
         (curl_easy_setopt(curl, CURLOPT_PROXYAUTH,
                           CURLAUTH_NEGOTIATE | CURLAUTH_NTLM) != CURLE_OK ||
          curl_easy_setopt(curl, CURLOPT_PROXYUSERPWD, ":") != CURLE_OK))) {
      return CURLE_FAILED_INIT;
    }
    result = curl_easy_perform(curl);
    LogProxyOnce((proxy.empty() ? std::string("no proxy")
                                : "the proxy " + WithoutCredentials(proxy)) +
                 ", by " + route.source);
    if (!ConnectionFailed(result))
      break;
  }
  return result;
}

// Owns a list of extra request headers.
class ScopedHeaderList {
 public:
  ScopedHeaderList() = default;
  ~ScopedHeaderList() { curl_slist_free_all(list_); }
  ScopedHeaderList(const ScopedHeaderList&) = delete;
  ScopedHeaderList& operator=(const ScopedHeaderList&) = delete;
  // False when the list could not grow.
  bool Add(const std::string& header) {
    curl_slist* longer = curl_slist_append(list_, header.c_str());
    if (!longer)
      return false;
    list_ = longer;
    return true;
  }
  curl_slist* get() const { return list_; }

 private:
  curl_slist* list_ = nullptr;
};

// What the callbacks of one package request share.
struct PackageRequestState {
  CURL* curl;
  PackageReceiver* receiver;
  ResponseHead* head;
  bool body_begun = false;
  bool declined = false;
};

std::string Trimmed(const char* data, size_t size) {
  size_t begin = 0;
  while (begin < size && isspace(static_cast<unsigned char>(data[begin])))
    ++begin;
  while (size > begin && isspace(static_cast<unsigned char>(data[size - 1])))
    --size;
  return std::string(data + begin, size - begin);
}

// libcurl header callback of a package request: keeps the fields the
// download judges by. Each status line starts a new response (after a
// proxy's or an interim one), whose fields replace the earlier ones.
size_t CollectHeader(char* data, size_t size, size_t count, void* state_data) {
  const size_t bytes = size * count;
  ResponseHead* head = static_cast<PackageRequestState*>(state_data)->head;
  const std::string line = Trimmed(data, bytes);
  if (line.compare(0, 5, "HTTP/") == 0) {
    *head = ResponseHead();
    return bytes;
  }
  const size_t colon = line.find(':');
  if (colon == std::string::npos)
    return bytes;
  std::string name = line.substr(0, colon);
  for (char& c : name)
    c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  const std::string value =
      Trimmed(line.data() + colon + 1, line.size() - colon - 1);
  if (name == "etag")
    head->etag = value;
  else if (name == "last-modified")
    head->last_modified = value;
  else if (name == "content-range")
    head->content_range = value;
  else if (name == "retry-after")
    head->retry_after = value;
  return bytes;
}

// The status and the announced length of the response that has come.
void ReadStatus(CURL* curl, ResponseHead* head) {
  long status = 0;
  if (curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK)
    head->status = status;
  curl_off_t length = -1;
  if (curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) ==
      CURLE_OK)
    head->content_length = length;
}

// libcurl write callback of a package request.
size_t ReceivePackageBody(char* data,
                          size_t size,
                          size_t count,
                          void* state_data) {
  if (g_bCancelDownload.load(std::memory_order_relaxed))
    return kAbortTransfer;
  PackageRequestState* state = static_cast<PackageRequestState*>(state_data);
  if (!state->body_begun) {
    state->body_begun = true;
    ReadStatus(state->curl, state->head);
    if (!state->receiver->BeginBody(*state->head)) {
      state->declined = true;
      return kAbortTransfer;
    }
  }
  const size_t bytes = size * count;
  return state->receiver->ReceiveBody(data, bytes) ? bytes : kAbortTransfer;
}

// The receiver's progress report, and the cancel check that libcurl's idle
// progress calls (about one a second) give a stalled transfer.
int RelayProgress(void* state_data,
                  curl_off_t total_to_download,
                  curl_off_t downloaded_now,
                  curl_off_t,
                  curl_off_t) {
  static_cast<PackageRequestState*>(state_data)
      ->receiver->ReportProgress(total_to_download, downloaded_now);
  return g_bCancelDownload.load(std::memory_order_relaxed) ? 1 : 0;
}

// How a request ended, by libcurl's result. A server that cannot be reached
// at all is no break: there is nothing to resume.
RequestEnd EndOf(CURLcode result) {
  switch (result) {
    case CURLE_OK:
      return RequestEnd::kComplete;
    case CURLE_PARTIAL_FILE:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
      return RequestEnd::kBroken;
    default:
      return RequestEnd::kFailed;
  }
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
      curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, AppendToString) !=
          CURLE_OK ||
      curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, body) != CURLE_OK ||
      curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L) != CURLE_OK) {
    return false;
  }
  CURLcode result = PerformThroughProxies(curl.get(), url);
  return result == CURLE_OK && !body->empty();
}

uint32_t DownloadProgressPosition(double total, double now) {
  double percent = now / total * 100;
  // An unknown total gives no number (or an infinite one): position 0.
  if (!std::isfinite(percent))
    return 0;
  return static_cast<uint32_t>(static_cast<int64_t>(percent));
}

RequestEnd RequestPackage(const PackageRequest& request,
                          PackageReceiver* receiver,
                          ResponseHead* head,
                          std::string* error) {
  *head = ResponseHead();
  error->clear();
  ScopedCurlHandle curl;
  if (!curl.get())
    return RequestEnd::kNoHandle;
  PackageRequestState state = {curl.get(), receiver, head};
  ScopedHeaderList headers;
  char error_text[CURL_ERROR_SIZE] = "";
  CURLcode result = CURLE_FAILED_INIT;
  const bool ranged = request.offset > 0;
  // A range is asked for on condition only, so that a package that changed
  // on the server comes whole instead of spliced onto the old one.
  if (SetCommonOptions(curl.get(), request.url) &&
      curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, error_text) ==
          CURLE_OK &&
      curl_easy_setopt(curl.get(), CURLOPT_HEADERFUNCTION, CollectHeader) ==
          CURLE_OK &&
      curl_easy_setopt(curl.get(), CURLOPT_HEADERDATA, &state) == CURLE_OK &&
      curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, ReceivePackageBody) ==
          CURLE_OK &&
      curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &state) == CURLE_OK &&
      curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L) == CURLE_OK &&
      curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, RelayProgress) ==
          CURLE_OK &&
      curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, &state) == CURLE_OK &&
      (request.max_bytes == kNoPackageLimit ||
       curl_easy_setopt(curl.get(), CURLOPT_MAXFILESIZE_LARGE,
                        static_cast<curl_off_t>(std::min<uint64_t>(
                            request.max_bytes, INT64_MAX))) == CURLE_OK) &&
      (!ranged ||
       (curl_easy_setopt(curl.get(), CURLOPT_RANGE,
                         (std::to_string(request.offset) + "-").c_str()) ==
            CURLE_OK &&
        headers.Add("If-Range: " + request.if_range) &&
        curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers.get()) ==
            CURLE_OK))) {
    result = PerformThroughProxies(curl.get(), request.url);
  }
  if (!state.body_begun)
    ReadStatus(curl.get(), head);
  if (state.declined)
    return RequestEnd::kDeclined;
  if (g_bCancelDownload.load(std::memory_order_relaxed) && result != CURLE_OK)
    return RequestEnd::kCancelled;
  if (result != CURLE_OK)
    *error = error_text[0] ? error_text : curl_easy_strerror(result);
  return EndOf(result);
}
