// The ANSI code page is glibc iconv's "GBK", whose table is that of
// Windows code page 936 (it includes the euro sign at 0x80).
#include "base/sys_string_conversions.h"

#include <errno.h>
#include <iconv.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace base {

namespace {

constexpr char kAnsiCodePage[] = "GBK";
// Byte order is spelled out so that the conversion does not depend on the
// machine's and no byte-order mark is produced.
constexpr char kUTF16[] = "UTF-16LE";

class ScopedIconv {
 public:
  ScopedIconv(const char* to, const char* from)
      : descriptor_(iconv_open(to, from)) {}
  ~ScopedIconv() {
    if (is_valid())
      iconv_close(descriptor_);
  }
  ScopedIconv(const ScopedIconv&) = delete;
  ScopedIconv& operator=(const ScopedIconv&) = delete;

  bool is_valid() const { return descriptor_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return descriptor_; }

 private:
  iconv_t descriptor_;
};

// Converts |input| and appends the result to |output|. Where iconv meets a
// sequence it cannot convert, |skip| tells how many input bytes make up the
// bad character, and |substitute| is written in its place. Returns false on
// any other iconv failure.
template <typename SkipFunction>
bool Convert(const char* to,
             const char* from,
             std::vector<char> input,
             SkipFunction skip,
             std::string_view substitute,
             std::string* output) {
  ScopedIconv converter(to, from);
  if (!converter.is_valid())
    return false;
  char* in = input.data();
  size_t in_left = input.size();
  char buffer[256];
  while (in_left > 0) {
    char* out = buffer;
    size_t out_left = sizeof(buffer);
    size_t result = iconv(converter.get(), &in, &in_left, &out, &out_left);
    int error = errno;
    output->append(buffer, out - buffer);
    if (result != static_cast<size_t>(-1) || error == E2BIG)
      continue;
    if (error != EILSEQ && error != EINVAL)
      return false;
    size_t bad = skip(in, in_left);
    in += bad;
    in_left -= bad;
    output->append(substitute);
  }
  return true;
}

uint16_t UnitAt(const char* bytes) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[0]) |
                               static_cast<unsigned char>(bytes[1]) << 8);
}

// A surrogate pair is one character: it is skipped (and substituted) whole.
size_t SkipUTF16Character(const char* in, size_t in_left) {
  if (in_left < 2)
    return in_left;
  uint16_t unit = UnitAt(in);
  if (unit >= 0xD800 && unit <= 0xDBFF && in_left >= 4) {
    uint16_t next = UnitAt(in + 2);
    if (next >= 0xDC00 && next <= 0xDFFF)
      return 4;
  }
  return 2;
}

size_t SkipOneByte(const char*, size_t) {
  return 1;
}

}  // namespace

std::string WideToAnsi(std::u16string_view wide) {
  if (wide.empty())
    return std::string();
  std::vector<char> bytes;
  bytes.reserve(wide.size() * 2);
  for (char16_t unit : wide) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  std::string ansi;
  if (!Convert(kAnsiCodePage, kUTF16, std::move(bytes), SkipUTF16Character, "?",
               &ansi)) {
    return std::string();
  }
  return ansi;
}

std::u16string AnsiToWide(std::string_view ansi) {
  if (ansi.empty())
    return std::u16string();
  // U+FFFD in UTF-16LE.
  constexpr char kReplacement[] = {'\xFD', '\xFF'};
  std::string utf16_bytes;
  if (!Convert(kUTF16, kAnsiCodePage,
               std::vector<char>(ansi.begin(), ansi.end()), SkipOneByte,
               std::string_view(kReplacement, 2), &utf16_bytes)) {
    return std::u16string();
  }
  std::u16string wide;
  wide.reserve(utf16_bytes.size() / 2);
  for (size_t i = 0; i + 1 < utf16_bytes.size(); i += 2)
    wide.push_back(UnitAt(&utf16_bytes[i]));
  return wide;
}

}  // namespace base
