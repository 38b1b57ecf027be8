#include "base/sha256.h"

namespace base {

std::string Sha256::Finish() {
  unsigned char digest[kDigestBytes];
  if (!FinishBytes(digest))
    return std::string();
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (unsigned char byte : digest) {
    text += kHex[byte >> 4];
    text += kHex[byte & 15];
  }
  return text;
}

}  // namespace base
