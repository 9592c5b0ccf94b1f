#pragma once

// The diet.dat format as pure code: text <-> entries. No file access, no Qt.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "log/MeasurementEntry.h"

namespace storage {

inline constexpr std::string_view kLogHeader = "CREATOR=GIRTHMINDER 1.0";

// The seven keys in record order (the same order as the fields).
inline constexpr std::string_view kLogKeys[kFieldCount] = {"DATE", "WEIGHT", "CHEST", "NECK", "ARM", "LEG", "WAIST"};

// Reads decoded text (LF line ends, as the text-mode reader delivers it) and calls `commit`
// once per committed record, in file order (the file's first record first).
void ParseLog(std::string_view text, const std::function<void(const MeasurementEntry&)>& commit);

// The bytes of diet.dat (CR LF line ends) for `count` entries in file order, earliest first;
// `cell(i, field)` gives the text of entry i.
std::string FormatLog(std::size_t count, const std::function<std::string_view(std::size_t, int)>& cell);

}  // namespace storage
