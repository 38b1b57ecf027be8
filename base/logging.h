// The program's log and its consistency checks. LOG(severity) << ... builds
// one line with a "[MMDD/HHMMSS:SEVERITY:file.cc(line)] " prefix and appends
// it to "debug.log" beside the executable; CHECK ends the process when its
// condition is false; DCHECK is compiled in but dormant. Any thread may log.
#ifndef BASE_LOGGING_H_
#define BASE_LOGGING_H_

#include <optional>
#include <sstream>
#include <string>
#include <string_view>

namespace logging {

enum LogSeverity : int {
  LOG_VERBOSE = -1,
  LOG_INFO = 0,
  LOG_WARNING = 1,
  LOG_ERROR = 2,
  LOG_ERROR_REPORT = 3,
  LOG_FATAL = 4,
  // The system's <wingdi.h> defines ERROR as 0, which turns LOG(ERROR) into
  // LOG_0 in files that include <windows.h>.
  LOG_0 = LOG_ERROR,
};

// Lines below this severity are not built at all.
int GetMinLogLevel();

// Whether debug checks are evaluated. Off unless a test switches them on.
bool DebugChecksEnabled();

// The text a log statement is built in: narrow text as it is, UTF-16 text
// converted to UTF-8, anything else through its std::ostream insertion.
class LogStream {
 public:
  template <typename T>
  LogStream& operator<<(const T& value) {
    stream_ << value;
    return *this;
  }
  LogStream& operator<<(std::u16string_view text);
  LogStream& operator<<(const std::u16string& text) {
    return *this << std::u16string_view(text);
  }
  LogStream& operator<<(const char16_t* text) {
    return *this << std::u16string_view(text);
  }

  std::string str() const { return stream_.str(); }

 private:
  std::ostringstream stream_;
};

// One log statement. The prefix is written at construction; the destructor
// ends the line and writes it out. Lives on the calling thread's stack.
class LogLine {
 public:
  LogLine(const char* file, int line, LogSeverity severity);
  // A failed check: "Check failed: " followed by |check_text|.
  LogLine(const char* file,
          int line,
          LogSeverity severity,
          const std::string& check_text);
  ~LogLine();
  LogLine(const LogLine&) = delete;
  LogLine& operator=(const LogLine&) = delete;

  LogStream& stream() { return stream_; }

 private:
  void WritePrefix(const char* file, int line);

  // Captured before anything else runs, restored when the line is done.
  const int saved_last_error_;
  const LogSeverity severity_;
  LogStream stream_;
};

// Turns a log statement into a void expression for the ?: in the macros.
struct LogLineVoidify {
  void operator&(LogStream&) {}
};

// "a == b (1 vs. 2)" for a failed comparison of 1 and 2 written as a == b.
template <typename T1, typename T2>
std::string MakeCheckText(const T1& v1, const T2& v2, const char* names) {
  LogStream text;
  text << names << " (" << v1 << " vs. " << v2 << ")";
  return text.str();
}

#define LOGGING_DEFINE_CHECK_OP(name, op)                                  \
  template <typename T1, typename T2>                                      \
  std::optional<std::string> Check##name##Impl(const T1& v1, const T2& v2, \
                                               const char* names) {        \
    if (v1 op v2)                                                          \
      return std::nullopt;                                                 \
    return MakeCheckText(v1, v2, names);                                   \
  }
LOGGING_DEFINE_CHECK_OP(EQ, ==)
LOGGING_DEFINE_CHECK_OP(NE, !=)
LOGGING_DEFINE_CHECK_OP(LT, <)
LOGGING_DEFINE_CHECK_OP(LE, <=)
LOGGING_DEFINE_CHECK_OP(GT, >)
LOGGING_DEFINE_CHECK_OP(GE, >=)
#undef LOGGING_DEFINE_CHECK_OP

// Opens the log file now unless it is open: lines need no such call, but
// one made before work that may fill the disk keeps the file for the lines
// that report it.
void OpenLogFile();

// Test hooks. The program itself never calls these.
//
// Points logging at |path| instead of the default file; an empty path goes
// back to the default. The next line opens the file anew.
void SetLogFileForTesting(const std::string& path);
// A fatal hook receives the text of a FATAL line instead of the process
// ending (unless a debugger is attached); logging then carries on.
using FatalHook = void (*)(const std::string& text);
void SetFatalHookForTesting(FatalHook hook);
void SetDebugChecksEnabledForTesting(bool enabled);

}  // namespace logging

