// The package download: requests the package into its file until it has
// come whole, resuming after a break from the bytes already in the file
// instead of starting again, on the worker thread. A request that breaks
// (the connection fails or closes early, brings fewer bytes than announced
// or stalls) or is answered 5xx, 408 or 429 is retried up to kMaxRetries
// times, after a wait that doubles each time or that the server's
// Retry-After names. Any other 4xx answer, or an answer that cannot be
// resumed from, ends it; an HTTP error answer is never taken for the
// package.
#ifndef ENGINE_PACKAGE_DOWNLOAD_H_
#define ENGINE_PACKAGE_DOWNLOAD_H_

#include <stdint.h>

#include <functional>
#include <string>
#include <utility>

#include "app/http_transfer.h"
#include "engine/installation_delegate.h"
#include "engine/package_file.h"

// What lets a download resume: the package's validator as the server first
// sent it (its ETag, unless weak, else its Last-Modified date; empty when
// it named neither, and then the download cannot resume safely and starts
// over instead), and the whole package's length (0 while unknown).
struct ResumeState {
  std::string validator;
  uint64_t length = 0;
};

// The wait in milliseconds before retry |retry| (0 for the first): 1, 2, 4,
// 8 or 16 seconds, lengthened by |jitter| (0 to 1) times a quarter; or,
// when |retry_after| is a Retry-After value (seconds, or an HTTP date
// against |now|, seconds since 1970 UTC), what it names. Never more than
// 120 seconds.
int64_t RetryDelayMs(int retry,
                     const std::string& retry_after,
                     int64_t now,
                     double jitter);

class PackageDownload : public PackageReceiver {
 public:
  static constexpr int kMaxRetries = 5;

  enum class Result {
    kNoHandle,   // no request could be set up
    kFailed,     // ended without the whole package: cancelled, refused,
                 // not resumable, or retried in vain
    kCompleted,  // the file holds the whole answer
  };

  // Downloads |url| into |file|, which holds what earlier requests brought
  // as |resume| describes it. The progress goes to |owner|. |file| and
  // |owner| are not owned. |on_resume_change| (may be empty) is told each
  // new ResumeState before any byte it describes is written.
  PackageDownload(
      const std::string& url,
      PackageFile* file,
      const ResumeState& resume,
      InstallationDelegate* owner,
      std::function<void(const ResumeState&)> on_resume_change = nullptr);

  // The whole download; clears the cancel flag first and ends at once once
  // it is set, also while waiting to retry. Progress never goes back,
  // except to 0 when the download starts over.
  Result Run();

  // PackageReceiver, during Run.
  bool BeginBody(const ResponseHead& head) override;
  bool ReceiveBody(const char* data, size_t size) override;
  void ReportProgress(int64_t total, int64_t now) override;

 private:
  // How one request ended, for Run.
  struct Outcome {
    enum Kind { kNoHandle, kFailed, kDone, kRetry, kRetryAtOnce };
    Outcome(Kind kind,
            std::string why = std::string(),
            std::string retry_after = std::string())
        : kind(kind),
          why(std::move(why)),
          retry_after(std::move(retry_after)) {}
    Kind kind;
    std::string why;          // for the log, when retried
    std::string retry_after;  // the server's, when it named one
  };
  Outcome Request();
  void StartOver();
  void SetResume(const ResumeState& resume);

  const std::string url_;
  PackageFile* const file_;
  InstallationDelegate* const owner_;
  const std::function<void(const ResumeState&)> on_resume_change_;
  ResumeState resume_;
  // Of the request in progress: the byte it asked to start at, and where
  // its body's first byte lands in the file.
  uint64_t request_offset_ = 0;
  uint64_t body_offset_ = 0;
  // Why the body of the last response was declined.
  std::string declined_because_;
  uint32_t position_ = 0;  // the last progress position reported
};

#endif  // ENGINE_PACKAGE_DOWNLOAD_H_
