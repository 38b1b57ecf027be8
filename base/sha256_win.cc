// SHA-256 through BCrypt (CNG), which picks the processor's SHA
// instructions itself.
#include "base/sha256.h"

#include <windows.h>
#include <bcrypt.h>

namespace base {

struct Sha256::State {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  bool failed = false;
  ~State() {
    if (hash)
      BCryptDestroyHash(hash);
    if (algorithm)
      BCryptCloseAlgorithmProvider(algorithm, 0);
  }
};

Sha256::Sha256() : state_(new State) {
  // With no object buffer given, BCrypt keeps the hash object itself.
  state_->failed =
      !BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(
          &state_->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) ||
      !BCRYPT_SUCCESS(BCryptCreateHash(state_->algorithm, &state_->hash,
                                       nullptr, 0, nullptr, 0, 0));
}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, size_t length) {
  // BCryptHashData counts in ULONGs; larger ranges go in pieces.
  const UCHAR* bytes = static_cast<const UCHAR*>(data);
  while (!state_->failed && length > 0) {
    ULONG piece = static_cast<ULONG>(length < (1u << 30) ? length : (1u << 30));
    state_->failed = !BCRYPT_SUCCESS(
        BCryptHashData(state_->hash, const_cast<UCHAR*>(bytes), piece, 0));
    bytes += piece;
    length -= piece;
  }
}

bool Sha256::FinishBytes(unsigned char (&digest)[kDigestBytes]) {
  return !state_->failed && BCRYPT_SUCCESS(BCryptFinishHash(
                                state_->hash, digest, kDigestBytes, 0));
}

}  // namespace base
