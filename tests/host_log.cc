#include "tests/host_log.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>

namespace test {

namespace {

// Handles above any real window's and unique per process and object.
uint32_t NextTestHwnd() {
  static std::atomic<uint32_t> counter{0};
  return 2000000000u + (static_cast<uint32_t>(getpid()) % 100000u) * 1000u +
         (counter++ % 1000u);
}

// True when a host endpoint for |hwnd| is bound in this network namespace.
bool HostEndpointBound(uint32_t hwnd) {
  std::string needle = "@win32.hwnd." + std::to_string(hwnd) + "\n";
  return ReadFileOrEmpty("/proc/net/unix").find(needle) != std::string::npos;
}

}  // namespace

HostLog::HostLog() : hwnd_(NextTestHwnd()) {}

bool HostLog::Start(const std::string& host_binary,
                    const std::vector<std::string>& extra_args) {
  std::vector<std::string> args = {HwndSwitch(),
                                   "--log=" + dir_.path() + "/host.log",
                                   "--exit-after-ms=120000"};
  args.insert(args.end(), extra_args.begin(), extra_args.end());
  if (!process_.Start(host_binary, args))
    return false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    if (HostEndpointBound(hwnd_))
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

bool HostLog::Exited() const {
  std::string log = ReadFileOrEmpty(dir_.path() + "/host.log");
  return log.size() >= 5 && log.compare(log.size() - 5, 5, "exit\n") == 0;
}

std::vector<uint32_t> HostLog::Messages() const {
  std::vector<uint32_t> messages;
  std::istringstream lines(ReadFileOrEmpty(dir_.path() + "/host.log"));
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string kind;
    uint32_t message = 0;
    if (fields >> kind >> message && kind == "message")
      messages.push_back(message);
  }
  return messages;
}

std::vector<uint32_t> HostLog::MessagesSettled(size_t expected) const {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (Messages().size() < expected &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  return Messages();
}

}  // namespace test
