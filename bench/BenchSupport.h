#pragma once

// Small helpers shared by the benchmarks: clocks, realistic log entries, a failure exit.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "log/MeasurementEntry.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

[[noreturn]] inline void Fail(const std::string& why) {
  std::fprintf(stderr, "benchmark failed: %s\n", why.c_str());
  std::exit(2);
}

// The date `day` days after 1990-01-01 as the date picker writes it, e.g. 1990-03-05.
inline std::string DateText(long day) {
  // Days to civil date (H. Hinnant's algorithm), from the 1970 epoch.
  long z = day + 7305 + 719468;  // 1990-01-01 is day 7305 after 1970-01-01
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long year = yoe + era * 400;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  const long dayOfMonth = doy - (153 * mp + 2) / 5 + 1;
  const long month = mp < 10 ? mp + 3 : mp - 9;
  if (month <= 2) ++year;
  char text[64];
  std::snprintf(text, sizeof text, "%ld-%02ld-%02ld", year, month, dayOfMonth);
  return text;
}

// Plausible measurements of one person over the years, typed the way people type them:
// weights with one decimal, sometimes with a comma, girths mostly whole centimetres.
class EntryMaker {
 public:
  explicit EntryMaker(unsigned seed = 1990) : m_random(seed) {}

  MeasurementEntry Next(long day) {
    // The weight drifts with the diet and back; the girths follow it loosely.
    m_weight += Uniform(-0.35, 0.33);
    if (m_weight < 68.0) m_weight += 2.0;
    if (m_weight > 118.0) m_weight -= 2.0;
    const double fat = (m_weight - 68.0) / 50.0;  // 0 lean .. 1 heavy
    MeasurementEntry entry;
    entry[kDate] = DateText(day);
    entry[kWeight] = Decimal(m_weight, Chance(0.15) ? ',' : '.');
    entry[kChest] = Girth(94.0 + 18.0 * fat);
    entry[kNeck] = Girth(37.0 + 6.0 * fat);
    entry[kArm] = Girth(29.0 + 9.0 * fat);
    entry[kLeg] = Girth(53.0 + 12.0 * fat);
    entry[kWaist] = Girth(80.0 + 32.0 * fat);
    return entry;
  }

 private:
  double Uniform(double low, double high) { return std::uniform_real_distribution<double>(low, high)(m_random); }
  bool Chance(double p) { return Uniform(0.0, 1.0) < p; }

  static std::string Decimal(double value, char point) {
    const long tenths = std::lround(value * 10.0);
    return std::to_string(tenths / 10) + point + std::to_string(tenths % 10);
  }

  std::string Girth(double centre) {
    const double value = centre + Uniform(-1.0, 1.0);
    const long halves = std::lround(value * 2.0);
    if (halves % 2 != 0 && Chance(0.4)) return std::to_string(halves / 2) + ".5";  // half centimetres
    return std::to_string((halves + 1) / 2);
  }

  std::mt19937 m_random;
  double m_weight = 96.0;
};

}  // namespace bench
