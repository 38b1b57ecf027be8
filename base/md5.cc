// MD5 written from RFC 1321: four rounds of sixteen steps over each 64-byte
// block, then a 0x80 byte, zero fill and the 64-bit little-endian bit count.
#include "base/md5.h"

#include <cstring>

namespace base {

namespace {

uint32_t LoadLittleEndian(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void StoreLittleEndian(uint32_t value, uint8_t* p) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
  p[2] = static_cast<uint8_t>(value >> 16);
  p[3] = static_cast<uint8_t>(value >> 24);
}

uint32_t RotateLeft(uint32_t x, int n) {
  return (x << n) | (x >> (32 - n));
}

uint32_t F(uint32_t x, uint32_t y, uint32_t z) {
  return (x & y) | (~x & z);
}
uint32_t G(uint32_t x, uint32_t y, uint32_t z) {
  return (x & z) | (y & ~z);
}
uint32_t H(uint32_t x, uint32_t y, uint32_t z) {
  return x ^ y ^ z;
}
uint32_t I(uint32_t x, uint32_t y, uint32_t z) {
  return y ^ (x | ~z);
}

// The sine-derived constants T[1..64] of the RFC, in step order.
constexpr uint32_t kT[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a,
    0xa8304613, 0xfd469501, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be,
    0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821, 0xf61e2562, 0xc040b340,
    0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8,
    0x676f02d9, 0x8d2a4c8a, 0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c,
    0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 0x289b7ec6, 0xeaa127fa,
    0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92,
    0xffeff47d, 0x85845dd1, 0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1,
    0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

// Per round: the shift of each of its four step positions.
constexpr int kShift[4][4] = {{7, 12, 17, 22},
                              {5, 9, 14, 20},
                              {4, 11, 16, 23},
                              {6, 10, 15, 21}};

// The message word each step takes, per round: k, then 1+5k, 5+3k, 7k mod 16.
int WordIndex(int step) {
  int k = step % 16;
  switch (step / 16) {
    case 0:
      return k;
    case 1:
      return (1 + 5 * k) % 16;
    case 2:
      return (5 + 3 * k) % 16;
    default:
      return (7 * k) % 16;
  }
}

void Transform(uint32_t buf[4], const uint8_t block[64]) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i)
    x[i] = LoadLittleEndian(block + 4 * i);

  uint32_t a = buf[0], b = buf[1], c = buf[2], d = buf[3];
  for (int step = 0; step < 64; ++step) {
    uint32_t f;
    switch (step / 16) {
      case 0:
        f = F(b, c, d);
        break;
      case 1:
        f = G(b, c, d);
        break;
      case 2:
        f = H(b, c, d);
        break;
      default:
        f = I(b, c, d);
        break;
    }
    uint32_t rotated = RotateLeft(a + f + x[WordIndex(step)] + kT[step],
                                  kShift[step / 16][step % 4]);
    a = d;
    d = c;
    c = b;
    b = b + rotated;
  }
  buf[0] += a;
  buf[1] += b;
  buf[2] += c;
  buf[3] += d;
}

char LowerASCII(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The text up to its first zero character, as a C string comparison sees it.
std::string_view UpToZero(std::string_view text) {
  size_t zero = text.find('\0');
  return zero == std::string_view::npos ? text : text.substr(0, zero);
}

}  // namespace

void MD5Init(MD5Context* context) {
  context->buf[0] = 0x67452301;
  context->buf[1] = 0xefcdab89;
  context->buf[2] = 0x98badcfe;
  context->buf[3] = 0x10325476;
  context->bits[0] = 0;
  context->bits[1] = 0;
  memset(context->in, 0, sizeof(context->in));
}

void MD5Update(MD5Context* context, const void* data, size_t length) {
  const uint8_t* input = static_cast<const uint8_t*>(data);
  uint64_t bit_count =
      (static_cast<uint64_t>(context->bits[1]) << 32 | context->bits[0]);
  size_t used = static_cast<size_t>((bit_count >> 3) & 0x3f);
  bit_count += static_cast<uint64_t>(length) << 3;
  context->bits[0] = static_cast<uint32_t>(bit_count);
  context->bits[1] = static_cast<uint32_t>(bit_count >> 32);

  if (used) {
    size_t room = 64 - used;
    if (length < room) {
      memcpy(context->in + used, input, length);
      return;
    }
    memcpy(context->in + used, input, room);
    Transform(context->buf, context->in);
    input += room;
    length -= room;
  }
  while (length >= 64) {
    Transform(context->buf, input);
    input += 64;
    length -= 64;
  }
  memcpy(context->in, input, length);
}

void MD5Final(MD5Digest* digest, MD5Context* context) {
  uint8_t count[8];
  StoreLittleEndian(context->bits[0], count);
  StoreLittleEndian(context->bits[1], count + 4);

  // Pad with 0x80 and zeros up to 56 bytes past a block boundary, then the
  // bit count of the message before padding.
  size_t used = (context->bits[0] >> 3) & 0x3f;
  size_t pad_length = (used < 56) ? (56 - used) : (120 - used);
  uint8_t padding[64] = {0x80};
  MD5Update(context, padding, pad_length);
  MD5Update(context, count, sizeof(count));

  for (int i = 0; i < 4; ++i)
    StoreLittleEndian(context->buf[i], digest->a + 4 * i);
  memset(context, 0, sizeof(*context));
}

std::string MD5DigestToBase16(const MD5Digest& digest) {
  static const char kHexDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(32);
  for (uint8_t byte : digest.a) {
    text.push_back(kHexDigits[byte >> 4]);
    text.push_back(kHexDigits[byte & 0x0f]);
  }
  return text;
}

bool MD5DigestMatches(std::string_view digest_text, std::string_view expected) {
  digest_text = UpToZero(digest_text);
  expected = UpToZero(expected);
  if (digest_text.size() != expected.size())
    return false;
  for (size_t i = 0; i < digest_text.size(); ++i) {
    if (LowerASCII(digest_text[i]) != LowerASCII(expected[i]))
      return false;
  }
  return true;
}

}  // namespace base
