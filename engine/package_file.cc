#include "engine/package_file.h"

#include <vector>

#include "base/logging.h"

PackageFile::PackageFile(const base::FilePath& path, uint64_t max_bytes)
    : path_(path), max_bytes_(max_bytes) {
  ResetDigests();
}

void PackageFile::ResetDigests() {
  base::MD5Init(&md5_);
  sha256_ = std::make_unique<base::Sha256>();
  length_ = 0;
}

bool PackageFile::TakeUpExisting() {
  stream_.reset();
  ResetDigests();
  base::ScopedFILE existing = base::OpenFile(path_, "rb");
  if (!existing)
    return !base::PathPresent(path_) || StartOver();
  std::vector<char> block(1 << 16);
  size_t got = 0;
  while ((got = fread(block.data(), 1, block.size(), existing.get())) > 0) {
    base::MD5Update(&md5_, block.data(), got);
    sha256_->Update(block.data(), got);
    length_ += got;
  }
  if (ferror(existing.get()) || length_ > max_bytes_) {
    LOG(WARNING) << "The package file left by an earlier download cannot be "
                    "taken up; it is"
                 << " started again";
    return StartOver();
  }
  return true;
}

bool PackageFile::StartOver() {
  stream_.reset();
  ResetDigests();
  // Opened to be emptied even if it cannot be removed now.
  truncate_ = true;
  return base::DeletePath(path_, false);
}

bool PackageFile::Append(const char* data, size_t size) {
  if (size > max_bytes_ - length_)
    return false;
  if (!stream_) {
    stream_ = base::OpenFile(path_, truncate_ ? "wb" : "ab");
    if (!stream_) {
      LOG(ERROR) << "Cannot create the package file " << path_.value();
      return false;
    }
  }
  truncate_ = false;
  if (fwrite(data, 1, size, stream_.get()) != size) {
    LOG(ERROR) << "Cannot write the package file " << path_.value();
    return false;
  }
  base::MD5Update(&md5_, data, size);
  sha256_->Update(data, size);
  length_ += size;
  return true;
}

bool PackageFile::Flush() {
  return !stream_ || fflush(stream_.get()) == 0;
}

bool PackageFile::Close() {
  // A failed flush on close loses data.
  const bool written = !stream_ || fclose(stream_.release()) == 0;
  if (!written)
    LOG(ERROR) << "Cannot write the package file " << path_.value();
  return written;
}

PackageDigests PackageFile::Finish() {
  PackageDigests digests;
  base::MD5Digest md5;
  base::MD5Final(&md5, &md5_);
  const std::string sha256 = sha256_->Finish();
  if (length_ == 0)
    return digests;
  digests.md5 = base::MD5DigestToBase16(md5);
  digests.sha256 = sha256;
  digests.length = length_;
  return digests;
}
