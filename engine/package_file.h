// The package file as a download fills it: appended to piece by piece, its
// MD5 and SHA-256 digests and its length kept up to date as it grows, so
// that the package need not be read again to verify it. It never grows past
// its limit, and it is created at the first byte, so a download that brings
// no body leaves no file. One thread at a time.
#ifndef ENGINE_PACKAGE_FILE_H_
#define ENGINE_PACKAGE_FILE_H_

#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <string>

#include "base/file_path.h"
#include "base/file_util.h"
#include "base/md5.h"
#include "base/sha256.h"

// The name of the package file in the directory a download fills.
inline constexpr char16_t kPackageFileName[] = u"download.bak";

// What a download wrote: its digests as lower-case hexadecimal text, empty
// when it wrote nothing (or the system could not hash), and its length.
struct PackageDigests {
  std::string md5;
  std::string sha256;
  uint64_t length = 0;
};

class PackageFile {
 public:
  // |max_bytes| is the most the file may hold.
  PackageFile(const base::FilePath& path, uint64_t max_bytes);
  PackageFile(const PackageFile&) = delete;
  PackageFile& operator=(const PackageFile&) = delete;

  // Takes up what an earlier download left in the file, hashing it again
  // (the state of a digest does not outlive the run that made it). A file
  // that cannot be read whole, or holds more than the limit, is emptied.
  // False when it could not be read or emptied.
  bool TakeUpExisting();
  // Empties the file and starts the digests afresh. The file is removed;
  // false when it could not be (it is then emptied at the next byte).
  bool StartOver();
  // Appends |size| bytes; false, with nothing appended, when they would
  // make the file longer than its limit or cannot be written (the reason
  // goes to the log).
  bool Append(const char* data, size_t size);
  // Hands what was appended to the system; false when it could not be
  // written.
  bool Flush();
  // Closes the file; false when what was appended could not be written.
  bool Close();

  const base::FilePath& path() const { return path_; }
  uint64_t length() const { return length_; }
  uint64_t max_bytes() const { return max_bytes_; }

  // The digests of the whole file. Call once, after Close.
  PackageDigests Finish();

 private:
  void ResetDigests();

  const base::FilePath path_;
  const uint64_t max_bytes_;
  base::ScopedFILE stream_;  // null until the next byte is appended
  bool truncate_ = false;    // what the file holds is to go at the next byte
  uint64_t length_ = 0;
  base::MD5Context md5_;
  std::unique_ptr<base::Sha256> sha256_;
};

#endif  // ENGINE_PACKAGE_FILE_H_
