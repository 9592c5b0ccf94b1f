#pragma once

// Dates in test messages as 2006-3-5 instead of their bytes. Every test that compares dates
// includes it, so that all of them print dates alike.

#include <ostream>

#include "platform/CivilDate.h"

namespace platform {
inline std::ostream& operator<<(std::ostream& out, const CivilDate& date) {
  return out << date.year << '-' << date.month << '-' << date.day;
}
}  // namespace platform
