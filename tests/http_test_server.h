// A small HTTP/1.1 server on 127.0.0.1 for tests and benchmarks. It serves
// canned responses by path, one connection at a time per thread, and can
// misbehave the ways real servers do: answer slowly, stall mid-body, drop
// the connection, omit the length, or send a huge body; a large body can be
// sent from a file, never held in memory. Stops (and joins every thread) in
// its destructor within a fraction of a second.
#ifndef TESTS_HTTP_TEST_SERVER_H_
#define TESTS_HTTP_TEST_SERVER_H_

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
  // from it (cut_after and a missing length do not apply).
  std::string body_file;
  std::string location;          // sent as Location when not empty
  bool send_length = true;       // false: no Content-Length, end by close
  std::chrono::milliseconds delay{0};  // before the status line
  // After this many body bytes, stop sending: stall until the client goes
  // (or the server stops), or drop the connection at once.
  size_t cut_after = std::string::npos;
  bool drop_at_cut = false;
  // Blanks sent before |body| as part of it, made as they are sent, so that
  // a large body costs this process no memory.
  size_t leading_blanks = 0;
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
  int RequestCount(const std::string& path) const;

 private:
  void AcceptLoop();
  void Serve(int fd);
  // False when the client went away or the server is stopping.
  bool SendAll(int fd, const char* data, size_t size);
  bool Stopping() const { return stopping_.load(); }

  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  mutable std::mutex mutex_;
  // Shared with the connections that send them, so a body is never copied.
  std::map<std::string, std::shared_ptr<const HttpResponse>> responses_;  // guarded by mutex_
  std::map<std::string, int> request_counts_;      // guarded by mutex_
  std::vector<std::thread> connections_;           // guarded by mutex_
};

// A loopback port on which nothing listens (bound, then released).
int UnusedLoopbackPort();

}  // namespace test

#endif  // TESTS_HTTP_TEST_SERVER_H_
