// The updater's two HTTP transfers, each one blocking call with a fresh
// libcurl handle: the manifest fetched into memory (main thread) and the
// package written to a file with progress reports (worker thread). libcurl's
// global initialisation is the entry sequence's.
#ifndef APP_HTTP_TRANSFER_H_
#define APP_HTTP_TRANSFER_H_

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <atomic>
#include <string>

#include "base/file_path.h"
#include "base/md5.h"
#include "base/sha256.h"

// Set by the dialog's close command to end a package transfer early; cleared
// when a package transfer starts. Written on the UI thread, read by the
// transfer's callbacks on the worker thread.
extern std::atomic<bool> g_bCancelDownload;

// The largest manifest body fetched; a real one is a few hundred bytes.
constexpr size_t kMaxManifestBytes = 1 << 20;

// Fetches |url| into |body|, following up to ten redirects. True when the
// transfer succeeded and the body is not empty; the HTTP status is not looked
// at, so an error page counts as fetched. Fails after more redirects, on a
// body longer than kMaxManifestBytes, and when less than a byte a second
// arrives for a minute. |body| holds the received bytes either way.
bool FetchToString(const std::string& url, std::string* body);

// libcurl write callback of the manifest fetch: appends to the body string,
// or takes nothing (ending the transfer) when that would make the body
// longer than kMaxManifestBytes.
size_t AppendToString(char* data, size_t size, size_t count, void* body);

// A package transfer with no limit on its length.
constexpr uint64_t kNoPackageLimit = UINT64_MAX;

// Where a package transfer writes: the file is created at the first chunk,
// so a transfer without body data leaves no file behind. The digests and
// the length follow what is written, so the package need not be read again
// to verify it. One transfer, on one thread.
struct PackageSink {
  // The transfer fails as soon as the package would grow past |max_bytes|.
  PackageSink(const base::FilePath& path, uint64_t max_bytes) : path(path), max_bytes(max_bytes) {
    base::MD5Init(&md5);
  }

  // Opened by its UTF-16 path, as every other file is: a temporary folder
  // whose name the ANSI code page cannot hold works like any other.
  const base::FilePath path;
  const uint64_t max_bytes;
  FILE* stream = nullptr;  // null until the first chunk
  bool created = false;    // the file was created
  bool not_creatable = false;  // the file could not be created
  uint64_t length = 0;     // bytes written
  base::MD5Context md5;    // of the bytes written
  base::Sha256 sha256;     // of the bytes written
};

// What a package transfer wrote: its digests as lower-case hexadecimal
// text, empty when it created no file (or the system could not hash), and
// its length.
struct PackageDigests {
  std::string md5;
  std::string sha256;
  uint64_t length = 0;
};

// The digests of what |sink| wrote; call once, after the transfer.
PackageDigests FinishPackageDigests(PackageSink* sink);

// libcurl write callback of the package transfer; returns the items written,
// or all bits set to end the transfer (cancelled, file not creatable, past
// the sink's limit).
size_t WriteToPackageFile(char* data, size_t size, size_t count, void* sink);

// The progress-bar position for |now| of |total| bytes: a whole percentage
// truncated toward zero, 0 while the total is unknown.
uint32_t DownloadProgressPosition(double total, double now);

// Receives progress reports of a package transfer, on the worker thread.
// Returns 0; progress never ends a transfer.
using DownloadProgressFunction = int (*)(void* data, int64_t total_to_download,
                                         int64_t downloaded_now,
                                         int64_t total_to_upload,
                                         int64_t uploaded_now);

enum class PackageTransferResult {
  kNoHandle,   // no transfer handle: nothing was tried, nothing follows
  kFailed,     // the transfer did not end with success
  kCompleted,  // the transfer ended with success (any HTTP status)
};

// Downloads |url| into |sink| without following redirects, clearing the
// cancel flag first; closes the sink's file when it was opened. A transfer
// that receives less than a byte a second for a minute fails, and so does
// one whose cancel flag is set, within a second even while nothing arrives,
// and one that announces or sends more than the sink's limit.
PackageTransferResult TransferPackage(const std::string& url, PackageSink* sink,
                                      DownloadProgressFunction progress,
                                      void* progress_data);

#endif  // APP_HTTP_TRANSFER_H_
