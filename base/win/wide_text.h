// Carries UTF-16 text across the system boundary. The program holds wide
// text as char16_t (std::u16string, u"..."); the system's wide calls take
// WCHAR, which is the same 16-bit unit under another type: wchar_t on
// Windows, char16_t in the Linux stand-in. These casts only rename the
// type; nothing is converted. Plain functions; any thread.
#ifndef BASE_WIN_WIDE_TEXT_H_
#define BASE_WIN_WIDE_TEXT_H_

#include <windows.h>

static_assert(sizeof(WCHAR) == sizeof(char16_t),
              "WCHAR must be a 16-bit unit for the casts to hold");

inline const WCHAR* AsWCHAR(const char16_t* text) {
  return reinterpret_cast<const WCHAR*>(text);
}

inline WCHAR* AsWCHAR(char16_t* text) {
  return reinterpret_cast<WCHAR*>(text);
}

inline const char16_t* AsChar16(const WCHAR* text) {
  return reinterpret_cast<const char16_t*>(text);
}

inline char16_t* AsChar16(WCHAR* text) {
  return reinterpret_cast<char16_t*>(text);
}

#endif  // BASE_WIN_WIDE_TEXT_H_
