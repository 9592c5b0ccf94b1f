#pragma once

// Entries in and out of diet.dat's text, as the window loads and saves them; for the tests and
// the fuzzers.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "log/MeasurementEntry.h"
#include "storage/format/LogFormat.h"

namespace testing_support {

using Entries = std::vector<MeasurementEntry>;

// The entries the loader commits from decoded text, in file order.
inline Entries Parse(std::string_view text) {
  Entries entries;
  storage::ParseLog(text, [&](const MeasurementEntry& entry) { entries.push_back(entry); });
  return entries;
}

// The bytes the saver writes for entries given in file order.
inline std::string Format(const Entries& entries) {
  return storage::FormatLog(entries.size(), [&](std::size_t i, int field) -> std::string_view {
    return entries.at(i).at(static_cast<std::size_t>(field));
  });
}

}  // namespace testing_support
