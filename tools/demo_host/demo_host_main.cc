// Mirovue.exe, the demonstration host: records each start and every window
// message posted to its endpoint, one line each, in a log file and on
// standard output. Single-threaded.
//
//   --hwnd=N           receive messages for window handle N
//   --log=FILE         log file (default: host.log beside the executable)
//   --exit-after-ms=M  exit after M milliseconds
//   --exit-on=MSG      exit once message MSG has arrived
//   --exit-delay-ms=D  with --exit-on: exit D milliseconds after it, as a
//                      user who closes the program a moment later would
// Without a deadline it runs until SIGTERM or SIGINT; it records "exit" as
// it ends. The endpoint is bound before the start line is written, so a
// reader that sees the line can post.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "base/scoped_fd.h"

namespace {

using base::ScopedFd;

constexpr size_t kDatagramSize = 24;

struct Options {
  std::optional<uint32_t> hwnd;
  std::string log_path;
  std::optional<uint64_t> exit_after_ms;
  std::optional<uint32_t> exit_on;
  uint64_t exit_delay_ms = 0;
};

bool ParseNumber(std::string_view text, uint64_t max, uint64_t* value) {
  if (text.empty() || text.size() > 20)
    return false;
  uint64_t result = 0;
  for (char c : text) {
    if (c < '0' || c > '9' || result > (max - (c - '0')) / 10)
      return false;
    result = result * 10 + (c - '0');
  }
  *value = result;
  return true;
}

// Reads the switches meant for this program; every other argument is only
// recorded, as a real host would accept "-launch" and "-auto".
bool ParseOptions(int argc, char** argv, Options* options, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    const size_t equals = argument.find('=');
    const std::string_view name = argument.substr(0, equals);
    const std::string_view value = equals == std::string_view::npos
                                       ? std::string_view()
                                       : argument.substr(equals + 1);
    uint64_t number = 0;
    if (name == "--hwnd") {
      if (!ParseNumber(value, UINT32_MAX, &number))
        return *error = "bad --hwnd", false;
      options->hwnd = static_cast<uint32_t>(number);
    } else if (name == "--log") {
      if (value.empty())
        return *error = "bad --log", false;
      options->log_path = value;
    } else if (name == "--exit-after-ms") {
      if (!ParseNumber(value, INT32_MAX, &number))
        return *error = "bad --exit-after-ms", false;
      options->exit_after_ms = number;
    } else if (name == "--exit-on") {
      if (!ParseNumber(value, UINT32_MAX, &number))
        return *error = "bad --exit-on", false;
      options->exit_on = static_cast<uint32_t>(number);
    } else if (name == "--exit-delay-ms") {
      if (!ParseNumber(value, INT32_MAX, &number))
        return *error = "bad --exit-delay-ms", false;
      options->exit_delay_ms = number;
    }
  }
  return true;
}

std::string DefaultLogPath() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length <= 0)
    return "host.log";
  std::string executable(path, static_cast<size_t>(length));
  return executable.substr(0, executable.rfind('/') + 1) + "host.log";
}

// The endpoint of a window handle: the abstract socket "win32.hwnd.<N>".
ScopedFd BindEndpoint(uint32_t hwnd) {
  ScopedFd fd(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!fd.is_valid())
    return fd;
  sockaddr_un address;
  memset(&address, 0, sizeof(address));
  address.sun_family = AF_UNIX;
  const int length =
      snprintf(address.sun_path + 1, sizeof(address.sun_path) - 1,
               "win32.hwnd.%u", hwnd);
  const socklen_t size =
      static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
  if (bind(fd.get(), reinterpret_cast<sockaddr*>(&address), size) != 0)
    return ScopedFd();
  return fd;
}

uint64_t LoadLittleEndian(const uint8_t* bytes, size_t size) {
  uint64_t value = 0;
  for (size_t i = size; i > 0; --i)
    value = (value << 8) | bytes[i - 1];
  return value;
}

// Writes one line with a single append, so it is on disk at once and whole.
void Record(int log, const std::string& text) {
  const std::string line = text + "\n";
  if (write(log, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
    perror("Mirovue.exe: log");
  fputs(line.c_str(), stdout);
  fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string error;
  if (!ParseOptions(argc, argv, &options, &error)) {
    fprintf(stderr, "Mirovue.exe: %s\n", error.c_str());
    return 2;
  }
  if (options.log_path.empty())
    options.log_path = DefaultLogPath();
  ScopedFd log(open(options.log_path.c_str(),
                    O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
  if (!log.is_valid()) {
    fprintf(stderr, "Mirovue.exe: cannot open %s: %s\n",
            options.log_path.c_str(), strerror(errno));
    return 1;
  }

  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  sigprocmask(SIG_BLOCK, &stop_signals, nullptr);
  ScopedFd signals(signalfd(-1, &stop_signals, SFD_CLOEXEC));

  ScopedFd endpoint;
  if (options.hwnd) {
    endpoint = BindEndpoint(*options.hwnd);
    if (!endpoint.is_valid()) {
      fprintf(stderr,
              "Mirovue.exe: cannot bind the endpoint of window %u: %s\n",
              *options.hwnd, strerror(errno));
      return 1;
    }
  }

  std::string start = "start";
  for (int i = 1; i < argc; ++i)
    start += std::string(" ") + argv[i];
  Record(log.get(), start);

  using Clock = std::chrono::steady_clock;
  std::optional<Clock::time_point> deadline =
      options.exit_after_ms
          ? std::optional<Clock::time_point>(
                Clock::now() +
                std::chrono::milliseconds(*options.exit_after_ms))
          : std::nullopt;
  while (true) {
    int timeout = -1;
    if (deadline) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(
          *deadline - Clock::now());
      if (left.count() <= 0)
        break;
      timeout = static_cast<int>(left.count());
    }
    pollfd watched[2] = {{signals.get(), POLLIN, 0},
                         {endpoint.get(), POLLIN, 0}};
    const int ready = poll(watched, endpoint.is_valid() ? 2 : 1, timeout);
    if (ready < 0 && errno != EINTR) {
      perror("Mirovue.exe: poll");
      return 1;
    }
    if (ready <= 0)
      continue;
    if (watched[0].revents != 0)
      break;
    if (watched[1].revents == 0)
      continue;
    uint8_t datagram[kDatagramSize + 1];
    // MSG_TRUNC reports the datagram's real size, so a longer one is seen as
    // malformed rather than cut down to a plausible message.
    const ssize_t size = recv(endpoint.get(), datagram, sizeof(datagram),
                              MSG_TRUNC | MSG_DONTWAIT);
    if (size != static_cast<ssize_t>(kDatagramSize))
      continue;
    const uint32_t message =
        static_cast<uint32_t>(LoadLittleEndian(datagram, 4));
    const uint64_t wparam = LoadLittleEndian(datagram + 8, 8);
    const uint64_t lparam = LoadLittleEndian(datagram + 16, 8);
    Record(log.get(), "message " + std::to_string(message) + " " +
                          std::to_string(wparam) + " " +
                          std::to_string(lparam));
    if (options.exit_on && *options.exit_on == message) {
      if (options.exit_delay_ms == 0)
        break;
      deadline =
          Clock::now() + std::chrono::milliseconds(options.exit_delay_ms);
    }
  }
  Record(log.get(), "exit");
  return 0;
}
