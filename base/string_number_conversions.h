// Decimal number parsing and formatting of the framework, for switch values
// and version components. Plain functions on values; any thread may call them.
#ifndef BASE_STRING_NUMBER_CONVERSIONS_H_
#define BASE_STRING_NUMBER_CONVERSIONS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace base {

// Return true only when the whole text is a well-formed decimal number
// ('0'-'9', one optional leading '-' or '+'). |output| holds a value in
// every case: 0 for an empty text, the value read up to the first non-digit,
// or the type's limit when the number is out of range. Leading white space
// makes the result false although the number after it is still read.
// Unsigned parsing of a negative text wraps modulo 2^32 ("-5" gives
// 4294967291) as long as the first digit is not 0.
bool ParseInt(std::string_view text, int32_t* output);
bool ParseInt(std::u16string_view text, int32_t* output);
bool ParseUint(std::u16string_view text, uint32_t* output);

// Decimal digits without leading zeros, '-' first for negative values.
std::string FormatInt(int32_t value);

}  // namespace base

#endif  // BASE_STRING_NUMBER_CONVERSIONS_H_
