#include "platform/CivilDate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>

#include "CivilDatePrinter.h"

namespace {

using platform::CivilDate;
using platform::CivilFromDays;
using platform::DaysFromCivil;
using platform::WeekdayFromDays;

struct DateCase {
  CivilDate date;
  std::int64_t days;  // since 1970-01-01, from an independent calendar implementation
  int weekday;        // 0 = Sunday
  const char* reason;
};

std::ostream& operator<<(std::ostream& out, const DateCase& c) { return out << c.date << " (" << c.reason << ')'; }

class CivilDateTable : public testing::TestWithParam<DateCase> {};

TEST_P(CivilDateTable, DayNumberWeekdayAndBack) {
  const DateCase& c = GetParam();
  EXPECT_EQ(DaysFromCivil(c.date.year, c.date.month, c.date.day), c.days);
  EXPECT_EQ(CivilFromDays(c.days), c.date);
  EXPECT_EQ(WeekdayFromDays(c.days), c.weekday);
}

INSTANTIATE_TEST_SUITE_P(
    Dates, CivilDateTable,
    testing::Values(DateCase{{1900, 1, 1}, -25567, 1, "first day the calendar offers; 1900 is no leap year"},
                    DateCase{{1969, 12, 31}, -1, 3, "last day before 1970: negative day numbers round down"},
                    DateCase{{1970, 1, 1}, 0, 4, "day zero"},
                    DateCase{{2000, 2, 29}, 11016, 2, "2000 is a leap year: divisible by 400"},
                    DateCase{{2000, 3, 1}, 11017, 3, "the day after a leap day"},
                    DateCase{{2100, 2, 28}, 47540, 0, "2100 is no leap year"},
                    DateCase{{2100, 3, 1}, 47541, 1, "follows 28 February in 2100"},
                    DateCase{{3001, 1, 1}, 376565, 4, "beyond the Windows C runtime's last year"},
                    DateCase{{9999, 12, 31}, 2932896, 5, "last day the calendar offers"},
                    DateCase{{1600, 2, 29}, -135081, 2, "leap day of an earlier 400-year cycle"},
                    DateCase{{1, 1, 1}, -719162, 1, "first day of year 1"}));

int DaysInMonth(std::int64_t year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// Walks every day of the calendar's range one by one against the month lengths and leap rule.
TEST(CivilDateTest, EveryDayFrom1900To9999FollowsTheDayBefore) {
  const std::int64_t first = DaysFromCivil(1900, 1, 1);
  const std::int64_t last = DaysFromCivil(9999, 12, 31);
  CivilDate expected{1900, 1, 1};
  for (std::int64_t days = first; days <= last; ++days) {
    const CivilDate date = CivilFromDays(days);
    ASSERT_EQ(date, expected) << "day " << days;
    ASSERT_EQ(DaysFromCivil(date.year, date.month, date.day), days);
    if (++expected.day > DaysInMonth(expected.year, expected.month)) {
      expected.day = 1;
      if (++expected.month > 12) {
        expected.month = 1;
        ++expected.year;
      }
    }
  }
  EXPECT_EQ(expected, (CivilDate{10000, 1, 1}));
}

struct NormalisedCase {
  std::int64_t year;
  int month, day;
  CivilDate same;
  const char* reason;
};

class CivilDateNormalised : public testing::TestWithParam<NormalisedCase> {};

TEST_P(CivilDateNormalised, CountsOnLikeMktime) {
  const NormalisedCase& c = GetParam();
  EXPECT_EQ(DaysFromCivil(c.year, c.month, c.day), DaysFromCivil(c.same.year, c.same.month, c.same.day)) << c.reason;
}

INSTANTIATE_TEST_SUITE_P(OutOfRange, CivilDateNormalised,
                         testing::Values(NormalisedCase{2006, 13, 1, {2007, 1, 1}, "month 13 is next January"},
                                         NormalisedCase{2006, 0, 1, {2005, 12, 1}, "month 0 is last December"},
                                         NormalisedCase{2006, -12, 5, {2004, 12, 5}, "month -12 is two Decembers back"},
                                         NormalisedCase{2006, 3, 0, {2006, 2, 28}, "day 0 is the day before the 1st"},
                                         NormalisedCase{2004, 2, 30, {2004, 3, 1}, "a day past a leap February"},
                                         NormalisedCase{1999, 12, 32, {2000, 1, 1}, "into the next year"}));

}  // namespace
