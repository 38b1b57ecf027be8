// SHA-256 through libcrypto's EVP interface, which picks the processor's
// SHA instructions itself.
#include "base/sha256.h"

#include <openssl/evp.h>

#include <algorithm>

namespace base {

struct Sha256::State {
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  bool failed = false;
  ~State() { EVP_MD_CTX_free(context); }
};

Sha256::Sha256() : state_(new State) {
  state_->failed =
      !state_->context ||
      EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr) != 1;
}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, size_t length) {
  if (!state_->failed && length > 0)
    state_->failed = EVP_DigestUpdate(state_->context, data, length) != 1;
}

bool Sha256::FinishBytes(unsigned char (&digest)[kDigestBytes]) {
  unsigned char whole[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (state_->failed ||
      EVP_DigestFinal_ex(state_->context, whole, &length) != 1 ||
      length != kDigestBytes) {
    return false;
  }
  std::copy(whole, whole + kDigestBytes, digest);
  return true;
}

}  // namespace base
