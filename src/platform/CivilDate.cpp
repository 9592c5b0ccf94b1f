#include "platform/CivilDate.h"

namespace platform {

namespace {
// The calendar repeats every 400 years: 146097 days. Counting in eras of 400 years that start
// on 1 March keeps the leap day at the end of each counted year.
constexpr std::int64_t kDaysPerEra = 146097;
constexpr std::int64_t kDaysFrom0000To1970 = 719468;  // from 0000-03-01
}  // namespace

std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  year += FloorDiv(month - 1, 12);
  const auto m = static_cast<int>(FloorMod(month - 1, 12)) + 1;
  if (m <= 2) --year;
  const std::int64_t era = FloorDiv(year, 400);
  const std::int64_t yearOfEra = year - era * 400;                                   // 0..399
  const std::int64_t dayOfYear = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + day - 1;  // from 1 March
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * kDaysPerEra + dayOfEra - kDaysFrom0000To1970;
}

CivilDate CivilFromDays(std::int64_t days) {
  days += kDaysFrom0000To1970;
  const std::int64_t era = FloorDiv(days, kDaysPerEra);
  const std::int64_t dayOfEra = days - era * kDaysPerEra;  // 0..146096
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);  // from 1 March
  const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;                                  // 0..11
  CivilDate date;
  date.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
  date.month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
  date.year = yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0);
  return date;
}

int WeekdayFromDays(std::int64_t days) { return static_cast<int>(FloorMod(days + 4, 7)); }  // 1970-01-01: Thursday

}  // namespace platform
