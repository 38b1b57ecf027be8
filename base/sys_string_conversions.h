// Conversions between wide text and the system ANSI code page, which is
// code page 936 (GBK) on the desktops this program serves. Plain functions
// on values; any thread may call them.
#ifndef BASE_SYS_STRING_CONVERSIONS_H_
#define BASE_SYS_STRING_CONVERSIONS_H_

#include <string>
#include <string_view>

namespace base {

// Wide text in the ANSI code page. A character the code page cannot
// represent (or an unpaired surrogate) becomes '?', as Windows substitutes
// it; an empty input, or a failed conversion, gives an empty string.
std::string WideToAnsi(std::u16string_view wide);

// ANSI code-page text as wide text; bytes that form no character of the
// code page become U+FFFD. Used where a narrow path must be opened.
std::u16string AnsiToWide(std::string_view ansi);

}  // namespace base

#endif  // BASE_SYS_STRING_CONVERSIONS_H_
