#include "base/logging.h"

#include <atomic>
#include <cstdio>

#include "base/logging_platform.h"
#include "base/utf_string_conversions.h"

namespace logging {

namespace {

constexpr int kMinLogLevel = LOG_INFO;

std::atomic<bool> g_debug_checks_enabled{false};
std::atomic<FatalHook> g_fatal_hook{nullptr};

const char* const kSeverityNames[] = {"INFO", "WARNING", "ERROR",
                                      "ERROR_REPORT", "FATAL"};

}  // namespace

int GetMinLogLevel() {
  return kMinLogLevel;
}

bool DebugChecksEnabled() {
  return g_debug_checks_enabled.load(std::memory_order_relaxed);
}

LogStream& LogStream::operator<<(std::u16string_view text) {
  stream_ << base::UTF16ToUTF8(text);
  return *this;
}

LogLine::LogLine(const char* file, int line, LogSeverity severity)
    : saved_last_error_(internal::GetLastSystemError()), severity_(severity) {
  WritePrefix(file, line);
}

LogLine::LogLine(const char* file,
                 int line,
                 LogSeverity severity,
                 const std::string& check_text)
    : LogLine(file, line, severity) {
  stream_ << "Check failed: " << check_text;
}

void LogLine::WritePrefix(const char* file, int line) {
  std::string_view file_name(file);
  const size_t last_separator = file_name.find_last_of("\\/");
  if (last_separator != std::string_view::npos)
    file_name.remove_prefix(last_separator + 1);

  stream_ << "[";
  std::tm local;
  if (internal::ReadLocalTime(&local)) {
    char stamp[32];
    snprintf(stamp, sizeof(stamp), "%02d%02d/%02d%02d%02d:", local.tm_mon + 1,
             local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    stream_ << stamp;
  }
  if (severity_ >= 0 && severity_ <= LOG_FATAL)
    stream_ << kSeverityNames[severity_];
  else if (severity_ < 0)
    stream_ << "VERBOSE" << -static_cast<int64_t>(severity_);
  else
    stream_ << "UNKNOWN";
  stream_ << ":" << file_name << "(" << line << ")] ";
}

LogLine::~LogLine() {
  stream_ << "\n";
  const std::string text = stream_.str();
  if (severity_ >= LOG_ERROR)
    internal::WriteToStderr(text);
  internal::WriteToLogFile(text);
  if (severity_ == LOG_FATAL) {
    const FatalHook hook = g_fatal_hook.load();
    if (!hook || internal::BeingDebugged())
      internal::EndProcessAfterFatal();
    hook(text);
  }
  internal::SetLastSystemError(saved_last_error_);
}

void OpenLogFile() {
  internal::OpenLogFile();
}

void SetLogFileForTesting(const std::string& path) {
  internal::SetLogFileName(path);
}

void SetFatalHookForTesting(FatalHook hook) {
  g_fatal_hook.store(hook);
}

void SetDebugChecksEnabledForTesting(bool enabled) {
  g_debug_checks_enabled.store(enabled, std::memory_order_relaxed);
}

}  // namespace logging
