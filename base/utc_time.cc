#include "base/utc_time.h"

#include <cstdio>
#include <ctime>

namespace base {

namespace {

constexpr int64_t kSecondsPerDay = 86400;

bool IsLeapYear(int64_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int64_t year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the given date of the proleptic Gregorian
// calendar, counted in eras of 400 years (146097 days), which repeat
// exactly.
int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t year_of_era = year - era * 400;
  const int64_t day_of_year =
      (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t day_of_era =
      year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

// The inverse of DaysFromCivil.
void CivilFromDays(int64_t days, int64_t* year, int* month, int* day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t day_of_era = days - era * 146097;
  const int64_t year_of_era = (day_of_era - day_of_era / 1460 +
                               day_of_era / 36524 - day_of_era / 146096) /
                              365;
  const int64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const int64_t shifted_month = (5 * day_of_year + 2) / 153;
  *day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
  *month = static_cast<int>(shifted_month < 10 ? shifted_month + 3
                                               : shifted_month - 9);
  *year = year_of_era + era * 400 + (*month <= 2);
}

// The decimal number in text[at, at + digits), or -1 when it is not all
// digits.
int64_t Digits(std::string_view text, size_t at, size_t digits) {
  int64_t value = 0;
  for (size_t i = at; i < at + digits; ++i) {
    if (text[i] < '0' || text[i] > '9')
      return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// 1 to 12 for an English month abbreviation ("Jan"), 0 for anything else.
int MonthNumber(std::string_view name) {
  static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  for (int month = 0; month < 12; ++month) {
    if (name == std::string_view(kMonths + 3 * month, 3))
      return month + 1;
  }
  return 0;
}

}  // namespace

int64_t UtcNowSeconds() {
  return static_cast<int64_t>(std::time(nullptr));
}

bool ParseUtcTime(std::string_view text, int64_t* seconds) {
  // Y Y Y Y - M M - D D T H H : M M : S S Z
  if (text.size() != 20 || text[4] != '-' || text[7] != '-' ||
      text[10] != 'T' || text[13] != ':' || text[16] != ':' ||
      text[19] != 'Z') {
    return false;
  }
  const int64_t year = Digits(text, 0, 4);
  const int64_t month = Digits(text, 5, 2);
  const int64_t day = Digits(text, 8, 2);
  const int64_t hour = Digits(text, 11, 2);
  const int64_t minute = Digits(text, 14, 2);
  const int64_t second = Digits(text, 17, 2);
  if (year < 0 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, static_cast<int>(month)) || hour < 0 ||
      hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
    return false;
  }
  *seconds =
      DaysFromCivil(year, static_cast<int>(month), static_cast<int>(day)) *
          kSecondsPerDay +
      hour * 3600 + minute * 60 + second;
  return true;
}

bool ParseHttpDate(std::string_view text, int64_t* seconds) {
  int64_t year = -1;
  int month = 0;
  int64_t day = -1;
  std::string_view time;
  if (text.size() == 29 && text.substr(3, 2) == ", " && text[7] == ' ' &&
      text[11] == ' ' && text[16] == ' ' && text.substr(25) == " GMT") {
    // Sun, 06 Nov 1994 08:49:37 GMT
    day = Digits(text, 5, 2);
    month = MonthNumber(text.substr(8, 3));
    year = Digits(text, 12, 4);
    time = text.substr(17, 8);
  } else if (text.size() == 24 && text[3] == ' ' && text[7] == ' ' &&
             text[10] == ' ' && text[19] == ' ') {
    // Sun Nov  6 08:49:37 1994
    month = MonthNumber(text.substr(4, 3));
    day = text[8] == ' ' ? Digits(text, 9, 1) : Digits(text, 8, 2);
    year = Digits(text, 20, 4);
    time = text.substr(11, 8);
  } else {
    // Sunday, 06-Nov-94 08:49:37 GMT
    const size_t comma = text.find(", ");
    if (comma == std::string_view::npos)
      return false;
    const std::string_view rest = text.substr(comma + 2);
    if (rest.size() != 22 || rest[2] != '-' || rest[6] != '-' ||
        rest[9] != ' ' || rest.substr(18) != " GMT") {
      return false;
    }
    day = Digits(rest, 0, 2);
    month = MonthNumber(rest.substr(3, 3));
    const int64_t two_digits = Digits(rest, 7, 2);
    year = two_digits < 0 ? -1 : two_digits + (two_digits < 70 ? 2000 : 1900);
    time = rest.substr(10, 8);
  }
  if (year < 0 || month == 0 || day < 0)
    return false;
  char utc[32];
  snprintf(utc, sizeof(utc), "%04lld-%02d-%02lldT",
           static_cast<long long>(year), month, static_cast<long long>(day));
  return ParseUtcTime(std::string(utc) + std::string(time) + "Z", seconds);
}

std::string FormatUtcTime(int64_t seconds) {
  int64_t days = seconds / kSecondsPerDay;
  int64_t of_day = seconds % kSecondsPerDay;
  if (of_day < 0) {
    of_day += kSecondsPerDay;
    --days;
  }
  int64_t year = 0;
  int month = 0;
  int day = 0;
  CivilFromDays(days, &year, &month, &day);
  char text[32];
  snprintf(text, sizeof(text), "%04lld-%02d-%02dT%02lld:%02lld:%02lldZ",
           static_cast<long long>(year), month, day,
           static_cast<long long>(of_day / 3600),
           static_cast<long long>(of_day / 60 % 60),
           static_cast<long long>(of_day % 60));
  return text;
}

}  // namespace base
