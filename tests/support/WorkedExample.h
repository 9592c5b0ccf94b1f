#pragma once

// The two-entry log that the file format is explained with, and the 179 bytes it is saved as.

#include <string_view>

#include "log/MeasurementEntry.h"

namespace testing_support {

inline const MeasurementEntry kJanuary = {"2006-01-31", "82.5", "104", "41", "35", "60", "96"};
inline const MeasurementEntry kFebruary = {"2006-02-07", "81.9", "103", "41", "35", "59", "95"};

// kJanuary then kFebruary, earliest first as the file holds them.
inline constexpr std::string_view kWorkedExampleBytes =
    "CREATOR=GIRTHMINDER 1.0\r\n"
    "DATE=2006-01-31\r\nWEIGHT=82.5\r\nCHEST=104\r\nNECK=41\r\nARM=35\r\nLEG=60\r\nWAIST=96\r\n"
    "\r\n"
    "DATE=2006-02-07\r\nWEIGHT=81.9\r\nCHEST=103\r\nNECK=41\r\nARM=35\r\nLEG=59\r\nWAIST=95\r\n";

}  // namespace testing_support
