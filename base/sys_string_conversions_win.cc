// The ANSI code page is the system's (CP_ACP), converted by the system. Two
// choices keep the results equal to the Linux half's:
// - no "best fit": a character without an exact equivalent becomes the code
//   page's default character ('?') instead of a look-alike (in GBK an
//   accented capital as the small letter of the pinyin row; in other code
//   pages a full-width slash as '/', which would change what a path means);
// - a character beyond the Basic Multilingual Plane (a surrogate pair) is
//   one character and becomes one '?' in a code page whose characters are
//   at most two bytes, where Windows would write one '?' per unit.
// Bytes that form no character become U+FFFD each, where Windows would
// substitute its code page's own choice.
#include "base/sys_string_conversions.h"

#include <windows.h>

#include <string>

#include "base/win/wide_text.h"

namespace base {

namespace {

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Whether the ANSI code page holds every character: only those with
// characters of up to four bytes (UTF-8, GB 18030) do, and the system takes
// no "best fit" flag for them.
bool AnsiCodePageHoldsEveryCharacter() {
  CPINFO info;
  return GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 2;
}

// The whole of |wide| in the ANSI code page; empty on failure.
std::string ConvertToAnsi(std::u16string_view wide, DWORD flags) {
  const int wide_length = static_cast<int>(wide.size());
  const int size =
      WideCharToMultiByte(CP_ACP, flags, AsWCHAR(wide.data()), wide_length,
                          nullptr, 0, nullptr, nullptr);
  if (size <= 0)
    return std::string();
  std::string ansi(static_cast<size_t>(size), '\0');
  if (WideCharToMultiByte(CP_ACP, flags, AsWCHAR(wide.data()), wide_length,
                          &ansi[0], size, nullptr, nullptr) != size) {
    return std::string();
  }
  return ansi;
}

// Converts |ansi| whole; false when it holds a byte sequence that forms no
// character of the code page.
bool ConvertToWide(std::string_view ansi, std::u16string* wide) {
  const int ansi_length = static_cast<int>(ansi.size());
  const int size = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS,
                                       ansi.data(), ansi_length, nullptr, 0);
  if (size <= 0)
    return false;
  std::u16string result(static_cast<size_t>(size), u'\0');
  if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(),
                          ansi_length, AsWCHAR(&result[0]), size) != size) {
    return false;
  }
  wide->append(result);
  return true;
}

}  // namespace

std::string WideToAnsi(std::u16string_view wide) {
  if (wide.empty())
    return std::string();
  if (AnsiCodePageHoldsEveryCharacter())
    return ConvertToAnsi(wide, 0);
  // Each pair keeps only its high surrogate, which the code page cannot
  // represent either: one default character for the one character.
  std::u16string collapsed;
  collapsed.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    collapsed.push_back(wide[i]);
    if (IsHighSurrogate(wide[i]) && i + 1 < wide.size() &&
        IsLowSurrogate(wide[i + 1])) {
      ++i;
    }
  }
  return ConvertToAnsi(collapsed, WC_NO_BEST_FIT_CHARS);
}

std::u16string AnsiToWide(std::string_view ansi) {
  if (ansi.empty())
    return std::u16string();
  std::u16string wide;
  if (ConvertToWide(ansi, &wide))
    return wide;

  // Somewhere a sequence is bad: go character by character, taking the
  // shortest run of bytes that forms one, or one byte as U+FFFD.
  CPINFO info;
  const size_t longest =
      GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 0 ? info.MaxCharSize : 1;
  wide.clear();
  size_t position = 0;
  while (position < ansi.size()) {
    size_t length = 1;
    while (length <= longest && position + length <= ansi.size() &&
           !ConvertToWide(ansi.substr(position, length), &wide)) {
      ++length;
    }
    if (length > longest || position + length > ansi.size()) {
      wide.push_back(u'\uFFFD');
      length = 1;
    }
    position += length;
  }
  return wide;
}

}  // namespace base
