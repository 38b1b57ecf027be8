// ScopedFd: owns one POSIX file descriptor and closes it when it goes or
// when another is moved in. Move-only; one thread at a time. Linux code only
// (platform files, tools and tests); -1 holds nothing.
#ifndef BASE_SCOPED_FD_H_
#define BASE_SCOPED_FD_H_

#include <unistd.h>

namespace base {

class ScopedFd {
 public:
  explicit ScopedFd(int fd = -1) : fd_(fd) {}
  ScopedFd(ScopedFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  ScopedFd& operator=(ScopedFd&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = other.fd_;
      other.fd_ = -1;
    }
    return *this;
  }
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;
  ~ScopedFd() { Close(); }

  int get() const { return fd_; }
  bool is_valid() const { return fd_ >= 0; }

 private:
  void Close() {
    if (fd_ >= 0)
      close(fd_);
    fd_ = -1;
  }

  int fd_;
};

}  // namespace base

#endif  // BASE_SCOPED_FD_H_
