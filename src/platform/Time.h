#pragma once

// Seconds since 1970-01-01 00:00:00 UTC and their local-time breakdown. The calendar
// arithmetic is our own, so every day from 1900-01-01 to 9999-12-31 converts on every system;
// the local time zone comes from the C library.

#include <cstdint>
#include <ctime>

#include "platform/Win32Types.h"  // on Windows, before any use of the name GetCurrentTime

class CTime {
 public:
  CTime() = default;
  explicit CTime(std::int64_t seconds) : m_time(seconds) {}
  // The instant at which the local clock shows the given day and time. dst -1 lets the time
  // zone decide; where the clock shows that time twice (the hour repeated when daylight-saving
  // time ends), 0 picks the standard time and 1 the daylight-saving time, -1 the earlier.
  // A time the clock skips is read with the offset before the jump, as mktime does, which
  // lands after the jump and on the same day.
  CTime(int year, int month, int day, int hour, int minute, int second, int dst = -1);

  static CTime GetCurrentTime();  // the clock seam, the system clock by default
  std::int64_t GetTime() const { return m_time; }
  // The local breakdown (struct tm conventions: tm_year + 1900, tm_mon 0..11). The C
  // library's own conversion wherever it has one (today's date always); our arithmetic with
  // the zone's offset where it refuses. False when the year does not fit in a struct tm.
  bool GetLocalTm(std::tm* out) const;

 private:
  std::int64_t m_time = 0;
};
