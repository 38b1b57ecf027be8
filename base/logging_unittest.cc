#include "base/logging.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/child_process.h"
#include "tests/test_files.h"

namespace logging {
namespace {

namespace fs = std::filesystem;

// A child process of this test binary does one thing, named by this
// variable, before main() runs, and exits.
constexpr char kChildActionVariable[] = "LOGGING_UNITTEST_CHILD";
constexpr char kChildLogFileVariable[] = "LOGGING_UNITTEST_LOG_FILE";
constexpr int kLinesPerWriter = 2000;
const std::string kPayload(200, 'x');

bool RunChildActionIfAsked() {
  const char* action = getenv(kChildActionVariable);
  if (!action)
    return false;
  if (const char* log_file = getenv(kChildLogFileVariable))
    SetLogFileForTesting(log_file);
  const std::string name(action);
  if (name == "info") {
    LOG(INFO) << "child line";
  } else if (name == "fatal") {
    LOG(FATAL) << "fatal message";
  } else if (name == "check") {
    const int one = 1;
    const int two = 2;
    CHECK_EQ(one, two) << "after";
  } else if (name.rfind("writer", 0) == 0) {
    for (int i = 0; i < kLinesPerWriter; ++i)
      LOG(INFO) << name << " " << i << " " << kPayload;
  }
  _exit(0);
}

const bool g_child_ran = RunChildActionIfAsked();

using ::test::ReadFileOrEmpty;
using ::test::ScopedTempDir;

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

constexpr auto kChildDeadline = std::chrono::seconds(60);

struct ChildOptions {
  std::string executable;   // Empty: this test binary.
  std::string action;
  std::string log_file;     // Empty: the child's default log file.
  std::string working_dir;  // Empty: this process's.
  std::string stderr_file;  // Empty: this process's.
};

bool StartChild(const ChildOptions& options, test::ChildProcess* child) {
  const std::string exe = options.executable.empty()
                              ? fs::read_symlink("/proc/self/exe").string()
                              : options.executable;
  std::vector<std::string> environment = {std::string(kChildActionVariable) +
                                          "=" + options.action};
  if (!options.log_file.empty())
    environment.push_back(std::string(kChildLogFileVariable) + "=" +
                          options.log_file);
  return child->Start(exe, {}, options.working_dir, options.stderr_file,
                      environment);
}

// The child's exit code (128 + signal when a signal ended it), or -1 when it
// could not be started or did not end within the deadline (it is then
// killed).
int RunChild(const ChildOptions& options) {
  test::ChildProcess child;
  int exit_code = -1;
  if (!StartChild(options, &child) || !child.Wait(kChildDeadline, &exit_code))
    return -1;
  return exit_code;
}

// Sends this process's standard error into a file while it lives.
class ScopedStderrToFile {
 public:
  explicit ScopedStderrToFile(const fs::path& path)
      : saved_(dup(STDERR_FILENO)) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_GE(fd, 0);
    dup2(fd, STDERR_FILENO);
    close(fd);
  }
  ~ScopedStderrToFile() {
    dup2(saved_, STDERR_FILENO);
    close(saved_);
  }

 private:
  const int saved_;
};

std::string g_fatal_text;
void RecordFatal(const std::string& text) {
  g_fatal_text = text;
}

// Points logging at a private file for each test.
class LoggingTest : public testing::Test {
 protected:
  void SetUp() override {
    log_file_ = fs::path(temp_dir_.path()) / "test.log";
    stderr_file_ = fs::path(temp_dir_.path()) / "stderr.txt";
    SetLogFileForTesting(log_file_.string());
  }
  void TearDown() override {
    SetLogFileForTesting("");
    SetFatalHookForTesting(nullptr);
    SetDebugChecksEnabledForTesting(false);
  }
  std::string LogText() const { return ReadFileOrEmpty(log_file_); }

