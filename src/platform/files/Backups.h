#pragma once

// The names and the pruning of the log's backups and rescue files, as pure code: no system
// call, no Qt. The file backends make, list and remove the files.
//
// A backup of diet.dat is "diet.dat.2026-12-11T081500Z-00.bak": the time of the save that
// replaced that version, in UTC, then a two-digit number that tells apart saves within the same
// second (-00 for the first). Every part has a fixed width, so that the names sort by time in
// any listing. A rescue file has the same form with ".rescue" for ".bak".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr int kBackupsKeptNewest = 10;  // the newest backups, whatever their age
inline constexpr int kBackupDaysKept = 30;     // and the newest of each of the last 30 days (today included)
inline constexpr int kMaxStampSequence = 99;   // saves within one second

inline constexpr std::string_view kBackupSuffix = ".bak";
inline constexpr std::string_view kRescueSuffix = ".rescue";

// "2026-12-11T081500Z-00" for `seconds` since 1970-01-01 00:00:00 UTC and a sequence number.
std::string TimeStamp(std::int64_t seconds, int sequence);

// "<fileName>.<stamp><suffix>".
std::string StampedName(std::string_view fileName, std::int64_t seconds, int sequence, std::string_view suffix);

struct StampedFile {
  std::string name;
  std::int64_t seconds = 0;
  int sequence = 0;
};

// The time and number in a name made by StampedName for this file and suffix; nothing for any
// other name.
std::optional<StampedFile> ParseStampedName(std::string_view fileName, std::string_view candidate,
                                            std::string_view suffix);

// Of the backups given (in any order), those that pruning removes at the time `now`: all but
// the kBackupsKeptNewest newest, and the newest of each UTC day among the last kBackupDaysKept
// days. Returned newest first.
std::vector<std::string> BackupsToRemove(std::vector<StampedFile> backups, std::int64_t now);

}  // namespace platform
