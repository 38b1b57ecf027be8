// The demonstration host as a process: its start line, the messages posted
// to its endpoint, its ways of ending, and the version it carries.
#include <signal.h>
#include <stddef.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/file_path.h"
#include "base/file_version_info.h"
#include "tests/child_process.h"
#include "tests/test_files.h"
#include "tools/version_resource/version_resource_writer.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

using test::ReadFileOrEmpty;
using test::ScopedTempDir;

constexpr std::chrono::milliseconds kDeadline(10000);

// Starts the host with its standard output sent to |stdout_path|.
bool StartHost(test::ChildProcess* host,
               const std::string& binary,
               const std::vector<std::string>& arguments,
               const std::string& stdout_path) {
  return host->Start(binary, arguments, std::string(), std::string(), {},
                     stdout_path);
}

// The host's exit code once it has ended, or -1 when it has not ended within
// the deadline.
int WaitForExit(test::ChildProcess* host) {
  int exit_code = -1;
  return host->Wait(kDeadline, &exit_code) ? exit_code : -1;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);)
    lines.push_back(line);
  return lines;
}

// Waits until |path| holds at least |count| lines; returns what it holds.
std::vector<std::string> WaitForLines(const std::string& path, size_t count) {
  const auto deadline = Clock::now() + kDeadline;
  std::vector<std::string> lines = Lines(ReadFileOrEmpty(path));
  while (lines.size() < count && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    lines = Lines(ReadFileOrEmpty(path));
  }
  return lines;
}

uint32_t TestHwnd(uint32_t index) {
  return 1500000000u + (static_cast<uint32_t>(getpid()) % 100000u) * 100u +
         index;
}

// Sends |bytes| as one datagram to the endpoint of |hwnd|.
bool SendDatagram(uint32_t hwnd, const std::vector<uint8_t>& bytes) {
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return false;
  sockaddr_un address;
  memset(&address, 0, sizeof(address));
  address.sun_family = AF_UNIX;
  const std::string name = "win32.hwnd." + std::to_string(hwnd);
  memcpy(address.sun_path + 1, name.data(), name.size());
  const socklen_t size =
      static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  const bool sent = sendto(fd, bytes.data(), bytes.size(), 0,
                           reinterpret_cast<sockaddr*>(&address),
                           size) == static_cast<ssize_t>(bytes.size());
  close(fd);
  return sent;
}

std::vector<uint8_t> Message(uint32_t message,
                             uint64_t wparam,
                             uint64_t lparam) {
  std::vector<uint8_t> bytes(24, 0);
  for (int i = 0; i < 4; ++i)
    bytes[i] = static_cast<uint8_t>(message >> (8 * i));
  for (int i = 0; i < 8; ++i) {
    bytes[8 + i] = static_cast<uint8_t>(wparam >> (8 * i));
    bytes[16 + i] = static_cast<uint8_t>(lparam >> (8 * i));
  }
  return bytes;
}

TEST(DemoHostTest, RecordsStartAndEachWellFormedMessage) {
  ScopedTempDir dir;
  const std::string log = dir.path() + "/host.log";
  const uint32_t hwnd = TestHwnd(0);
  const std::string hwnd_switch = "--hwnd=" + std::to_string(hwnd);
  test::ChildProcess host;
  ASSERT_TRUE(StartHost(
      &host, DEMO_HOST_PATH,
      {hwnd_switch, "--log=" + log, "--exit-on=1125", "-launch", "-auto"},
      dir.path() + "/stdout"));
  ASSERT_EQ(1u, WaitForLines(log, 1).size());

  ASSERT_TRUE(SendDatagram(hwnd, Message(1124, 0, 0)));
  std::vector<uint8_t> short_datagram = Message(1126, 0, 0);
  short_datagram.pop_back();
  ASSERT_TRUE(SendDatagram(hwnd, short_datagram));
  std::vector<uint8_t> long_datagram = Message(1126, 0, 0);
  long_datagram.push_back(0);
  ASSERT_TRUE(SendDatagram(hwnd, long_datagram));
  ASSERT_TRUE(SendDatagram(hwnd, Message(1127, 7, 0x123456789abcdefull)));
  ASSERT_TRUE(SendDatagram(hwnd, Message(1125, 0, 0)));
  EXPECT_EQ(0, WaitForExit(&host));

  const std::vector<std::string> expected = {
      "start " + hwnd_switch + " --log=" + log +
          " --exit-on=1125 -launch -auto",
      "message 1124 0 0",
      "message 1127 7 81985529216486895",
      "message 1125 0 0",
      "exit",
  };
  EXPECT_EQ(expected, Lines(ReadFileOrEmpty(log)));
  EXPECT_EQ(expected, Lines(ReadFileOrEmpty(dir.path() + "/stdout")));
}

TEST(DemoHostTest, EndsWhenTheDeadlinePasses) {
  ScopedTempDir dir;
  const std::string log = dir.path() + "/host.log";
  test::ChildProcess host;
  ASSERT_TRUE(StartHost(&host, DEMO_HOST_PATH,
                        {"--log=" + log, "--exit-after-ms=50"},
                        dir.path() + "/stdout"));
  EXPECT_EQ(0, WaitForExit(&host));
  const std::vector<std::string> expected = {
      "start --log=" + log + " --exit-after-ms=50", "exit"};
  EXPECT_EQ(expected, Lines(ReadFileOrEmpty(log)));
}

