#include "base/string_number_conversions.h"

#include <limits>

#include "base/string_util.h"

namespace base {

namespace {

// The C library's white space, as classified in the "C" locale. Fixed sets
// are used rather than isspace()/iswspace(), whose answers depend on the
// process locale; wide text uses the framework's wide set.
bool IsLeadingSpace(char c) {
  return std::string_view(kWhitespaceASCII).find(c) != std::string_view::npos;
}

bool IsLeadingSpace(char16_t c) {
  return IsWhitespace(c);
}

// One more digit on a positive value; false when it would pass the maximum.
template <typename Number>
bool AddPositive(Number* output, Number digit) {
  constexpr Number kMax = std::numeric_limits<Number>::max();
  if (*output > kMax / 10 || (*output == kMax / 10 && digit > kMax % 10)) {
    *output = kMax;
    return false;
  }
  *output = static_cast<Number>(*output * 10 + digit);
  return true;
}

bool AddNegative(int32_t* output, int32_t digit) {
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  if (*output < kMin / 10 || (*output == kMin / 10 && digit > -(kMin % 10))) {
    *output = kMin;
    return false;
  }
  *output = *output * 10 - digit;
  return true;
}

// Unsigned negative accumulation has no lower limit to test against except
// a leading zero; otherwise it wraps modulo 2^32 by design.
bool AddNegative(uint32_t* output, uint32_t digit) {
  if (*output == 0 && digit != 0) {
    *output = 0;
    return false;
  }
  *output = *output * 10u - digit;
  return true;
}

template <typename Char, typename Number>
bool ParseNumber(std::basic_string_view<Char> text, Number* output) {
  *output = 0;
  size_t i = 0;
  bool valid = true;
  while (i < text.size() && IsLeadingSpace(text[i])) {
    ++i;
    valid = false;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size())
    return false;
  for (size_t first = i; i < text.size(); ++i) {
    Char c = text[i];
    if (c < '0' || c > '9')
      return false;
    Number digit = static_cast<Number>(c - '0');
    if (i == first) {
      *output = negative ? static_cast<Number>(Number(0) - digit) : digit;
      continue;
    }
    bool in_range =
        negative ? AddNegative(output, digit) : AddPositive(output, digit);
    if (!in_range)
      return false;
  }
  return valid;
}

}  // namespace

bool ParseInt(std::string_view text, int32_t* output) {
  return ParseNumber(text, output);
}

bool ParseInt(std::u16string_view text, int32_t* output) {
  return ParseNumber(text, output);
}

bool ParseUint(std::u16string_view text, uint32_t* output) {
  return ParseNumber(text, output);
}

std::string FormatInt(int32_t value) {
  // The magnitude is taken unsigned so that the minimum has one too.
  uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value)
                                 : static_cast<uint32_t>(value);
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0)
    digits.insert(digits.begin(), '-');
  return digits;
}

}  // namespace base
