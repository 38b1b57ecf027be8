// MD5 message digests (RFC 1321), used to check a downloaded package against
// the digest its manifest names. Plain functions over a caller-owned context;
// any thread may call them, one thread per context.
#ifndef BASE_MD5_H_
#define BASE_MD5_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace base {

struct MD5Digest {
  uint8_t a[16];
};

// The running state: four chaining words, the count of bits hashed (low word
// first) and the bytes of the block not yet hashed.
struct MD5Context {
  uint32_t buf[4];
  uint32_t bits[2];
  uint8_t in[64];
};

void MD5Init(MD5Context* context);
void MD5Update(MD5Context* context, const void* data, size_t length);
// Writes the digest of everything hashed and wipes |context|.
void MD5Final(MD5Digest* digest, MD5Context* context);
// 32 lower-case hexadecimal characters, high nibble first.
std::string MD5DigestToBase16(const MD5Digest& digest);

// Whether |digest_text| and |expected| are the same text, ignoring ASCII
// letter case and comparing up to the first zero character of each, as
// whole strings: nothing is trimmed.
bool MD5DigestMatches(std::string_view digest_text, std::string_view expected);

}  // namespace base

#endif  // BASE_MD5_H_
