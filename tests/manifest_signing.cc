#include "tests/manifest_signing.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <stdio.h>

namespace test {

namespace {

std::string Base64(const unsigned char* bytes, size_t length) {
  std::string text(4 * ((length + 2) / 3) + 1, '\0');
  int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&text[0]),
                                bytes, static_cast<int>(length));
  text.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return text;
}

// Decodes standard base64; empty when it is not that.
std::string FromBase64(const std::string& text) {
  if (text.empty() || text.size() % 4 != 0)
    return std::string();
  std::string bytes(text.size() / 4 * 3, '\0');
  int length =
      EVP_DecodeBlock(reinterpret_cast<unsigned char*>(&bytes[0]),
                      reinterpret_cast<const unsigned char*>(text.data()),
                      static_cast<int>(text.size()));
  if (length < 0)
    return std::string();
  // EVP_DecodeBlock counts the padding as zero bytes.
  for (size_t i = text.size(); i > 0 && text[i - 1] == '='; --i)
    --length;
  bytes.resize(static_cast<size_t>(length));
  return bytes;
}

}  // namespace

SigningKey SigningKey::FromPemFile(const std::string& path) {
  SigningKey key;
  FILE* file = fopen(path.c_str(), "r");
  if (!file)
    return key;
  EVP_PKEY* pkey = PEM_read_PrivateKey(file, nullptr, nullptr, nullptr);
  fclose(file);
  if (pkey && EVP_PKEY_id(pkey) == EVP_PKEY_ED25519)
    key.key_.reset(pkey, EVP_PKEY_free);
  else
    EVP_PKEY_free(pkey);
  return key;
}

SigningKey SigningKey::Generate() {
  SigningKey key;
  EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr);
  EVP_PKEY* pkey = nullptr;
  if (context && EVP_PKEY_keygen_init(context) == 1 &&
      EVP_PKEY_keygen(context, &pkey) == 1)
    key.key_.reset(pkey, EVP_PKEY_free);
  EVP_PKEY_CTX_free(context);
  return key;
}

std::string SigningKey::SignatureBase64(std::string_view message) const {
  if (!key_)
    return std::string();
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  unsigned char signature[64];
  size_t length = sizeof(signature);
  // Pure Ed25519 takes no digest of its own.
  bool signed_ok =
      context &&
      EVP_DigestSignInit(context, nullptr, nullptr, nullptr, key_.get()) == 1 &&
      EVP_DigestSign(context, signature, &length,
                     reinterpret_cast<const unsigned char*>(message.data()),
                     message.size()) == 1;
  EVP_MD_CTX_free(context);
  return signed_ok ? Base64(signature, length) : std::string();
}

std::string SigningKey::PublicKeyBase64() const {
  unsigned char raw[32];
  size_t length = sizeof(raw);
  if (!key_ || EVP_PKEY_get_raw_public_key(key_.get(), raw, &length) != 1)
    return std::string();
  return Base64(raw, length);
}

bool SignatureVerifies(const std::string& public_key,
                       std::string_view message,
                       const std::string& signature) {
  const std::string raw_key = FromBase64(public_key);
  const std::string raw_signature = FromBase64(signature);
  EVP_PKEY* key = EVP_PKEY_new_raw_public_key(
      EVP_PKEY_ED25519, nullptr,
      reinterpret_cast<const unsigned char*>(raw_key.data()), raw_key.size());
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  const bool verified =
      key && context &&
      EVP_DigestVerifyInit(context, nullptr, nullptr, nullptr, key) == 1 &&
      EVP_DigestVerify(
          context, reinterpret_cast<const unsigned char*>(raw_signature.data()),
          raw_signature.size(),
          reinterpret_cast<const unsigned char*>(message.data()),
          message.size()) == 1;
  EVP_MD_CTX_free(context);
  EVP_PKEY_free(key);
  return verified;
}

std::string Signed(const std::string& body,
                   const SigningKey& key,
                   const std::string& after) {
  return body + "<!-- ed25519:" + key.SignatureBase64(body) + " -->" + after;
}

}  // namespace test