#define LOGGING_LAZY_STREAM(stream, condition) \
  !(condition) ? (void)0 : ::logging::LogLineVoidify() & (stream)

#define LOG_IS_ON(severity) \
  (::logging::LOG_##severity >= ::logging::GetMinLogLevel())

#define LOG(severity)                                                   \
  LOGGING_LAZY_STREAM(                                                  \
      ::logging::LogLine(__FILE__, __LINE__, ::logging::LOG_##severity) \
          .stream(),                                                    \
      LOG_IS_ON(severity))

// Verbose level n logs with severity -n.
#define VLOG(n)                                                     \
  LOGGING_LAZY_STREAM(                                              \
      ::logging::LogLine(__FILE__, __LINE__,                        \
                         static_cast<::logging::LogSeverity>(-(n))) \
          .stream(),                                                \
      -(n) >= ::logging::GetMinLogLevel())

#define CHECK(condition)                                           \
  LOGGING_LAZY_STREAM(                                             \
      ::logging::LogLine(__FILE__, __LINE__, ::logging::LOG_FATAL, \
                         #condition ". ")                          \
          .stream(),                                               \
      !(condition))

// The switch keeps a caller's "else" from binding to the ifs inside.
#define LOGGING_CHECK_OP(severity, gate, name, op, a, b)                      \
  switch (0)                                                                  \
  case 0:                                                                     \
  default:                                                                    \
    if (!(gate)) {                                                            \
    } else if (std::optional<std::string> logging_check_text =                \
                   ::logging::Check##name##Impl((a), (b), #a " " #op " " #b); \
               !logging_check_text) {                                         \
    } else                                                                    \
      ::logging::LogLine(__FILE__, __LINE__, severity, *logging_check_text)   \
          .stream()

#define CHECK_EQ(a, b) \
  LOGGING_CHECK_OP(::logging::LOG_FATAL, true, EQ, ==, a, b)
#define CHECK_NE(a, b) \
  LOGGING_CHECK_OP(::logging::LOG_FATAL, true, NE, !=, a, b)
#define CHECK_LT(a, b) LOGGING_CHECK_OP(::logging::LOG_FATAL, true, LT, <, a, b)
#define CHECK_LE(a, b) \
  LOGGING_CHECK_OP(::logging::LOG_FATAL, true, LE, <=, a, b)
#define CHECK_GT(a, b) LOGGING_CHECK_OP(::logging::LOG_FATAL, true, GT, >, a, b)
#define CHECK_GE(a, b) \
  LOGGING_CHECK_OP(::logging::LOG_FATAL, true, GE, >=, a, b)

// Debug checks: the condition is not even evaluated while they are off.
#define DCHECK_IS_ON() \
  (::logging::DebugChecksEnabled() && LOG_IS_ON(ERROR_REPORT))

#define DCHECK(condition)                                                 \
  LOGGING_LAZY_STREAM(                                                    \
      ::logging::LogLine(__FILE__, __LINE__, ::logging::LOG_ERROR_REPORT, \
                         #condition ". ")                                 \
          .stream(),                                                      \
      DCHECK_IS_ON() && !(condition))

#define LOGGING_DCHECK_OP(name, op, a, b) \
  LOGGING_CHECK_OP(::logging::LOG_ERROR_REPORT, DCHECK_IS_ON(), name, op, a, b)
#define DCHECK_EQ(a, b) LOGGING_DCHECK_OP(EQ, ==, a, b)
#define DCHECK_NE(a, b) LOGGING_DCHECK_OP(NE, !=, a, b)
#define DCHECK_LT(a, b) LOGGING_DCHECK_OP(LT, <, a, b)
#define DCHECK_LE(a, b) LOGGING_DCHECK_OP(LE, <=, a, b)
#define DCHECK_GT(a, b) LOGGING_DCHECK_OP(GT, >, a, b)
#define DCHECK_GE(a, b) LOGGING_DCHECK_OP(GE, >=, a, b)

#define NOTREACHED() DCHECK(false)

#endif  // BASE_LOGGING_H_