// A user who closes the host a moment after the update is verified: the
// messages of that moment still arrive.
TEST(DemoHostTest, EndsAWhileAfterTheAwaitedMessage) {
  ScopedTempDir dir;
  const std::string log = dir.path() + "/host.log";
  const uint32_t hwnd = TestHwnd(2);
  test::ChildProcess host;
  ASSERT_TRUE(StartHost(&host, DEMO_HOST_PATH,
                        {"--hwnd=" + std::to_string(hwnd), "--log=" + log,
                         "--exit-on=1126", "--exit-delay-ms=300"},
                        dir.path() + "/stdout"));
  ASSERT_EQ(1u, WaitForLines(log, 1).size());
  ASSERT_TRUE(SendDatagram(hwnd, Message(1126, 0, 0)));
  ASSERT_EQ(2u, WaitForLines(log, 2).size());
  ASSERT_TRUE(SendDatagram(hwnd, Message(1127, 0, 0)));
  EXPECT_EQ(0, WaitForExit(&host));
  const std::vector<std::string> lines = Lines(ReadFileOrEmpty(log));
  EXPECT_EQ((std::vector<std::string>{"message 1126 0 0", "message 1127 0 0",
                                      "exit"}),
            std::vector<std::string>(lines.begin() + 1, lines.end()));
}

TEST(DemoHostTest, EndsOnTerminateSignal) {
  ScopedTempDir dir;
  const std::string log = dir.path() + "/host.log";
  test::ChildProcess host;
  ASSERT_TRUE(StartHost(&host, DEMO_HOST_PATH, {"--log=" + log},
                        dir.path() + "/stdout"));
  ASSERT_EQ(1u, WaitForLines(log, 1).size());
  host.Signal(SIGTERM);
  EXPECT_EQ(0, WaitForExit(&host));
  EXPECT_EQ("exit", Lines(ReadFileOrEmpty(log)).back());
}

TEST(DemoHostTest, AppendsToItsDefaultLogBesideTheExecutable) {
  ScopedTempDir dir;
  const std::string copy = dir.path() + "/Mirovue.exe";
  fs::copy_file(DEMO_HOST_PATH, copy);
  for (const char* arguments : {"-launch", "-launch -auto"}) {
    std::vector<std::string> split;
    std::istringstream words(arguments);
    for (std::string word; words >> word;)
      split.push_back(word);
    split.push_back("--exit-after-ms=0");
    test::ChildProcess host;
    ASSERT_TRUE(StartHost(&host, copy, split, dir.path() + "/stdout"));
    EXPECT_EQ(0, WaitForExit(&host));
  }
  const std::vector<std::string> expected = {
      "start -launch --exit-after-ms=0", "exit",
      "start -launch -auto --exit-after-ms=0", "exit"};
  EXPECT_EQ(expected, Lines(ReadFileOrEmpty(dir.path() + "/host.log")));
}

TEST(DemoHostTest, RefusesAWindowHandleAlreadyTaken) {
  ScopedTempDir dir;
  const uint32_t hwnd = TestHwnd(1);
  const std::string hwnd_switch = "--hwnd=" + std::to_string(hwnd);
  test::ChildProcess first;
  ASSERT_TRUE(StartHost(&first, DEMO_HOST_PATH,
                        {hwnd_switch, "--log=" + dir.path() + "/first.log"},
                        dir.path() + "/stdout1"));
  ASSERT_EQ(1u, WaitForLines(dir.path() + "/first.log", 1).size());
  test::ChildProcess second;
  ASSERT_TRUE(StartHost(&second, DEMO_HOST_PATH,
                        {hwnd_switch, "--log=" + dir.path() + "/second.log"},
                        dir.path() + "/stdout2"));
  EXPECT_EQ(1, WaitForExit(&second));
  EXPECT_EQ("", ReadFileOrEmpty(dir.path() + "/second.log"));
}

TEST(DemoHostTest, CarriesTheVersionItWasBuiltWith) {
  auto info = base::FileVersionInfo::ForFile(
      base::FilePath::FromSystemPath(DEMO_HOST_PATH));
  ASSERT_TRUE(info);
  EXPECT_EQ(u"" DEMO_HOST_VERSION, info->FileVersion());
}

TEST(DemoHostTest, CopyCanBeGivenANewVersionAndStillRuns) {
  ScopedTempDir dir;
  const std::string copy = dir.path() + "/Mirovue.exe";
  fs::copy_file(DEMO_HOST_PATH, copy);
  for (const char16_t* version : {u"2, 0, 0, 1", u"1.0 beta"}) {
    tools::VersionResourceOptions options =
        tools::OptionsForFileVersion(version);
    std::string error;
    ASSERT_TRUE(tools::SetElfResourceSection(
        copy,
        tools::BuildResourceSection(tools::BuildVersionInfo(options), 0x0804,
                                    0),
        &error))
        << error;
    auto info =
        base::FileVersionInfo::ForFile(base::FilePath::FromSystemPath(copy));
    ASSERT_TRUE(info);
    EXPECT_EQ(version, info->FileVersion());
  }
  test::ChildProcess host;
  ASSERT_TRUE(
      StartHost(&host, copy, {"--exit-after-ms=0"}, dir.path() + "/stdout"));
  EXPECT_EQ(0, WaitForExit(&host));
}

}  // namespace
