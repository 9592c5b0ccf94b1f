#include "platform/Time.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "CivilDatePrinter.h"
#include "platform/CivilDate.h"

namespace {

using platform::CivilDate;
using platform::DaysFromCivil;

constexpr std::int64_t kDay = 86400;

// Sets the process's time zone for one test, as TZ would for the whole program.
class ZoneScope {
 public:
  explicit ZoneScope(const char* zone) {
    if (const char* old = std::getenv("TZ")) m_old = old;
    Set(zone);
  }
  ~ZoneScope() { Set(m_old ? m_old->c_str() : nullptr); }
  ZoneScope(const ZoneScope&) = delete;
  ZoneScope& operator=(const ZoneScope&) = delete;

 private:
  static void Set(const char* zone) {
#ifdef _WIN32
    _putenv_s("TZ", zone ? zone : "");
    _tzset();
#else
    if (zone)
      setenv("TZ", zone, 1);
    else
      unsetenv("TZ");
    tzset();
#endif
  }
  std::optional<std::string> m_old;
};

struct Zone {
  const char* tz;
  bool posixOnly;  // the Windows C runtime reads only TZ=NAMEhh[DST], with the US rules
  bool hasDst;
};

std::ostream& operator<<(std::ostream& out, const Zone& zone) { return out << zone.tz; }

constexpr Zone kZones[] = {
    {"UTC0", false, false},
    {"EST5EDT", false, true},  // west of UTC: local midnight of 1970-01-01 is after 1970 began
    {"JST-9", false, false},   // east of UTC: local midnight of 1970-01-01 is before it
    // Daylight-saving time starts at midnight on the third Sunday of October: that midnight is
    // skipped, the day begins at 01:00.
    {"<-03>3<-02>,M10.3.0/0,M2.3.0/0", true, true},
    // Historical offsets from the zone database, down to seconds in 1900.
    {"Europe/Amsterdam", true, true},
    {"Australia/Lord_Howe", true, true},  // half-hour daylight-saving shift
};

// A zone name the C library does not find silently means UTC, which would prove nothing.
void RequireZone(const char* tz) {
#ifdef _WIN32
  (void)tz;
#else
  const std::string name = tz;
  if (name.find('/') != std::string::npos && name.find(',') == std::string::npos) {
    ASSERT_TRUE(std::filesystem::exists(std::string("/usr/share/zoneinfo/") + tz)) << tz << " (package tzdata)";
  }
#endif
}

void SkipOnWindowsIfPosixOnly(const Zone& zone) {
#ifdef _WIN32
  if (zone.posixOnly)
    GTEST_SKIP() << "the Windows C runtime knows no zone database and no TZ rules, only TZ=NAMEhh[DST]";
#endif
  RequireZone(zone.tz);
}

bool SkipsMidnight(const Zone& zone, const CivilDate& date) {
  // The third Sunday of October in the rule zone.
  if (std::string(zone.tz).rfind("<-03>", 0) != 0 || date.month != 10) return false;
  return platform::WeekdayFromDays(DaysFromCivil(date.year, date.month, date.day)) == 0 && date.day >= 15 &&
         date.day <= 21;
}

class LocalMidnightTest : public testing::TestWithParam<std::tuple<Zone, CivilDate>> {};

// What the date dialog does with the day picked in the calendar: local midnight of that day,
// broken down again, must give the same day back, for every day the calendar offers.
TEST_P(LocalMidnightTest, DayPickedComesBackAsTheSameDay) {
  const auto& [zone, date] = GetParam();
  SkipOnWindowsIfPosixOnly(zone);
  if (IsSkipped() || HasFatalFailure()) return;
  ZoneScope scope(zone.tz);
  const int year = static_cast<int>(date.year);
  const CTime midnight(year, date.month, date.day, 0, 0, 0, -1);
  std::tm local{};
  ASSERT_TRUE(midnight.GetLocalTm(&local));
  EXPECT_EQ(local.tm_year + 1900, date.year);
  EXPECT_EQ(local.tm_mon + 1, date.month);
  EXPECT_EQ(local.tm_mday, date.day);
  EXPECT_EQ(local.tm_hour, SkipsMidnight(zone, date) ? 1 : 0);
  EXPECT_EQ(local.tm_wday, platform::WeekdayFromDays(DaysFromCivil(date.year, date.month, date.day)));

  const std::int64_t dayLength = CTime(year, date.month, date.day + 1, 0, 0, 0, -1).GetTime() - midnight.GetTime();
  if (zone.hasDst) {
    EXPECT_GE(dayLength, kDay - 3600);
    EXPECT_LE(dayLength, kDay + 3600);
  } else {
    EXPECT_EQ(dayLength, kDay);
  }
}

constexpr CivilDate kDates[] = {
    {1900, 1, 1},   {1969, 12, 31}, {1970, 1, 1},   {2000, 2, 29}, {2006, 3, 5}, {2006, 7, 15},
    {2006, 10, 15}, {2100, 3, 1},   {2999, 12, 31}, {3001, 1, 1},  {3001, 7, 1}, {9999, 12, 31},
};

INSTANTIATE_TEST_SUITE_P(Calendar, LocalMidnightTest,
                         testing::Combine(testing::ValuesIn(kZones), testing::ValuesIn(kDates)));

class ZoneTest : public testing::TestWithParam<Zone> {};

// The calendar opens on today: today's date is the system's own local conversion of now, and
// our midnights of that day enclose now.
TEST_P(ZoneTest, TodayIsTheSystemsLocalDateAndItsMidnightsEncloseNow) {
  SkipOnWindowsIfPosixOnly(GetParam());
  if (IsSkipped() || HasFatalFailure()) return;
  ZoneScope scope(GetParam().tz);
  const std::time_t now = std::time(nullptr);
  std::tm system{};
#ifdef _WIN32
  ASSERT_EQ(localtime_s(&system, &now), 0);
#else
  ASSERT_NE(localtime_r(&now, &system), nullptr);
#endif
  std::tm local{};
  ASSERT_TRUE(CTime(now).GetLocalTm(&local));
  EXPECT_EQ(std::tie(local.tm_year, local.tm_mon, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec),
            std::tie(system.tm_year, system.tm_mon, system.tm_mday, system.tm_hour, system.tm_min, system.tm_sec));
  const int year = local.tm_year + 1900;
  EXPECT_LE(CTime(year, local.tm_mon + 1, local.tm_mday, 0, 0, 0).GetTime(), now);
  EXPECT_GT(CTime(year, local.tm_mon + 1, local.tm_mday + 1, 0, 0, 0).GetTime(), now);
}

// Instants spread over 1900 to 9999, inside and outside what the C library converts: each
// falls between the midnights of its local day, and its local time leads back to it.
TEST_P(ZoneTest, InstantsFallOnTheirLocalDayAndLeadBackToThemselves) {
  SkipOnWindowsIfPosixOnly(GetParam());
  if (IsSkipped() || HasFatalFailure()) return;
  ZoneScope scope(GetParam().tz);
  const std::int64_t first = DaysFromCivil(1900, 1, 2) * kDay;
  const std::int64_t last = DaysFromCivil(9999, 12, 30) * kDay;
  const std::int64_t step = 86'413'577;  // about 2.7 years, and no whole number of hours
  for (std::int64_t t = first; t < last; t += step) {
    std::tm local{};
    ASSERT_TRUE(CTime(t).GetLocalTm(&local)) << t;
    const int year = local.tm_year + 1900;
    const int month = local.tm_mon + 1;
    ASSERT_LE(CTime(year, month, local.tm_mday, 0, 0, 0).GetTime(), t) << t;
    ASSERT_GT(CTime(year, month, local.tm_mday + 1, 0, 0, 0).GetTime(), t) << t;
    const std::int64_t back = CTime(year, month, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec).GetTime();
    if (GetParam().hasDst)
      ASSERT_LE(std::abs(back - t), 3600) << t;  // the repeated hour may be read as its other instance
    else
      ASSERT_EQ(back, t) << t;
  }
}

INSTANTIATE_TEST_SUITE_P(Zones, ZoneTest, testing::ValuesIn(kZones));

// On Linux the date dialog used the C library's mktime before; it must give the very same
// instants, so that nothing the program shows or writes changes.
TEST(TimeTest, MidnightsAreMktimes) {
#ifdef _WIN32
  GTEST_SKIP() << "the Windows C runtime's mktime refuses years before 1970 and after 3000, and knows no zone "
                  "database";
#else
  for (const char* tz : {"Europe/Amsterdam", "America/Sao_Paulo", "Australia/Lord_Howe", "Asia/Kathmandu",
                         "America/St_Johns", "EST5EDT", "JST-9", "UTC0"}) {
    RequireZone(tz);
    ZoneScope scope(tz);
    // Days across the whole range, and every day of years in which Sao Paulo skipped midnight.
    std::vector<std::int64_t> days;
    for (std::int64_t d = DaysFromCivil(1900, 1, 1); d <= DaysFromCivil(9999, 12, 31); d += 97) days.push_back(d);
    for (std::int64_t d = DaysFromCivil(2016, 1, 1); d < DaysFromCivil(2019, 1, 1); ++d) days.push_back(d);
    for (const std::int64_t day : days) {
      const CivilDate date = platform::CivilFromDays(day);
      std::tm wanted{};
      wanted.tm_year = static_cast<int>(date.year - 1900);
      wanted.tm_mon = date.month - 1;
      wanted.tm_mday = date.day;
      wanted.tm_isdst = -1;
      const std::time_t expected = std::mktime(&wanted);
      ASSERT_EQ(CTime(static_cast<int>(date.year), date.month, date.day, 0, 0, 0, -1).GetTime(), expected)
          << tz << ' ' << date.year << '-' << date.month << '-' << date.day;
    }
  }
#endif
}

}  // namespace
