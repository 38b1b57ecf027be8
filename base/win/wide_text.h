// Carries the program's UTF-16 text (char16_t) across the boundary of the
// system's wide-character calls. Windows' WCHAR and the Linux stand-in's
// are both 16-bit units, so the same code units serve both sides.
#ifndef BASE_WIN_WIDE_TEXT_H_
#define BASE_WIN_WIDE_TEXT_H_

#include <windows.h>

static_assert(sizeof(WCHAR) == sizeof(char16_t), "WCHAR holds UTF-16 code units");

inline const WCHAR* AsWCHAR(const char16_t* text) {
  return reinterpret_cast<const WCHAR*>(text);
}
inline WCHAR* AsWCHAR(char16_t* text) {
  return reinterpret_cast<WCHAR*>(text);
}
inline const char16_t* AsChar16(const WCHAR* text) {
  return reinterpret_cast<const char16_t*>(text);
}

#endif  // BASE_WIN_WIDE_TEXT_H_
