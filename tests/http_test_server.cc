#include "tests/http_test_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
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
    case 200:
      return "OK";
    case 206:
      return "Partial Content";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 404:
      return "Not Found";
    case 408:
      return "Request Timeout";
    case 416:
      return "Range Not Satisfiable";
    case 429:
      return "Too Many Requests";
    case 500:
      return "Internal Server Error";
    case 503:
      return "Service Unavailable";
    default:
      return "Status";
  }
}

std::string Lower(std::string text) {
  for (char& c : text)
    c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  const size_t last = text.find_last_not_of(" \t");
  return first == std::string::npos ? std::string()
                                    : text.substr(first, last - first + 1);
}

// The request line's target and the header fields of |head|.
HttpRequest ParseRequest(const std::string& head) {
  HttpRequest request;
  const size_t line_end = head.find("\r\n");
  const std::string line = head.substr(0, line_end);
  const size_t target_start = line.find(' ');
  const size_t target_end = line.find(' ', target_start + 1);
  if (target_start != std::string::npos && target_end != std::string::npos)
    request.target =
        line.substr(target_start + 1, target_end - target_start - 1);
  for (size_t at = line_end; at != std::string::npos && at + 2 < head.size();) {
    const size_t next = head.find("\r\n", at + 2);
    const std::string field = head.substr(
        at + 2, next == std::string::npos ? std::string::npos : next - at - 2);
    const size_t colon = field.find(':');
    if (colon != std::string::npos)
      request.headers[Lower(field.substr(0, colon))] =
          Trim(field.substr(colon + 1));
    at = next;
  }
  return request;
}

// The path of |target|: itself, or the path of an absolute address.
std::string PathOf(const std::string& target, bool* absolute) {
  const size_t scheme_end = target.find("://");
  *absolute = target.rfind("http", 0) == 0 && scheme_end != std::string::npos;
  if (!*absolute)
    return target;
  const size_t path_start = target.find('/', scheme_end + 3);
  return path_start == std::string::npos ? "/" : target.substr(path_start);
}

// N of a "bytes=N-" range; false for any other range.
bool OpenRangeStart(const std::string& range, size_t* start) {
  const std::string prefix = "bytes=";
  if (range.rfind(prefix, 0) != 0 || range.size() < prefix.size() + 2 ||
      range.back() != '-')
    return false;
  const std::string digits =
      range.substr(prefix.size(), range.size() - prefix.size() - 1);
  if (digits.find_first_not_of("0123456789") != std::string::npos)
    return false;
  *start = std::stoull(digits);
  return true;
}

}  // namespace

std::string HttpRequest::Header(const std::string& lower_case_name) const {
  auto it = headers.find(lower_case_name);
  return it == headers.end() ? std::string() : it->second;
}

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
  SetResponses(path, {response});
}

void HttpTestServer::SetResponses(const std::string& path,
                                  const std::vector<HttpResponse>& responses) {
  std::vector<std::shared_ptr<const HttpResponse>> shared;
  for (const HttpResponse& response : responses)
    shared.push_back(std::make_shared<const HttpResponse>(response));
  std::lock_guard<std::mutex> lock(mutex_);
  responses_[path] = shared;
}

int HttpTestServer::RequestCount(const std::string& path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = requests_.find(path);
  return it == requests_.end() ? 0 : static_cast<int>(it->second.size());
}

std::vector<HttpRequest> HttpTestServer::Requests(
    const std::string& path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = requests_.find(path);
  return it == requests_.end() ? std::vector<HttpRequest>() : it->second;
}

std::vector<std::string> HttpTestServer::Targets(
    const std::string& path) const {
  std::vector<std::string> targets;
  for (const HttpRequest& request : Requests(path))
    targets.push_back((request.proxied ? "proxy " : "") + request.target);
  return targets;
}

