#pragma once

// Days of the proleptic Gregorian calendar counted from 1970-01-01, and back. Our own
// arithmetic, so that every day from 1900-01-01 to 9999-12-31 (and far beyond) converts alike
// on every system, whatever range the C library's time functions cover.

#include <cstdint>

namespace platform {

struct CivilDate {
  std::int64_t year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

// The day number of a date; 1970-01-01 is 0. A month outside 1..12 moves into the years
// around, and a day outside its month counts on from the month's first day, as mktime does.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day);
CivilDate CivilFromDays(std::int64_t days);

// 0 for Sunday to 6 for Saturday.
int WeekdayFromDays(std::int64_t days);

// Division and remainder that round towards minus infinity, so that times before 1970 fall
// on the right day.
constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}
constexpr std::int64_t FloorMod(std::int64_t a, std::int64_t b) { return a - FloorDiv(a, b) * b; }

}  // namespace platform
