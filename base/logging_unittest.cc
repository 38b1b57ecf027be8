#include "base/logging.h"

#include <errno.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/unique_temp_dir.h"
#include "tests/child_action.h"
#include "tests/test_files.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace logging {
namespace {

namespace fs = std::filesystem;

// Children are copies of this program that log for the tests and exit:
// "logging.NAME LOG_FILE" (an empty LOG_FILE keeps the default file).
constexpr int kLinesPerWriter = 2000;
const std::string kPayload(200, 'x');

bool RunChildActionIfAsked() {
  const std::string action = test::ChildAction();
  if (action.rfind("logging.", 0) != 0)
    return false;
  const std::vector<std::string> args = test::ChildArguments();
  if (!args.empty() && !args[0].empty())
    SetLogFileForTesting(args[0]);
  const std::string name = action.substr(8);
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
  test::EndChild(0);
}

const bool g_child_ran = RunChildActionIfAsked();

using ::test::ReadFileOrEmpty;
using ::test::ScopedStderrToFile;

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

constexpr auto kChildDeadline = std::chrono::seconds(60);

// The child's exit status, or -1 when it could not be started or did not
// end within the deadline.
int RunChild(const fs::path& program,
             const std::string& action,
             const fs::path& log_file,
             const fs::path& error_output = {},
             const fs::path& directory = {}) {
  test::ChildActionProcess child;
  int exit_code = -1;
  if (!child.Start(program, "logging." + action, {log_file.u8string()},
                   directory, error_output) ||
      !child.Wait(kChildDeadline, &exit_code)) {
    return -1;
  }
  return exit_code;
}

std::string g_fatal_text;
void RecordFatal(const std::string& text) {
  g_fatal_text = text;
}

// Points logging at a private file for each test.
class LoggingTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(g_child_ran);
    ASSERT_TRUE(temp_dir_.Create());
    root_ = temp_dir_.path().AsSystemPath();
    log_file_ = root_ / "test.log";
    stderr_file_ = root_ / "stderr.txt";
    SetLogFileForTesting(log_file_.u8string());
  }
  void TearDown() override {
    // Closes the file, so that the directory can go.
    SetLogFileForTesting("");
    SetFatalHookForTesting(nullptr);
    SetDebugChecksEnabledForTesting(false);
  }
  std::string LogText() const { return ReadFileOrEmpty(log_file_); }
  // Closes the log file (logging opens it again for the next line) and
  // removes it.
  void RemoveLogFile() {
    SetLogFileForTesting(log_file_.u8string());
    fs::remove(log_file_);
  }

  base::UniqueTempDir temp_dir_;
  fs::path root_;
  fs::path log_file_;
  fs::path stderr_file_;
};

// "MMDD/HHMMSS:" of each second from |from| to |to|.
std::vector<std::string> StampsBetween(time_t from, time_t to) {
  std::vector<std::string> stamps;
  for (time_t t = from; t <= to; ++t) {
    char stamp[32];
    strftime(stamp, sizeof(stamp), "%m%d/%H%M%S:", std::localtime(&t));
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
    RemoveLogFile();
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
  // Lines end with a line feed alone.
  EXPECT_EQ(LogText().find('\r'), std::string::npos);

  // A later run opens the file anew and keeps what is there.
  SetLogFileForTesting(log_file_.u8string());
  LOG(WARNING) << "second";
  lines = SplitLines(LogText());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("] first"), std::string::npos);
  EXPECT_NE(lines[1].find(":WARNING:"), std::string::npos);
  EXPECT_NE(lines[1].find("] second"), std::string::npos);
}

TEST_F(LoggingTest, WarningGoesOnlyToFileAndErrorAlsoToStandardError) {
  {
    ScopedStderrToFile redirect(stderr_file_);
    LOG(INFO) << "info text";
    LOG(WARNING) << "warning text";
    LOG(ERROR) << "error text";
  }
  const std::vector<std::string> file_lines = SplitLines(LogText());
  ASSERT_EQ(file_lines.size(), 3u);
  EXPECT_NE(file_lines[1].find("warning text"), std::string::npos);
  EXPECT_NE(file_lines[2].find("error text"), std::string::npos);

  const std::vector<std::string> stderr_lines =
      SplitLines(ReadFileOrEmpty(stderr_file_));
  ASSERT_EQ(stderr_lines.size(), 1u);
  EXPECT_EQ(stderr_lines[0], file_lines[2]);
}

// The system's last error: errno, or on Windows GetLastError.
void SetLastSystemError(int error) {
#if defined(_WIN32)
  SetLastError(static_cast<DWORD>(error));
#else
  errno = error;
#endif
}

int LastSystemError() {
#if defined(_WIN32)
  return static_cast<int>(GetLastError());
#else
  return errno;
#endif
}

