#pragma once

#include <array>
#include <string>

// One log entry: seven texts exactly as typed or read, in the fixed order that is also the
// order of the list columns and of the key lines of a record in diet.dat.
enum Field : int { kDate, kWeight, kChest, kNeck, kArm, kLeg, kWaist };
inline constexpr int kFieldCount = 7;

using MeasurementEntry = std::array<std::string, kFieldCount>;
