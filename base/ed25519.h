// Ed25519 signatures (RFC 8032, pure Ed25519) and the standard base64 text,
// with padding, that keys and signatures are written in. Everything comes
// from libsodium; this is the one file that calls it. Any thread may call
// these functions.
#ifndef BASE_ED25519_H_
#define BASE_ED25519_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace base {

constexpr size_t kEd25519PublicKeyBytes = 32;
constexpr size_t kEd25519SeedBytes = 32;  // the secret key
constexpr size_t kEd25519SignatureBytes = 64;

// Decodes |text|, which must be standard base64 with its padding and
// nothing else (no white space, no line breaks). On failure |bytes| is
// unspecified.
bool DecodeBase64(std::string_view text, std::string* bytes);
std::string EncodeBase64(std::string_view bytes);

// Whether |signature| is the signature of |message| by |public_key|; false
// too when either is not of its length.
bool VerifyEd25519(std::string_view message,
                   std::string_view signature,
                   std::string_view public_key);

// A new key pair from the system's randomness: the secret seed and its
// public key. False when the library cannot start.
bool MakeEd25519KeyPair(std::string* seed, std::string* public_key);
// The public key of the secret |seed|; false when |seed| is not one.
bool Ed25519PublicKey(std::string_view seed, std::string* public_key);
// The signature of |message| by the secret |seed|; false when |seed| is
// not one.
bool SignEd25519(std::string_view message,
                 std::string_view seed,
                 std::string* signature);

}  // namespace base

#endif  // BASE_ED25519_H_
