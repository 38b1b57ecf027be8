// A small HTTP/1.1 server on 127.0.0.1 for tests and benchmarks. It serves
// canned responses by path, one connection at a time per thread, and can
// misbehave the ways real servers do: answer slowly, stall mid-body, drop
// the connection, omit the length, or send a huge body; a large body can be
// sent from a file, never held in memory. It honours Range and If-Range
// where a response says so, answers a path with a different response for
// each request when given a sequence, and takes the absolute addresses
// that clients send to a proxy, so that it can stand for one. Stops (and
// joins every thread) in its destructor within a fraction of a second.
#ifndef TESTS_HTTP_TEST_SERVER_H_
#define TESTS_HTTP_TEST_SERVER_H_

#include <stdint.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace test {

struct HttpResponse {
  int status = 200;
  std::string content_type = "text/xml";
  std::string body;
  // When not empty, the body is this file's content instead, sent straight
  // from it (a missing length does not apply).
  std::string body_file;
  std::string location;                // sent as Location when not empty
  std::string etag;                    // sent as ETag when not empty
  std::string last_modified;           // sent as Last-Modified when not empty
  std::string retry_after;             // sent as Retry-After when not empty
  bool send_length = true;             // false: no Content-Length, end by close
  std::chrono::milliseconds delay{0};  // before the status line
  // A request for "bytes=N-" gets 206 with the body from N on (416 when N
  // is past its end), unless its If-Range names neither the ETag nor the
  // Last-Modified date: then the whole body, as a server does for a body
  // that has changed. Only for a 200 response.
  bool honour_range = false;
  // Once this many bytes of the whole body have gone out (counted from its
  // start, also in a range), stop sending: stall until the client goes (or
  // the server stops), or drop the connection at once.
  size_t cut_after = std::string::npos;
  bool drop_at_cut = false;
  // Blanks sent before |body| as part of it, made as they are sent, so that
  // a large body costs this process no memory.
  size_t leading_blanks = 0;
};

// What a client asked.
struct HttpRequest {
  std::string target;    // as sent: a path, or an absolute address to a proxy
  bool proxied = false;  // the target was an absolute address
  // Header fields by lower-case name.
  std::map<std::string, std::string> headers;
  std::chrono::steady_clock::time_point received;  // when its head had come

  std::string Header(const std::string& lower_case_name) const;
};

class HttpTestServer {
 public:
  HttpTestServer();
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  // False when no loopback port could be had.
  bool Start();
  int port() const { return port_; }
  std::string Url(const std::string& path) const;

  void SetResponse(const std::string& path, const HttpResponse& response);
  // The first request for |path| gets the first of |responses|, the next
  // the second, and so on; the last one answers every request after it.
  void SetResponses(const std::string& path,
                    const std::vector<HttpResponse>& responses);
  int RequestCount(const std::string& path) const;
  // The requests for |path| so far, in order.
  std::vector<HttpRequest> Requests(const std::string& path) const;
  // The targets those requests named, in order, each marked "proxy " in
  // front when it was sent as to a proxy.
  std::vector<std::string> Targets(const std::string& path) const;
  // The body bytes sent for |path| so far, over all its requests.
  uint64_t BodyBytesSent(const std::string& path) const;

 private:
  void AcceptLoop();
  void Serve(int fd);
  // Sends bytes [from, to) of |response|'s body; false when the client went
  // away or the server is stopping. Counts what it sent for |path|.
  bool SendBody(int fd,
                const HttpResponse& response,
                size_t from,
                size_t to,
                const std::string& path);
  // False when the client went away or the server is stopping.
  bool SendAll(int fd, const char* data, size_t size);
  bool Stopping() const { return stopping_.load(); }

  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  mutable std::mutex mutex_;
  // Shared with the connections that send them, so a body is never copied.
  std::map<std::string, std::vector<std::shared_ptr<const HttpResponse>>>
      responses_;  // guarded by mutex_
  std::map<std::string, std::vector<HttpRequest>>
      requests_;                                     // guarded by mutex_
  std::map<std::string, uint64_t> body_bytes_sent_;  // guarded by mutex_
  std::vector<std::thread> connections_;             // guarded by mutex_
};

// A loopback port on which nothing listens (bound, then released).
int UnusedLoopbackPort();

}  // namespace test

#endif  // TESTS_HTTP_TEST_SERVER_H_
