#include "engine/package_download.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>
#include <utility>

#include "base/logging.h"
#include "base/utc_time.h"

namespace {

constexpr int64_t kFirstRetryDelayMs = 1000;
constexpr int64_t kLongestRetryDelayMs = 120 * 1000;
// How often a wait to retry looks at the cancel flag.
constexpr std::chrono::milliseconds kCancelPoll(50);

// The digits of |text| as a number; false for anything else or a number
// past 2^63.
bool ParseDecimal(const std::string& text, uint64_t* value) {
  if (text.empty() || text.size() > 18 ||
      text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  *value = std::stoull(text);
  return true;
}

// The first byte and the whole length of "bytes first-last/length" (the
// length 0 when it is "*").
bool ParseContentRange(const std::string& range,
                       uint64_t* first,
                       uint64_t* length) {
  const std::string prefix = "bytes ";
  const size_t dash = range.find('-');
  const size_t slash = range.find('/');
  if (range.compare(0, prefix.size(), prefix) != 0 ||
      dash == std::string::npos || slash == std::string::npos || slash < dash) {
    return false;
  }
  const std::string total = range.substr(slash + 1);
  *length = 0;
  return ParseDecimal(range.substr(prefix.size(), dash - prefix.size()),
                      first) &&
         (total == "*" || ParseDecimal(total, length));
}

// The length of "bytes */length", which a 416 answer carries.
bool ParseUnsatisfiedRange(const std::string& range, uint64_t* length) {
  const std::string prefix = "bytes */";
  return range.compare(0, prefix.size(), prefix) == 0 &&
         ParseDecimal(range.substr(prefix.size()), length);
}

// Answers that say "not now" rather than "no".
bool IsRetryableStatus(long status) {
  return (status >= 500 && status <= 599) || status == 408 || status == 429;
}

// A weak ETag cannot condition a range: a server would send the whole
// package every time.
std::string ValidatorOf(const ResponseHead& head) {
  if (!head.etag.empty() && head.etag.compare(0, 2, "W/") != 0)
    return head.etag;
  return head.last_modified;
}

// Waits |delay_ms| unless the cancel flag is set meanwhile; false then.
bool WaitUnlessCancelled(int64_t delay_ms) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(delay_ms);
  while (!g_bCancelDownload.load(std::memory_order_relaxed)) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline)
      return true;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
        kCancelPoll, deadline - now));
  }
  return false;
}

}  // namespace

int64_t RetryDelayMs(int retry,
                     const std::string& retry_after,
                     int64_t now,
                     double jitter) {
  uint64_t seconds = 0;
  int64_t date = 0;
  int64_t delay = 0;
  if (ParseDecimal(retry_after, &seconds))
    delay = static_cast<int64_t>(
                std::min<uint64_t>(seconds, kLongestRetryDelayMs / 1000)) *
            1000;
  else if (base::ParseHttpDate(retry_after, &date))
    delay =
        std::clamp<int64_t>(date - now, 0, kLongestRetryDelayMs / 1000) * 1000;
  else
    delay =
        static_cast<int64_t>((kFirstRetryDelayMs << retry) * (1 + jitter / 4));
  return std::min(delay, kLongestRetryDelayMs);
}

PackageDownload::PackageDownload(
    const std::string& url,
    PackageFile* file,
    const ResumeState& resume,
    InstallationDelegate* owner,
    std::function<void(const ResumeState&)> on_resume_change)
    : url_(url),
      file_(file),
      owner_(owner),
      on_resume_change_(std::move(on_resume_change)),
      resume_(resume) {}

PackageDownload::Result PackageDownload::Run() {
  g_bCancelDownload.store(false, std::memory_order_relaxed);
  std::mt19937 random{std::random_device{}()};
  std::uniform_real_distribution<double> jitter(0, 1);
  for (int retry = 0;; ++retry) {
    const Outcome outcome = Request();
    switch (outcome.kind) {
      case Outcome::kNoHandle:
        return Result::kNoHandle;
      case Outcome::kFailed:
        return Result::kFailed;
      case Outcome::kDone:
        return Result::kCompleted;
      case Outcome::kRetry:
      case Outcome::kRetryAtOnce:
        break;
    }
    if (retry == kMaxRetries) {
      LOG(ERROR) << "The package transfer " << outcome.why
                 << "; no retry is left";
      return Result::kFailed;
    }
    const int64_t delay =
        outcome.kind == Outcome::kRetryAtOnce
            ? 0
            : RetryDelayMs(retry, outcome.retry_after, base::UtcNowSeconds(),
                           jitter(random));
    LOG(WARNING) << "The package transfer " << outcome.why << " with "
                 << file_->length() << " bytes in the file; retry " << retry + 1
                 << " of " << kMaxRetries << " in " << delay << " ms";
    if (!WaitUnlessCancelled(delay)) {
      LOG(INFO) << "The package transfer was cancelled";
      return Result::kFailed;
    }
  }
}

