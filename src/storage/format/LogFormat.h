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

// The same reading, of text that arrives in pieces split anywhere (as the file reader delivers
// it), so that a long log is never held whole: Feed each piece in order, then Finish.
class LogParser {
 public:
  explicit LogParser(std::function<void(const MeasurementEntry&)> commit);
  void Feed(std::string_view text);
  void Finish();

 private:
  void Line(std::string_view line);

  std::function<void(const MeasurementEntry&)> m_commit;
  // The staged entry is never reset between records: a field that a record lacks keeps the
  // value of the record before it.
  MeasurementEntry m_staged;
  std::string m_partial;  // a line not ended yet
};

// The bytes of diet.dat (CR LF line ends) for `count` entries in file order, earliest first;
// `cell(i, field)` gives the text of entry i. They go to `write` in pieces of some tens of
// kilobytes (a huge value by itself), never whole; `write` returns false to stop, and then
// WriteLog returns false.
bool WriteLog(std::size_t count, const std::function<std::string_view(std::size_t, int)>& cell,
              const std::function<bool(std::string_view)>& write);

// The same bytes in one string.
std::string FormatLog(std::size_t count, const std::function<std::string_view(std::size_t, int)>& cell);

}  // namespace storage
