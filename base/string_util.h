// Small string helpers of the framework: white-space trimming, ASCII case
// folding, character replacement and prefix tests, for narrow and wide text.
// Plain functions on values; any thread may call them.
#ifndef BASE_STRING_UTIL_H_
#define BASE_STRING_UTIL_H_

#include <string>
#include <string_view>

namespace base {

// The wide white-space set (27 UTF-16 units) and the narrow one.
extern const char16_t kWhitespaceUTF16[];
extern const char kWhitespaceASCII[];

bool IsWhitespace(char16_t c);

// Copies of |input| without the white space at both ends.
std::u16string TrimWhitespace(std::u16string_view input);
std::string TrimWhitespaceASCII(std::string_view input);

// Copies with 'A' to 'Z' changed to 'a' to 'z'; every other unit is kept.
std::string StringToLowerASCII(std::string_view input);
std::u16string StringToLowerASCII(std::u16string_view input);

// Writes |input| to |output| with every occurrence of any of |characters|
// replaced by |replacement|; the search resumes after each replacement.
// Returns true when anything was replaced.
bool ReplaceCharacters(std::string_view input,
                       std::string_view characters,
                       std::string_view replacement,
                       std::string* output);

// True when |text| begins with |prefix|. Without |case_sensitive| ASCII
// letters compare regardless of case; a text shorter than the prefix never
// matches.
bool HasPrefix(std::string_view text,
               std::string_view prefix,
               bool case_sensitive);

bool IsStringASCII(std::string_view text);
bool IsStringASCII(std::u16string_view text);

}  // namespace base

#endif  // BASE_STRING_UTIL_H_
