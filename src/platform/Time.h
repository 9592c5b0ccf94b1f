#pragma once

// Seconds since 1970-01-01 00:00:00 UTC and their local-time breakdown.

#include <cstdint>
#include <ctime>

class CTime {
 public:
  CTime() = default;
  explicit CTime(std::int64_t seconds) : m_time(seconds) {}
  // Local time of the given day and hour; daylight-saving decided by the C library when dst=-1.
  CTime(int year, int month, int day, int hour, int minute, int second, int dst = -1);

  static CTime GetCurrentTime();  // the clock seam, the system clock by default
  std::int64_t GetTime() const { return m_time; }
  // The local breakdown (struct tm conventions: tm_year + 1900, tm_mon 0..11). False when the
  // value cannot be broken down.
  bool GetLocalTm(std::tm* out) const;

 private:
  std::int64_t m_time = 0;
};