  ScopedTempDir temp_dir_;
  fs::path log_file_;
  fs::path stderr_file_;
};

// "MMDD/HHMMSS:" of each second from |from| to |to|.
std::vector<std::string> StampsBetween(time_t from, time_t to) {
  std::vector<std::string> stamps;
  for (time_t t = from; t <= to; ++t) {
    tm local;
    localtime_r(&t, &local);
    char stamp[32];
    strftime(stamp, sizeof(stamp), "%m%d/%H%M%S:", &local);
    stamps.push_back(stamp);
  }
  return stamps;
}

TEST_F(LoggingTest, PrefixCarriesLocalStampSeverityFileNameAndLine) {
  SetFatalHookForTesting(&RecordFatal);
  ScopedStderrToFile quiet(stderr_file_);
  struct Case {
    const char* file;
    int severity;
    const char* expected_name;
    const char* expected_file;
  } cases[] = {
      {"/work/base/logging.cc", LOG_INFO, "INFO", "logging.cc"},
      {"C:\\src\\base/threading\\thread.cc", LOG_WARNING, "WARNING",
       "thread.cc"},
      {"src/ui\\main_dlg.cpp", LOG_ERROR, "ERROR", "main_dlg.cpp"},
      {"plain.cc", LOG_ERROR_REPORT, "ERROR_REPORT", "plain.cc"},
      {"a\\b\\c.h", LOG_FATAL, "FATAL", "c.h"},
      {"x/verbose.cc", LOG_VERBOSE, "VERBOSE1", "verbose.cc"},
      {"x/verbose.cc", -2, "VERBOSE2", "verbose.cc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    SCOPED_TRACE(c.expected_name);
    fs::remove(log_file_);
    SetLogFileForTesting(log_file_.string());
    const time_t before = time(nullptr);
    LogLine(c.file, 199, static_cast<LogSeverity>(c.severity)).stream()
        << "message " << 42;
    const time_t after = time(nullptr);

    const std::string text = LogText();
    const std::string tail = std::string(c.expected_name) + ":" +
                             c.expected_file + "(199)] message 42\n";
    ASSERT_EQ(text.size(), 13u + tail.size()) << text;
    EXPECT_EQ(text[0], '[');
    const std::vector<std::string> stamps = StampsBetween(before, after);
    EXPECT_NE(std::find(stamps.begin(), stamps.end(), text.substr(1, 12)),
              stamps.end())
        << text;
    EXPECT_EQ(text.substr(13), tail);
  }
}

TEST_F(LoggingTest, MissingFileIsCreatedAndExistingFileIsAppendedTo) {
  ASSERT_FALSE(fs::exists(log_file_));
  LOG(INFO) << "first";
  std::vector<std::string> lines = SplitLines(LogText());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("] first"), std::string::npos);

  // A later run opens the file anew and keeps what is there.
  SetLogFileForTesting(log_file_.string());
  LOG(WARNING) << "second";
  lines = SplitLines(LogText());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("] first"), std::string::npos);
  EXPECT_NE(lines[1].find(":WARNING:"), std::string::npos);
  EXPECT_NE(lines[1].find("] second"), std::string::npos);
}

TEST_F(LoggingTest, WarningGoesOnlyToFileAndErrorAlsoToStandardError) {
  const fs::path& stderr_file = stderr_file_;
  {
    ScopedStderrToFile redirect(stderr_file);
    LOG(INFO) << "info text";
    LOG(WARNING) << "warning text";
    LOG(ERROR) << "error text";
  }
  const std::vector<std::string> file_lines = SplitLines(LogText());
  ASSERT_EQ(file_lines.size(), 3u);
  EXPECT_NE(file_lines[1].find("warning text"), std::string::npos);
  EXPECT_NE(file_lines[2].find("error text"), std::string::npos);

  const std::vector<std::string> stderr_lines =
      SplitLines(ReadFileOrEmpty(stderr_file));
  ASSERT_EQ(stderr_lines.size(), 1u);
  EXPECT_EQ(stderr_lines[0], file_lines[2]);
}

TEST_F(LoggingTest, LastSystemErrorIsTheSameAfterALogStatement) {
  SetFatalHookForTesting(&RecordFatal);
  // A file that cannot be opened makes the statement call failing system
  // functions; the last error must still come back unchanged.
  const fs::path unopenable = fs::path(temp_dir_.path()) / "missing_dir" / "x.log";
  const fs::path cwd = fs::current_path();
  fs::current_path(fs::path(temp_dir_.path()));
  struct Case {
    const char* name;
    fs::path file;
    LogSeverity severity;
  } cases[] = {
      {"written", log_file_, LOG_INFO},
      {"to stderr", log_file_, LOG_ERROR},
      {"fatal hook", log_file_, LOG_FATAL},
      {"unopenable", unopenable, LOG_WARNING},
  };
  const fs::path& stderr_file = stderr_file_;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetLogFileForTesting(c.file.string());
    ScopedStderrToFile redirect(stderr_file);
    errno = EDOM;
    LogLine(__FILE__, __LINE__, c.severity).stream() << "text";
    EXPECT_EQ(errno, EDOM);
  }
  fs::current_path(cwd);
}

TEST_F(LoggingTest, LineThatFindsNoFileIsDroppedAndTheNextLineTriesAgain) {
  // Directories stand where both the log file and the fallback would be.
  const fs::path cwd = fs::current_path();
  const fs::path blocked = fs::path(temp_dir_.path()) / "blocked.log";
  fs::create_directories(blocked);
  fs::create_directories(fs::path(temp_dir_.path()) / "debug.log");
  fs::current_path(fs::path(temp_dir_.path()));
  SetLogFileForTesting(blocked.string());
  LOG(INFO) << "lost";
  fs::remove(blocked);
  LOG(INFO) << "kept";
  fs::current_path(cwd);

  const std::vector<std::string> lines = SplitLines(ReadFileOrEmpty(blocked));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("] kept"), std::string::npos);
}

