#include "app/manifest_signature.h"

#include "base/ed25519.h"

namespace {

constexpr std::string_view kOpening = "<!-- ed25519:";
constexpr std::string_view kClosing = " -->";

bool IsAsciiWhitespace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsBase64Character(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
         (c >= '0' && c <= '9') || c == '+' || c == '/' || c == '=';
}

bool EndsWith(std::string_view text, size_t end, std::string_view suffix) {
  return end >= suffix.size() &&
         text.substr(end - suffix.size(), suffix.size()) == suffix;
}

}  // namespace

bool ReadManifestSignature(std::string_view body,
                           std::string_view* signed_part,
                           std::string_view* signature) {
  size_t end = body.size();
  while (end > 0 && IsAsciiWhitespace(body[end - 1]))
    --end;
  if (!EndsWith(body, end, kClosing))
    return false;
  const size_t text_end = end - kClosing.size();
  size_t text_start = text_end;
  while (text_start > 0 && IsBase64Character(body[text_start - 1]))
    --text_start;
  // The opening ends in ':', which no base64 text holds.
  if (!EndsWith(body, text_start, kOpening))
    return false;
  *signed_part = body.substr(0, text_start - kOpening.size());
  *signature = body.substr(text_start, text_end - text_start);
  return true;
}

bool VerifyManifestSignature(std::string_view body,
                             const std::vector<std::string>& trusted_keys,
                             std::string* reason) {
  std::string_view signed_part;
  std::string_view signature_text;
  if (!ReadManifestSignature(body, &signed_part, &signature_text)) {
    *reason = "manifest is not signed";
    return false;
  }
  std::string signature;
  if (!base::DecodeBase64(signature_text, &signature) ||
      signature.size() != base::kEd25519SignatureBytes) {
    *reason = "manifest signature is malformed";
    return false;
  }
  for (const std::string& key_text : trusted_keys) {
    std::string key;
    if (base::DecodeBase64(key_text, &key) &&
        base::VerifyEd25519(signed_part, signature, key))
      return true;
  }
  *reason = "manifest signature does not verify";
  return false;
}

std::string ManifestSignatureComment(std::string_view signature) {
  return std::string(kOpening) + std::string(signature) + std::string(kClosing);
}
