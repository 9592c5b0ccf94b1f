#include "platform/win32/CalendarKeys.h"

#include <algorithm>

#include "platform/CivilDate.h"

namespace platform {
namespace {

constexpr UINT_PTR kSubclassId = 0x4743;  // "GC"

bool SameDay(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay;
}

int DaysInMonth(std::int64_t year, int month) {
  return static_cast<int>(DaysFromCivil(year, month + 1, 1) - DaysFromCivil(year, month, 1));
}

// The day a key moves to from `day`; false for a key that moves nothing.
bool Step(WPARAM key, const SYSTEMTIME& day, SYSTEMTIME* next) {
  std::int64_t days = DaysFromCivil(day.wYear, day.wMonth, day.wDay);
  CivilDate date{day.wYear, day.wMonth, day.wDay};
  switch (key) {
    case VK_LEFT:
      date = CivilFromDays(days - 1);
      break;
    case VK_RIGHT:
      date = CivilFromDays(days + 1);
      break;
    case VK_UP:
      date = CivilFromDays(days - 7);
      break;
    case VK_DOWN:
      date = CivilFromDays(days + 7);
      break;
    case VK_PRIOR:
    case VK_NEXT: {
      // The same day of the month before or after, or its last day when it is shorter.
      const int delta = key == VK_PRIOR ? -1 : 1;
      const std::int64_t months = date.year * 12 + (date.month - 1) + delta;
      date.year = FloorDiv(months, 12);
      date.month = static_cast<int>(FloorMod(months, 12)) + 1;
      date.day = std::min(date.day, DaysInMonth(date.year, date.month));
      break;
    }
    default:
      return false;
  }
  if (date.year < 1 || date.year > 30827) return false;  // what SYSTEMTIME can hold
  *next = SYSTEMTIME{};
  next->wYear = static_cast<WORD>(date.year);
  next->wMonth = static_cast<WORD>(date.month);
  next->wDay = static_cast<WORD>(date.day);
  next->wDayOfWeek = static_cast<WORD>(WeekdayFromDays(DaysFromCivil(date.year, date.month, date.day)));
  return true;
}

LRESULT CALLBACK CalendarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, CalendarProc, kSubclassId);
  if (message != WM_KEYDOWN) return DefSubclassProc(hwnd, message, wParam, lParam);
  SYSTEMTIME before{};
  const bool hadDay = SendMessageW(hwnd, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&before)) != 0;
  const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
  SYSTEMTIME after{};
  SYSTEMTIME next{};
  if (hadDay && SendMessageW(hwnd, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&after)) && SameDay(before, after) &&
      Step(wParam, before, &next)) {
    // Outside the calendar's range the control refuses the day, and the selection stays.
    SendMessageW(hwnd, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&next));
  }
  return result;
}

}  // namespace

void AddCalendarKeys(HWND calendar) { SetWindowSubclass(calendar, CalendarProc, kSubclassId, 0); }

}  // namespace platform