TEST_F(LoggingTest, ThreadsWritingTheirFirstLinesAtOnceShareTheFile) {
  constexpr int kThreads = 4;
  constexpr int kLines = 500;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kLines; ++i)
        LOG(INFO) << "thread " << t << " line " << i << " " << kPayload;
    });
  }
  for (std::thread& thread : threads)
    thread.join();
  const std::regex line_pattern(
      "\\[\\d{4}/\\d{6}:INFO:logging_unittest\\.cc\\(\\d+\\)\\] "
      "thread (\\d) line (\\d+) x{200}");
  int next_line[kThreads] = {};
  const std::vector<std::string> lines = SplitLines(LogText());
  ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
  for (const std::string& line : lines) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, line_pattern)) << line;
    EXPECT_EQ(std::stoi(match[2]), next_line[std::stoi(match[1])]++);
  }
}

TEST_F(LoggingTest, WideTextIsWrittenAsUTF8) {
  LOG(INFO) << u"版本 " << std::u16string(u"\U0001F600") << " "
            << std::u16string(1, char16_t{0xD800}) << " end";
  const std::string text = LogText();
  EXPECT_NE(text.find("] 版本 \xF0\x9F\x98\x80 \xEF\xBF\xBD end\n"),
            std::string::npos)
      << text;
}

TEST_F(LoggingTest, FailedChecksCarryTheirConditionAndValues) {
  SetFatalHookForTesting(&RecordFatal);
  ScopedStderrToFile quiet(stderr_file_);
  const int a = 1;
  const int b = 2;
  struct Case {
    const char* name;
    void (*run)(int, int);
    const char* expected;
  } cases[] = {
      {"CHECK", [](int x, int) { CHECK(x > 5) << "more"; },
       "Check failed: x > 5. more\n"},
      {"CHECK_EQ", [](int a, int b) { CHECK_EQ(a, b); },
       "Check failed: a == b (1 vs. 2)\n"},
      {"CHECK_GE", [](int a, int b) { CHECK_GE(a, b) << "!"; },
       "Check failed: a >= b (1 vs. 2)!\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_fatal_text.clear();
    c.run(a, b);
    const std::string expected_tail = std::string(")] ") + c.expected;
    ASSERT_GE(g_fatal_text.size(), expected_tail.size());
    EXPECT_EQ(g_fatal_text.substr(g_fatal_text.size() - expected_tail.size()),
              expected_tail);
    EXPECT_NE(g_fatal_text.find(":FATAL:logging_unittest.cc("),
              std::string::npos);
  }
  g_fatal_text.clear();
  CHECK_EQ(a, 1);
  CHECK(b == 2);
  CHECK_LT(a, b);
  EXPECT_EQ(g_fatal_text, "");
}

TEST_F(LoggingTest, DebugChecksAreDormantByDefault) {
  int evaluations = 0;
  auto fails = [&evaluations] {
    ++evaluations;
    return false;
  };
  DCHECK(fails());
  DCHECK_EQ(fails(), true);
  NOTREACHED() << "unreachable";
  EXPECT_EQ(evaluations, 0);
  EXPECT_FALSE(fs::exists(log_file_));

  // Switched on, the same checks log at ERROR_REPORT.
  ScopedStderrToFile quiet(stderr_file_);
  SetDebugChecksEnabledForTesting(true);
  DCHECK(fails());
  DCHECK_EQ(fails(), true);
  NOTREACHED() << "unreachable";
  EXPECT_EQ(evaluations, 2);
  const std::vector<std::string> lines = SplitLines(LogText());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find(":ERROR_REPORT:"), std::string::npos);
  EXPECT_NE(lines[0].find("] Check failed: fails(). "), std::string::npos);
  EXPECT_NE(lines[1].find("] Check failed: fails() == true (0 vs. 1)"),
            std::string::npos);
  EXPECT_NE(lines[2].find("] Check failed: false. unreachable"),
            std::string::npos);
}

TEST_F(LoggingTest, FatalLineIsWrittenThenTheProcessEndsWithStatusOne) {
  const fs::path& stderr_file = stderr_file_;
  struct Case {
    const char* action;
    const char* expected;
  } cases[] = {
      {"fatal", ")] fatal message"},
      {"check", ")] Check failed: one == two (1 vs. 2)after"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.action);
    fs::remove(log_file_);
    ChildOptions options;
    options.action = c.action;
    options.log_file = log_file_.string();
    options.stderr_file = stderr_file.string();
    ASSERT_EQ(RunChild(options), 1);
    const std::vector<std::string> lines = SplitLines(LogText());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(":FATAL:"), std::string::npos);
    EXPECT_NE(lines[0].find(c.expected), std::string::npos) << lines[0];
    EXPECT_EQ(SplitLines(ReadFileOrEmpty(stderr_file)), lines);
  }
}

