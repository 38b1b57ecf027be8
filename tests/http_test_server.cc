#include "tests/http_test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace test {

namespace {

constexpr int kPollMs = 50;

int BindLoopback(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return -1;
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

int LocalPort(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof(address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

const char* ReasonPhrase(int status) {
  switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

}  // namespace

HttpTestServer::HttpTestServer() = default;

HttpTestServer::~HttpTestServer() {
  stopping_ = true;
  if (acceptor_.joinable())
    acceptor_.join();
  std::vector<std::thread> connections;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    connections.swap(connections_);
  }
  for (std::thread& connection : connections)
    connection.join();
  if (listen_fd_ >= 0)
    close(listen_fd_);
}

bool HttpTestServer::Start() {
  listen_fd_ = BindLoopback(0);
  if (listen_fd_ < 0 || listen(listen_fd_, 64) != 0)
    return false;
  port_ = LocalPort(listen_fd_);
  acceptor_ = std::thread(&HttpTestServer::AcceptLoop, this);
  return true;
}

std::string HttpTestServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void HttpTestServer::SetResponse(const std::string& path,
                                 const HttpResponse& response) {
  std::lock_guard<std::mutex> lock(mutex_);
  responses_[path] = std::make_shared<const HttpResponse>(response);
}

int HttpTestServer::RequestCount(const std::string& path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = request_counts_.find(path);
  return it == request_counts_.end() ? 0 : it->second;
}

void HttpTestServer::AcceptLoop() {
  while (!Stopping()) {
    pollfd waiting = {listen_fd_, POLLIN, 0};
    if (poll(&waiting, 1, kPollMs) <= 0)
      continue;
    int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
      continue;
    std::lock_guard<std::mutex> lock(mutex_);
    connections_.emplace_back(&HttpTestServer::Serve, this, fd);
  }
}

void HttpTestServer::Serve(int fd) {
  // Read the request head; the body of a GET is empty.
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos && !Stopping()) {
    pollfd waiting = {fd, POLLIN, 0};
    if (poll(&waiting, 1, kPollMs) <= 0)
      continue;
    ssize_t got = recv(fd, buffer, sizeof(buffer), 0);
    if (got <= 0)
      break;
    request.append(buffer, static_cast<size_t>(got));
  }
  size_t path_start = request.find(' ');
  size_t path_end = request.find(' ', path_start + 1);
  std::string path = path_start == std::string::npos || path_end == std::string::npos
                         ? std::string()
                         : request.substr(path_start + 1, path_end - path_start - 1);
  std::shared_ptr<const HttpResponse> found;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++request_counts_[path];
    auto it = responses_.find(path);
    if (it != responses_.end())
      found = it->second;
  }
  if (!found) {
    auto missing = std::make_shared<HttpResponse>();
    missing->status = 404;
    missing->content_type = "text/html";
    missing->body = "<html><body>Not Found</body></html>";
    found = missing;
  }
  const HttpResponse& response = *found;

  auto deadline = std::chrono::steady_clock::now() + response.delay;
  while (std::chrono::steady_clock::now() < deadline && !Stopping())
    std::this_thread::sleep_for(std::chrono::milliseconds(5));

  int body_fd = -1;
  size_t body_size = response.leading_blanks + response.body.size();
  if (!response.body_file.empty()) {
    body_fd = open(response.body_file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info;
    body_size = body_fd >= 0 && fstat(body_fd, &info) == 0 ? static_cast<size_t>(info.st_size) : 0;
  }
  std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " +
                     ReasonPhrase(response.status) + "\r\n";
  head += "Content-Type: " + response.content_type + "\r\n";
  if (!response.location.empty())
    head += "Location: " + response.location + "\r\n";
  const bool from_file = body_fd >= 0;
  if (response.send_length || from_file)
    head += "Content-Length: " + std::to_string(body_size) + "\r\n";
  head += "Connection: close\r\n\r\n";

  size_t body_bytes = std::min(response.cut_after, body_size);
  if (from_file) {
    bool sending = SendAll(fd, head.data(), head.size());
    off_t offset = 0;
    while (sending && static_cast<size_t>(offset) < body_size && !Stopping())
      sending = sendfile(fd, body_fd, &offset, body_size - static_cast<size_t>(offset)) > 0;
    close(body_fd);
  } else {
    size_t blanks = std::min(response.leading_blanks, body_bytes);
    std::string text = response.body.substr(0, body_bytes - blanks);
    if (blanks == 0) {
      // Head and body in one send, so that small responses go out at once.
      std::string out = head + text;
      SendAll(fd, out.data(), out.size());
    } else if (SendAll(fd, head.data(), head.size())) {
      const std::string chunk(64 << 10, ' ');
      while (blanks > 0) {
        size_t piece = std::min(blanks, chunk.size());
        if (!SendAll(fd, chunk.data(), piece))
          break;
        blanks -= piece;
      }
      if (blanks == 0)
        SendAll(fd, text.data(), text.size());
    }
  }
  if (!from_file && body_bytes < body_size && !response.drop_at_cut) {
    // Stall: hold the connection open, sending nothing, until the client
    // gives up or the server stops.
    while (!Stopping()) {
      pollfd waiting = {fd, POLLIN, 0};
      if (poll(&waiting, 1, kPollMs) > 0 && recv(fd, buffer, sizeof(buffer), 0) <= 0)
        break;
    }
  }
  close(fd);
}

bool HttpTestServer::SendAll(int fd, const char* data, size_t size) {
  size_t sent = 0;
  while (sent < size && !Stopping()) {
    ssize_t n = send(fd, data + sent, size - sent, MSG_NOSIGNAL);
    if (n <= 0)
      return false;
    sent += static_cast<size_t>(n);
  }
  return sent == size;
}

int UnusedLoopbackPort() {
  int fd = BindLoopback(0);
  if (fd < 0)
    return 0;
  int port = LocalPort(fd);
  close(fd);
  return port;
}

}  // namespace test
