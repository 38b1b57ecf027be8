// SHA-256 digests (FIPS 180-4) from the system's own implementation, which
// uses the processor's SHA instructions where it has them: libcrypto on
// Linux, BCrypt on Windows. Used to check a package against the digest its
// manifest names while the package streams in. One object hashes one
// stream; one thread at a time.
#ifndef BASE_SHA256_H_
#define BASE_SHA256_H_

#include <cstddef>
#include <memory>
#include <string>

namespace base {

class Sha256 {
 public:
  // Ready to hash; a system that cannot hash shows in Finish.
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Update(const void* data, size_t length);
  // The digest of everything hashed, 64 lower-case hexadecimal digits; empty
  // when the system failed at any step. Call once, after the last Update.
  std::string Finish();

 private:
  static constexpr size_t kDigestBytes = 32;
  // The system's half of Finish: the digest's bytes; false on a failure.
  bool FinishBytes(unsigned char (&digest)[kDigestBytes]);

  // The system's hashing state, owned and released here.
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace base

#endif  // BASE_SHA256_H_