TEST_F(LoggingTest, TwoProcessesLoggingAtOnceWriteWholeLines) {
  test::ChildProcess writers[2];
  const char* names[] = {"writerA", "writerB"};
  for (int i = 0; i < 2; ++i) {
    ChildOptions options;
    options.action = names[i];
    options.log_file = log_file_.string();
    ASSERT_TRUE(StartChild(options, &writers[i]));
  }
  for (test::ChildProcess& writer : writers) {
    int exit_code = -1;
    ASSERT_TRUE(writer.Wait(kChildDeadline, &exit_code));
    ASSERT_EQ(exit_code, 0);
  }
  const std::regex line_pattern(
      "\\[\\d{4}/\\d{6}:INFO:logging_unittest\\.cc\\(\\d+\\)\\] "
      "(writer[AB]) (\\d+) x{200}");
  int next_index[2] = {0, 0};
  const std::vector<std::string> lines = SplitLines(LogText());
  ASSERT_EQ(lines.size(), 2u * kLinesPerWriter);
  for (const std::string& line : lines) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, line_pattern)) << line;
    const int writer = match[1] == "writerA" ? 0 : 1;
    // Each writer's lines arrive whole and in its own order.
    EXPECT_EQ(std::stoi(match[2]), next_index[writer]++);
  }
}

// Runs a copy of this binary from |bin_dir| with |cwd| as its current
// directory and its default log file.
int RunCopyOfThisBinary(const fs::path& bin_dir, const fs::path& cwd) {
  const fs::path copy = bin_dir / "logging_child";
  std::error_code error;
  if (!fs::exists(copy))
    fs::copy_file(fs::read_symlink("/proc/self/exe"), copy, error);
  EXPECT_FALSE(error) << error.message();
  ChildOptions options;
  options.executable = copy.string();
  options.action = "info";
  options.working_dir = cwd.string();
  return RunChild(options);
}

TEST_F(LoggingTest, DefaultFileIsDebugLogBesideTheExecutable) {
  const fs::path bin = fs::path(temp_dir_.path()) / "bin";
  const fs::path cwd = fs::path(temp_dir_.path()) / "cwd";
  fs::create_directories(bin);
  fs::create_directories(cwd);
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    ASSERT_EQ(RunCopyOfThisBinary(bin, cwd), 0);
    const std::vector<std::string> lines =
        SplitLines(ReadFileOrEmpty(bin / "debug.log"));
    ASSERT_EQ(lines.size(), static_cast<size_t>(run));
    EXPECT_NE(lines.back().find(":INFO:logging_unittest.cc("),
              std::string::npos);
    EXPECT_NE(lines.back().find(")] child line"), std::string::npos);
    EXPECT_FALSE(fs::exists(cwd / "debug.log"));
  }
}

// The log belongs beside the executable and nowhere else: what stands at its
// name is never followed, and no other place is written instead.
TEST_F(LoggingTest, ALogThatCannotBeOpenedBesideTheExecutableIsWrittenNowhere) {
  const fs::path outside = fs::path(temp_dir_.path()) / "outside.txt";
  const std::function<void(const fs::path&)> kObstacles[] = {
      // Cannot be opened for writing, even by root, for whom a read-only
      // directory is still writable.
      [](const fs::path& log) { fs::create_directories(log); },
      [&](const fs::path& log) { fs::create_symlink(outside, log); },
      [&](const fs::path& log) { fs::create_symlink(fs::path(temp_dir_.path()) / "none", log); },
      [](const fs::path& log) { ASSERT_EQ(0, mkfifo(log.c_str(), 0644)); },
  };
  for (size_t i = 0; i < std::size(kObstacles); ++i) {
    SCOPED_TRACE(i);
    const fs::path bin = fs::path(temp_dir_.path()) / ("bin" + std::to_string(i));
    const fs::path cwd = fs::path(temp_dir_.path()) / ("cwd" + std::to_string(i));
    fs::create_directories(bin);
    fs::create_directories(cwd);
    { std::ofstream(outside, std::ios::trunc) << "not the log\n"; }
    kObstacles[i](bin / "debug.log");

    ASSERT_EQ(RunCopyOfThisBinary(bin, cwd), 0);
    EXPECT_FALSE(fs::exists(cwd / "debug.log"));
    EXPECT_EQ("not the log\n", ReadFileOrEmpty(outside));
    EXPECT_FALSE(fs::exists(fs::path(temp_dir_.path()) / "none"));
  }
}

}  // namespace
}  // namespace logging
