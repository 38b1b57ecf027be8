// Conversions between UTF-8 and UTF-16 text. Malformed input (bad UTF-8
// sequences, unpaired surrogates) becomes U+FFFD, one per maximal bad
// subsequence. Plain functions on values; any thread may call them.
#ifndef BASE_UTF_STRING_CONVERSIONS_H_
#define BASE_UTF_STRING_CONVERSIONS_H_

#include <string>
#include <string_view>

namespace base {

std::u16string UTF8ToUTF16(std::string_view utf8);
std::string UTF16ToUTF8(std::u16string_view utf16);

// Widens each byte of an ASCII text; callers check IsStringASCII first.
std::u16string ASCIIToUTF16(std::string_view ascii);

}  // namespace base

#endif  // BASE_UTF_STRING_CONVERSIONS_H_
