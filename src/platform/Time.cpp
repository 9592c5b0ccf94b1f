#include "platform/Time.h"

#include <functional>
#include <utility>

#include "platform/TestSeams.h"

namespace {

std::function<std::time_t()> g_clockHook;

}  // namespace

void platform::SetClockHook(std::function<std::time_t()> hook) { g_clockHook = std::move(hook); }

CTime CTime::GetCurrentTime() { return CTime(g_clockHook ? g_clockHook() : std::time(nullptr)); }

CTime::CTime(int year, int month, int day, int hour, int minute, int second, int dst) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = dst;
  m_time = static_cast<std::int64_t>(std::mktime(&local));
}

bool CTime::GetLocalTm(std::tm* out) const {
  const auto seconds = static_cast<std::time_t>(m_time);
  return localtime_r(&seconds, out) != nullptr;
}
