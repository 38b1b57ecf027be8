#include "base/ed25519.h"

#include <sodium.h>

namespace base {

namespace {

static_assert(kEd25519PublicKeyBytes == crypto_sign_PUBLICKEYBYTES,
              "key length");
static_assert(kEd25519SeedBytes == crypto_sign_SEEDBYTES, "seed length");
static_assert(kEd25519SignatureBytes == crypto_sign_BYTES, "signature length");

const unsigned char* Bytes(std::string_view text) {
  return reinterpret_cast<const unsigned char*>(text.data());
}

// The library's own set-up; safe to repeat and from any thread.
bool Ready() {
  return sodium_init() >= 0;
}

// libsodium's whole secret key (the seed and its public key), wiped when it
// goes.
class SecretKey {
 public:
  SecretKey() = default;
  ~SecretKey() { sodium_memzero(bytes_, sizeof(bytes_)); }
  SecretKey(const SecretKey&) = delete;
  SecretKey& operator=(const SecretKey&) = delete;

  // Derives the key and its public half from |seed|.
  bool FromSeed(std::string_view seed, std::string* public_key) {
    unsigned char public_bytes[crypto_sign_PUBLICKEYBYTES];
    if (!Ready() || seed.size() != crypto_sign_SEEDBYTES ||
        crypto_sign_seed_keypair(public_bytes, bytes_, Bytes(seed)) != 0) {
      return false;
    }
    public_key->assign(reinterpret_cast<char*>(public_bytes),
                       sizeof(public_bytes));
    return true;
  }
  const unsigned char* bytes() const { return bytes_; }

 private:
  unsigned char bytes_[crypto_sign_SECRETKEYBYTES];
};

}  // namespace

bool DecodeBase64(std::string_view text, std::string* bytes) {
  if (!Ready())
    return false;
  bytes->resize(text.size() / 4 * 3 + 3);
  size_t length = 0;
  // Without an end pointer the whole text must be base64.
  if (sodium_base642bin(reinterpret_cast<unsigned char*>(&(*bytes)[0]),
                        bytes->size(), text.data(), text.size(), nullptr,
                        &length, nullptr,
                        sodium_base64_VARIANT_ORIGINAL) != 0) {
    return false;
  }
  bytes->resize(length);
  return true;
}

std::string EncodeBase64(std::string_view bytes) {
  std::string text(
      sodium_base64_ENCODED_LEN(bytes.size(), sodium_base64_VARIANT_ORIGINAL),
      '\0');
  sodium_bin2base64(&text[0], text.size(), Bytes(bytes), bytes.size(),
                    sodium_base64_VARIANT_ORIGINAL);
  text.pop_back();  // the terminating zero
  return text;
}

bool VerifyEd25519(std::string_view message,
                   std::string_view signature,
                   std::string_view public_key) {
  return Ready() && signature.size() == crypto_sign_BYTES &&
         public_key.size() == crypto_sign_PUBLICKEYBYTES &&
         crypto_sign_verify_detached(Bytes(signature), Bytes(message),
                                     message.size(), Bytes(public_key)) == 0;
}

bool MakeEd25519KeyPair(std::string* seed, std::string* public_key) {
  if (!Ready())
    return false;
  seed->resize(crypto_sign_SEEDBYTES);
  randombytes_buf(&(*seed)[0], seed->size());
  SecretKey key;
  return key.FromSeed(*seed, public_key);
}

bool Ed25519PublicKey(std::string_view seed, std::string* public_key) {
  SecretKey key;
  return key.FromSeed(seed, public_key);
}

bool SignEd25519(std::string_view message,
                 std::string_view seed,
                 std::string* signature) {
  SecretKey key;
  std::string public_key;
  if (!key.FromSeed(seed, &public_key))
    return false;
  signature->resize(crypto_sign_BYTES);
  return crypto_sign_detached(
             reinterpret_cast<unsigned char*>(&(*signature)[0]), nullptr,
             Bytes(message), message.size(), key.bytes()) == 0;
}

}  // namespace base