uint64_t HttpTestServer::BodyBytesSent(const std::string& path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = body_bytes_sent_.find(path);
  return it == body_bytes_sent_.end() ? 0 : it->second;
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
  std::string head_in;
  char buffer[4096];
  while (head_in.find("\r\n\r\n") == std::string::npos && !Stopping()) {
    pollfd waiting = {fd, POLLIN, 0};
    if (poll(&waiting, 1, kPollMs) <= 0)
      continue;
    ssize_t got = recv(fd, buffer, sizeof(buffer), 0);
    if (got <= 0)
      break;
    head_in.append(buffer, static_cast<size_t>(got));
  }
  HttpRequest request = ParseRequest(head_in);
  request.received = std::chrono::steady_clock::now();
  const std::string path = PathOf(request.target, &request.proxied);
  std::shared_ptr<const HttpResponse> found;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<HttpRequest>& earlier = requests_[path];
    const size_t index = earlier.size();
    earlier.push_back(request);
    auto it = responses_.find(path);
    if (it != responses_.end() && !it->second.empty())
      found = it->second[std::min(index, it->second.size() - 1)];
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
    body_size = body_fd >= 0 && fstat(body_fd, &info) == 0
                    ? static_cast<size_t>(info.st_size)
                    : 0;
  }
  if (body_fd >= 0)
    close(body_fd);
  // The part of the body this answer carries: [from, to).
  int status = response.status;
  size_t from = 0;
  size_t to = body_size;
  std::string range_field;
  size_t range_start = 0;
  const std::string if_range = request.Header("if-range");
  if (response.honour_range && status == 200 &&
      OpenRangeStart(request.Header("range"), &range_start) &&
      (if_range.empty() || if_range == response.etag ||
       (!response.last_modified.empty() &&
        if_range == response.last_modified))) {
    if (range_start >= body_size) {
      status = 416;
      from = to = 0;
      range_field = "bytes */" + std::to_string(body_size);
    } else {
      status = 206;
      from = range_start;
      range_field = "bytes " + std::to_string(from) + "-" +
                    std::to_string(body_size - 1) + "/" +
                    std::to_string(body_size);
    }
  }
  std::string head = "HTTP/1.1 " + std::to_string(status) + " " +
                     ReasonPhrase(status) + "\r\n";
  head += "Content-Type: " + response.content_type + "\r\n";
  const std::pair<const char*, const std::string*> fields[] = {
      {"Location", &response.location},
      {"ETag", &response.etag},
      {"Last-Modified", &response.last_modified},
      {"Retry-After", &response.retry_after},
      {"Content-Range", &range_field},
  };
  for (const auto& field : fields) {
    if (!field.second->empty())
      head += std::string(field.first) + ": " + *field.second + "\r\n";
  }
  if (response.honour_range)
    head += "Accept-Ranges: bytes\r\n";
  if (response.send_length || !response.body_file.empty())
    head += "Content-Length: " + std::to_string(to - from) + "\r\n";
  head += "Connection: close\r\n\r\n";

  const size_t stop = std::min(to, std::max(from, response.cut_after));
  if (response.body_file.empty() && response.leading_blanks == 0) {
    // Head and body in one send, so that small responses go out at once.
    std::string out = head + response.body.substr(from, stop - from);
    if (SendAll(fd, out.data(), out.size())) {
      std::lock_guard<std::mutex> lock(mutex_);
      body_bytes_sent_[path] += stop - from;
    }
  } else if (SendAll(fd, head.data(), head.size())) {
    SendBody(fd, response, from, stop, path);
  }
  if (stop < to && !response.drop_at_cut) {
    // Stall: hold the connection open, sending nothing, until the client
    // gives up or the server stops.
    while (!Stopping()) {
      pollfd waiting = {fd, POLLIN, 0};
      if (poll(&waiting, 1, kPollMs) > 0 &&
          recv(fd, buffer, sizeof(buffer), 0) <= 0)
        break;
    }
  }
  close(fd);
}

bool HttpTestServer::SendBody(int fd,
                              const HttpResponse& response,
                              size_t from,
                              size_t to,
                              const std::string& path) {
  size_t at = from;
  const auto sent = [&](size_t bytes) {
    at += bytes;
    std::lock_guard<std::mutex> lock(mutex_);
    body_bytes_sent_[path] += bytes;
  };
  if (!response.body_file.empty()) {
    const int body_fd = open(response.body_file.c_str(), O_RDONLY | O_CLOEXEC);
    off_t offset = static_cast<off_t>(from);
    while (body_fd >= 0 && at < to && !Stopping()) {
      const ssize_t n = sendfile(fd, body_fd, &offset, to - at);
      if (n <= 0)
        break;
      sent(static_cast<size_t>(n));
    }
    if (body_fd >= 0)
      close(body_fd);
    return at == to;
  }
  const std::string chunk(64 << 10, ' ');
  while (at < std::min(to, response.leading_blanks)) {
    const size_t piece =
        std::min(std::min(to, response.leading_blanks) - at, chunk.size());
    if (!SendAll(fd, chunk.data(), piece))
      return false;
    sent(piece);
  }
  if (at < to) {
    const size_t text_from = at - response.leading_blanks;
    if (!SendAll(fd, response.body.data() + text_from, to - at))
      return false;
    sent(to - at);
  }
  return true;
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
