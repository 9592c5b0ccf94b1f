#include "platform/Time.h"

#include <algorithm>
#include <array>
#include <limits>

#include "platform/CivilDate.h"

using platform::CivilFromDays;
using platform::DaysFromCivil;
using platform::FloorDiv;

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kSecondsPer400Years = 146097 * kSecondsPerDay;
// About two billion years either side of 1970: the years a struct tm can hold, and far from
// any overflow in the arithmetic below.
constexpr std::int64_t kLimit = std::int64_t{2'000'000'000} * 365 * kSecondsPerDay;

// The C library's local breakdown; false where it refuses (the Windows C runtime converts only
// 1970 to 3000).
bool SystemLocalTime(std::int64_t seconds, std::tm* out) {
  if (seconds < std::numeric_limits<std::time_t>::min() || seconds > std::numeric_limits<std::time_t>::max())
    return false;
  const auto t = static_cast<std::time_t>(seconds);
#ifdef _WIN32
  return localtime_s(out, &t) == 0;
#else
  return localtime_r(&t, out) != nullptr;
#endif
}

// A local clock reading counted in seconds as if it were UTC.
std::int64_t ClockSeconds(const std::tm& local) {
  return DaysFromCivil(std::int64_t{local.tm_year} + 1900, local.tm_mon + 1, local.tm_mday) * kSecondsPerDay +
         local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
}

struct ZoneOffset {
  std::int64_t seconds = 0;  // local clock minus UTC
  int isdst = 0;
};

// The zone's offset at an instant. Where the C library refuses the instant, the offset of the
// same moment shifted by whole 400-year cycles into years it converts: the cycle repeats every
// date and weekday, so rules such as "the last Sunday in March" fall alike.
ZoneOffset OffsetAt(std::int64_t seconds) {
  std::tm local{};
  if (SystemLocalTime(seconds, &local)) return {ClockSeconds(local) - seconds, local.tm_isdst};
  const std::int64_t year = CivilFromDays(FloorDiv(seconds, kSecondsPerDay)).year;
  const std::int64_t shifted = seconds - FloorDiv(year - 2200, 400) * kSecondsPer400Years;  // 2200..2599
  if (SystemLocalTime(shifted, &local)) return {ClockSeconds(local) - shifted, local.tm_isdst};
  return {};  // no local time to be had: UTC
}

}  // namespace

CTime::CTime(int year, int month, int day, int hour, int minute, int second, int dst) {
  const std::int64_t clock =
      DaysFromCivil(year, month, day) * kSecondsPerDay + std::int64_t{hour} * 3600 + std::int64_t{minute} * 60 + second;
  // The offsets in force around that clock reading: a day either side reaches past any
  // transition that could apply, since no zone is more than a day from UTC.
  const std::array<ZoneOffset, 3> around = {OffsetAt(clock - kSecondsPerDay), OffsetAt(clock),
                                            OffsetAt(clock + kSecondsPerDay)};
  bool found = false;
  bool foundMatchesDst = false;
  std::int64_t smallestOffset = around[0].seconds;
  for (const ZoneOffset& offset : around) {
    smallestOffset = std::min(smallestOffset, offset.seconds);
    const std::int64_t candidate = clock - offset.seconds;
    const ZoneOffset actual = OffsetAt(candidate);
    if (actual.seconds != offset.seconds) continue;  // the clock does not show `clock` then
    const bool matchesDst = dst >= 0 && (actual.isdst > 0) == (dst > 0);
    const bool better =
        !found || (matchesDst && !foundMatchesDst) || (matchesDst == foundMatchesDst && candidate < m_time);
    if (better) {
      m_time = candidate;
      foundMatchesDst = matchesDst;
    }
    found = true;
  }
  // Skipped by the clock (the hour lost when daylight-saving time starts): the offset before
  // the jump, the smaller one, gives an instant just after it.
  if (!found) m_time = clock - smallestOffset;
}

bool CTime::GetLocalTm(std::tm* out) const {
  if (SystemLocalTime(m_time, out)) return true;
  if (m_time < -kLimit || m_time > kLimit) return false;
  const ZoneOffset offset = OffsetAt(m_time);
  const std::int64_t clock = m_time + offset.seconds;
  const std::int64_t days = FloorDiv(clock, kSecondsPerDay);
  const std::int64_t secondOfDay = clock - days * kSecondsPerDay;
  const platform::CivilDate date = CivilFromDays(days);
  std::tm local{};
  local.tm_year = static_cast<int>(date.year - 1900);
  local.tm_mon = date.month - 1;
  local.tm_mday = date.day;
  local.tm_hour = static_cast<int>(secondOfDay / 3600);
  local.tm_min = static_cast<int>(secondOfDay / 60 % 60);
  local.tm_sec = static_cast<int>(secondOfDay % 60);
  local.tm_wday = platform::WeekdayFromDays(days);
  local.tm_yday = static_cast<int>(days - DaysFromCivil(date.year, 1, 1));
  local.tm_isdst = offset.isdst;
  *out = local;
  return true;
}