TEST_F(LoggingTest, LastSystemErrorIsTheSameAfterALogStatement) {
  SetFatalHookForTesting(&RecordFatal);
  // A file that cannot be opened makes the statement call failing system
  // functions; the last error must still come back unchanged.
  const fs::path unopenable = root_ / "missing_dir" / "x.log";
  const fs::path cwd = fs::current_path();
  fs::current_path(root_);
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
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetLogFileForTesting(c.file.u8string());
    ScopedStderrToFile redirect(stderr_file_);
    SetLastSystemError(EDOM);
    LogLine(__FILE__, __LINE__, c.severity).stream() << "text";
    EXPECT_EQ(LastSystemError(), EDOM);
  }
  SetLogFileForTesting(log_file_.u8string());
  fs::current_path(cwd);
}

TEST_F(LoggingTest, LineThatFindsNoFileIsDroppedAndTheNextLineTriesAgain) {
  // Directories stand where both the log file and the fallback would be.
  const fs::path cwd = fs::current_path();
  const fs::path blocked = root_ / "blocked.log";
  fs::create_directories(blocked);
  fs::create_directories(root_ / "debug.log");
  fs::current_path(root_);
  SetLogFileForTesting(blocked.u8string());
  LOG(INFO) << "lost";
  fs::remove(blocked);
  LOG(INFO) << "kept";
  SetLogFileForTesting(log_file_.u8string());
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
  LOG(INFO) << u"\u7248\u672C " << std::u16string(u"\U0001F600") << " "
            << std::u16string(1, char16_t{0xD800}) << " end";
  const std::string text = LogText();
  EXPECT_NE(text.find("] \xE7\x89\x88\xE6\x9C\xAC \xF0\x9F\x98\x80 "
                      "\xEF\xBF\xBD end\n"),
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
  struct Case {
    const char* action;
    const char* expected;
  } cases[] = {
      {"fatal", ")] fatal message"},
      {"check", ")] Check failed: one == two (1 vs. 2)after"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.action);
    RemoveLogFile();
    ASSERT_EQ(RunChild(test::ThisProgram(), c.action, log_file_, stderr_file_),
              1);
    const std::vector<std::string> lines = SplitLines(LogText());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(":FATAL:"), std::string::npos);
    EXPECT_NE(lines[0].find(c.expected), std::string::npos) << lines[0];
    EXPECT_EQ(SplitLines(ReadFileOrEmpty(stderr_file_)), lines);
  }
}

TEST_F(LoggingTest, TwoProcessesLoggingAtOnceWriteWholeLines) {
  test::ChildActionProcess writers[2];
  const char* names[] = {"writerA", "writerB"};
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(writers[i].Start(test::ThisProgram(),
                                 std::string("logging.") + names[i],
                                 {log_file_.u8string()}));
  }
  for (test::ChildActionProcess& writer : writers) {
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

// Runs a copy of this program from |bin_dir| with |cwd| as its current
// directory and its default log file.
int RunCopyOfThisProgram(const fs::path& bin_dir, const fs::path& cwd) {
  const fs::path copy =
      bin_dir / fs::path("logging_child")
                    .concat(test::ThisProgram().extension().native());
  std::error_code error;
  if (!fs::exists(copy))
    fs::copy_file(test::ThisProgram(), copy, error);
  EXPECT_FALSE(error) << error.message();
  return RunChild(copy, "info", fs::path(), fs::path(), cwd);
}

TEST_F(LoggingTest, DefaultFileIsDebugLogBesideTheExecutable) {
  const fs::path bin = root_ / "bin";
  const fs::path cwd = root_ / "cwd";
  fs::create_directories(bin);
  fs::create_directories(cwd);
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    ASSERT_EQ(RunCopyOfThisProgram(bin, cwd), 0);
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
  const fs::path outside = root_ / "outside.txt";
  const std::function<void(const fs::path&)> kObstacles[] = {
    // Cannot be opened for writing, even by root, for whom a read-only
    // directory is still writable.
    [](const fs::path& log) { fs::create_directories(log); },
#if !defined(_WIN32)
    [&](const fs::path& log) { fs::create_symlink(outside, log); },
    [&](const fs::path& log) { fs::create_symlink(root_ / "none", log); },
    [](const fs::path& log) { ASSERT_EQ(0, mkfifo(log.c_str(), 0644)); },
#endif
  };
  for (size_t i = 0; i < std::size(kObstacles); ++i) {
    SCOPED_TRACE(i);
    const fs::path bin = root_ / ("bin" + std::to_string(i));
    const fs::path cwd = root_ / ("cwd" + std::to_string(i));
    fs::create_directories(bin);
    fs::create_directories(cwd);
    {
      std::ofstream(outside, std::ios::binary | std::ios::trunc)
          << "not the log\n";
    }
    kObstacles[i](bin / "debug.log");

    ASSERT_EQ(RunCopyOfThisProgram(bin, cwd), 0);
    EXPECT_FALSE(fs::exists(cwd / "debug.log"));
    EXPECT_EQ("not the log\n", ReadFileOrEmpty(outside));
    EXPECT_FALSE(fs::exists(root_ / "none"));
  }
}

}  // namespace
}  // namespace logging
