#include "platform/files/Backups.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace platform {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// The proleptic Gregorian calendar day of a day number (days since 1970-01-01), and back.
// H. Hinnant's civil_from_days and days_from_civil.
void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = FloorDiv(z, 146097);
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
}

std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  if (m <= 2) --y;
  const std::int64_t era = FloorDiv(y, 400);
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// Reads `count` digits at `pos`; false if any is not a digit.
bool Digits(std::string_view text, std::size_t pos, std::size_t count, int& value) {
  value = 0;
  if (pos + count > text.size()) return false;
  for (std::size_t i = pos; i < pos + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

constexpr std::size_t kStampLength = 21;  // 2026-12-11T081500Z-00

}  // namespace

std::string TimeStamp(std::int64_t seconds, int sequence) {
  const std::int64_t days = FloorDiv(seconds, kSecondsPerDay);
  const std::int64_t inDay = seconds - days * kSecondsPerDay;
  std::int64_t year = 0;
  unsigned month = 0, day = 0;
  CivilFromDays(days, year, month, day);
  year = std::clamp<std::int64_t>(year, 0, 9999);  // four digits, so that names sort
  sequence = std::clamp(sequence, 0, kMaxStampSequence);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d%02d%02dZ-%02d", static_cast<int>(year), month, day,
                static_cast<int>(inDay / 3600), static_cast<int>(inDay / 60 % 60), static_cast<int>(inDay % 60),
                sequence);
  return text;
}

std::string StampedName(std::string_view fileName, std::int64_t seconds, int sequence, std::string_view suffix) {
  std::string name(fileName);
  name += '.';
  name += TimeStamp(seconds, sequence);
  name += suffix;
  return name;
}

std::optional<StampedFile> ParseStampedName(std::string_view fileName, std::string_view candidate,
                                            std::string_view suffix) {
  if (candidate.size() != fileName.size() + 1 + kStampLength + suffix.size()) return std::nullopt;
  if (candidate.substr(0, fileName.size()) != fileName || candidate[fileName.size()] != '.') return std::nullopt;
  if (candidate.substr(candidate.size() - suffix.size()) != suffix) return std::nullopt;
  const std::string_view stamp = candidate.substr(fileName.size() + 1, kStampLength);
  int year, month, day, hour, minute, second, sequence;
  if (!Digits(stamp, 0, 4, year) || stamp[4] != '-' || !Digits(stamp, 5, 2, month) || stamp[7] != '-' ||
      !Digits(stamp, 8, 2, day) || stamp[10] != 'T' || !Digits(stamp, 11, 2, hour) || !Digits(stamp, 13, 2, minute) ||
      !Digits(stamp, 15, 2, second) || stamp[17] != 'Z' || stamp[18] != '-' || !Digits(stamp, 19, 2, sequence))
    return std::nullopt;
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59) return std::nullopt;
  StampedFile file;
  file.name = std::string(candidate);
  file.seconds = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * kSecondsPerDay +
                 std::int64_t{hour} * 3600 + std::int64_t{minute} * 60 + second;
  file.sequence = sequence;
  return file;
}

std::vector<std::string> BackupsToRemove(std::vector<StampedFile> backups, std::int64_t now) {
  std::sort(backups.begin(), backups.end(), [](const StampedFile& a, const StampedFile& b) {
    if (a.seconds != b.seconds) return a.seconds > b.seconds;
    if (a.sequence != b.sequence) return a.sequence > b.sequence;
    return a.name > b.name;
  });
  const std::int64_t today = FloorDiv(now, kSecondsPerDay);
  std::set<std::int64_t> daysKept;
  std::vector<std::string> removed;
  for (std::size_t i = 0; i < backups.size(); ++i) {
    const std::int64_t day = FloorDiv(backups[i].seconds, kSecondsPerDay);
    const bool recentDay = day <= today && today - day < kBackupDaysKept;
    // Newest first: the first backup met of a recent day is that day's newest.
    const bool newestOfDay = recentDay && daysKept.insert(day).second;
    if (i < static_cast<std::size_t>(kBackupsKeptNewest) || newestOfDay) continue;
    removed.push_back(backups[i].name);
  }
  return removed;
}

}  // namespace platform
