#include "base/string_util.h"

#include <utility>

namespace base {

const char16_t kWhitespaceUTF16[] = {
    0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x0020, 0x0085,
    0x00A0, 0x1680, 0x180E, 0x2000, 0x2001, 0x2002, 0x2003,
    0x2004, 0x2005, 0x2006, 0x2007, 0x2008, 0x2009, 0x200A,
    0x200C, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000, 0};
const char kWhitespaceASCII[] = "\t\n\v\f\r ";

namespace {

template <typename Char>
Char ToLowerASCII(Char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<Char>(c + ('a' - 'A')) : c;
}

template <typename String, typename View>
String Trim(View input, View whitespace) {
  size_t first = input.find_first_not_of(whitespace);
  if (first == View::npos)
    return String();
  size_t last = input.find_last_not_of(whitespace);
  return String(input.substr(first, last - first + 1));
}

template <typename String, typename View>
String Lower(View input) {
  String result(input);
  for (auto& c : result)
    c = ToLowerASCII(c);
  return result;
}

}  // namespace

bool IsWhitespace(char16_t c) {
  return std::u16string_view(kWhitespaceUTF16).find(c) !=
         std::u16string_view::npos;
}

std::u16string TrimWhitespace(std::u16string_view input) {
  return Trim<std::u16string>(input, std::u16string_view(kWhitespaceUTF16));
}

std::string TrimWhitespaceASCII(std::string_view input) {
  return Trim<std::string>(input, std::string_view(kWhitespaceASCII));
}

std::string StringToLowerASCII(std::string_view input) {
  return Lower<std::string>(input);
}

std::u16string StringToLowerASCII(std::u16string_view input) {
  return Lower<std::u16string>(input);
}

bool ReplaceCharacters(std::string_view input,
                       std::string_view characters,
                       std::string_view replacement,
                       std::string* output) {
  bool replaced = false;
  std::string result;
  result.reserve(input.size());
  // Walking the input (not the growing output) is what makes the search
  // resume after an inserted replacement.
  for (char c : input) {
    if (characters.find(c) != std::string_view::npos) {
      result.append(replacement);
      replaced = true;
    } else {
      result.push_back(c);
    }
  }
  *output = std::move(result);
  return replaced;
}

bool HasPrefix(std::string_view text,
               std::string_view prefix,
               bool case_sensitive) {
  if (text.size() < prefix.size())
    return false;
  if (case_sensitive)
    return text.substr(0, prefix.size()) == prefix;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (ToLowerASCII(text[i]) != ToLowerASCII(prefix[i]))
      return false;
  }
  return true;
}

bool IsStringASCII(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) > 0x7F)
      return false;
  }
  return true;
}

bool IsStringASCII(std::u16string_view text) {
  for (char16_t c : text) {
    if (c > 0x7F)
      return false;
  }
  return true;
}

}  // namespace base
