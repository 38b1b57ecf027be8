// Signs manifests for tests with OpenSSL's libcrypto: an Ed25519
// implementation independent of the updater's own (libsodium), with keys
// made by OpenSSL too, so that a fault the updater's side shares with its
// own signing cannot hide. Linux only; any thread.
#ifndef TESTS_MANIFEST_SIGNING_H_
#define TESTS_MANIFEST_SIGNING_H_

#include <memory>
#include <string>
#include <string_view>

typedef struct evp_pkey_st EVP_PKEY;

namespace test {

class SigningKey {
 public:
  // The private key in the PEM file at |path|, such as the build's test
  // keys; invalid when it cannot be read.
  static SigningKey FromPemFile(const std::string& path);
  // A new key, which no updater trusts.
  static SigningKey Generate();

  bool valid() const { return key_ != nullptr; }
  // The Ed25519 signature of |message|, in standard base64; empty when the
  // key is invalid.
  std::string SignatureBase64(std::string_view message) const;
  // The raw public key in standard base64.
  std::string PublicKeyBase64() const;

 private:
  std::shared_ptr<EVP_PKEY> key_;
};

// Whether |signature| (base64) is the Ed25519 signature of |message| by
// |public_key| (base64 of the raw key), by OpenSSL's reckoning.
bool SignatureVerifies(const std::string& public_key,
                       std::string_view message,
                       const std::string& signature);

// |body| followed by the comment that signs it with |key|, then |after|.
std::string Signed(const std::string& body,
                   const SigningKey& key,
                   const std::string& after = "\n");

}  // namespace test

#endif  // TESTS_MANIFEST_SIGNING_H_