PackageDownload::Outcome PackageDownload::Request() {
  PackageRequest request;
  request.url = url_;
  request.max_bytes = file_->max_bytes();
  if (file_->length() > 0 && resume_.validator.empty()) {
    LOG(INFO) << "The server named no validator for the package: it is fetched "
                 "again whole";
    StartOver();
  }
  request.offset = file_->length();
  request.if_range = resume_.validator;
  request_offset_ = body_offset_ = request.offset;
  declined_because_.clear();

  ResponseHead head;
  std::string error;
  const RequestEnd end = RequestPackage(request, this, &head, &error);
  if (!file_->Flush())
    return {Outcome::kFailed};
  switch (end) {
    case RequestEnd::kNoHandle:
      LOG(ERROR) << "Cannot set up the package transfer";
      return {Outcome::kNoHandle};
    case RequestEnd::kCancelled:
      LOG(INFO) << "The package transfer was cancelled";
      return {Outcome::kFailed};
    case RequestEnd::kFailed:
      LOG(ERROR) << "The package transfer failed: " << error;
      return {Outcome::kFailed};
    case RequestEnd::kBroken:
      return {Outcome::kRetry, "broke (" + error + ")"};
    case RequestEnd::kComplete:
    case RequestEnd::kDeclined:
      break;
  }
  const std::string status = std::to_string(head.status);
  uint64_t length = 0;
  if (head.status == 416) {
    // Asked for the bytes after the end of the package: it is all here.
    if (request.offset > 0 &&
        ParseUnsatisfiedRange(head.content_range, &length) &&
        length == request.offset) {
      return {Outcome::kDone};
    }
    StartOver();
    return {Outcome::kRetryAtOnce,
            "cannot be resumed (416, " + head.content_range + ")"};
  }
  if (IsRetryableStatus(head.status))
    return {Outcome::kRetry, "was answered " + status, head.retry_after};
  if (end == RequestEnd::kDeclined) {
    LOG(ERROR) << "The package transfer ended: " << declined_because_;
    return {Outcome::kFailed};
  }
  if (head.status >= 400) {
    LOG(ERROR) << "The package transfer ended: the server answered " << status;
    return {Outcome::kFailed};
  }
  return {Outcome::kDone};
}

bool PackageDownload::BeginBody(const ResponseHead& head) {
  const std::string status = std::to_string(head.status);
  if (head.status == 200) {
    if (file_->length() > 0) {
      LOG(INFO) << "The server sent the whole package again: it is fetched "
                   "again whole";
      StartOver();
    }
    SetResume(
        {ValidatorOf(head), head.content_length > 0
                                ? static_cast<uint64_t>(head.content_length)
                                : 0});
    return true;
  }
  if (head.status == 206) {
    uint64_t first = 0;
    uint64_t length = 0;
    if (!ParseContentRange(head.content_range, &first, &length) ||
        first != request_offset_) {
      declined_because_ =
          "the server sent the package from another byte than " +
          std::to_string(request_offset_) + " (" + head.content_range + ")";
      return false;
    }
    if (resume_.length == 0 && length > 0)
      SetResume({resume_.validator, length});
    return true;
  }
  if (request_offset_ > 0 || head.status >= 400) {
    declined_because_ = "the server answered " + status;
    return false;
  }
  // Any other answer to a plain request (a redirect's page) is taken for
  // the package, as it always was, and the digests judge it.
  SetResume(ResumeState());
  return true;
}

bool PackageDownload::ReceiveBody(const char* data, size_t size) {
  return file_->Append(data, size);
}

void PackageDownload::ReportProgress(int64_t total, int64_t now) {
  if (total > 0) {
    position_ = std::max(
        position_,
        DownloadProgressPosition(static_cast<double>(body_offset_ + total),
                                 static_cast<double>(body_offset_ + now)));
  }
  owner_->SetProgressPosition(position_);
}

void PackageDownload::StartOver() {
  file_->StartOver();
  body_offset_ = 0;
  position_ = 0;
}

void PackageDownload::SetResume(const ResumeState& resume) {
  resume_ = resume;
  if (on_resume_change_)
    on_resume_change_(resume_);
}
