// Calendar time in UTC, as seconds since 1970-01-01T00:00:00Z, and its
// text form "YYYY-MM-DDTHH:MM:SSZ". Plain functions; any thread may call
// them.
#ifndef BASE_UTC_TIME_H_
#define BASE_UTC_TIME_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace base {

// Now, by the system's clock, which the user may have set wrong.
int64_t UtcNowSeconds();

// Reads exactly "YYYY-MM-DDTHH:MM:SSZ" (digits, with those separators, of a
// real date and a time of day up to 23:59:59) into |seconds|; false for any
// other text.
bool ParseUtcTime(std::string_view text, int64_t* seconds);

// Reads an HTTP date (RFC 9110): "Sun, 06 Nov 1994 08:49:37 GMT", or one of
// the two obsolete forms that recipients must still take, "Sunday,
// 06-Nov-94 08:49:37 GMT" (a two-digit year below 70 is of this century)
// and asctime's "Sun Nov  6 08:49:37 1994". False for any other text; the
// day names are not checked.
bool ParseHttpDate(std::string_view text, int64_t* seconds);

// |seconds| written as ParseUtcTime reads it; years 0 to 9999.
std::string FormatUtcTime(int64_t seconds);

}  // namespace base

#endif  // BASE_UTC_TIME_H_
