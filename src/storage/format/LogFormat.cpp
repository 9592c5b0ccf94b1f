#include "storage/format/LogFormat.h"

namespace storage {

namespace {

constexpr std::string_view kTrailingSpace = " \t\r\n\v\f";

// The field a key line sets, or -1 for a line that is ignored. Keys match byte for byte.
int FieldOfKey(std::string_view key) {
  for (int field = 0; field < kFieldCount; ++field) {
    if (key == kLogKeys[field]) return field;
  }
  return -1;
}

std::size_t CountLineFeeds(std::string_view value) {
  std::size_t n = 0;
  for (auto p = value.find('\n'); p != std::string_view::npos; p = value.find('\n', p + 1)) ++n;
  return n;
}

// The value with every LF written as CR LF, as the text-mode stream would write it.
void AppendValue(std::string& out, std::string_view value) {
  if (value.find('\n') == std::string_view::npos) {
    out += value;
    return;
  }
  for (const char c : value) {
    if (c == '\n') out += '\r';
    out += c;
  }
}

}  // namespace

void ParseLog(std::string_view text, const std::function<void(const MeasurementEntry&)>& commit) {
  // The staged entry is never reset between records: a field that a record lacks keeps the
  // value of the record before it.
  MeasurementEntry staged;
  std::size_t pos = 0;
  while (pos < text.size()) {
    // A last line without LF is read as well.
    std::size_t lineEnd = text.find('\n', pos);
    if (lineEnd == std::string_view::npos) lineEnd = text.size();
    std::string_view line = text.substr(pos, lineEnd - pos);
    pos = lineEnd + 1;

    const std::size_t last = line.find_last_not_of(kTrailingSpace);
    line = last == std::string_view::npos ? std::string_view{} : line.substr(0, last + 1);

    const std::size_t eq = line.find('=');
    const std::string_view key = line.substr(0, eq);
    const std::string_view value = eq == std::string_view::npos ? std::string_view{} : line.substr(eq + 1);

    const int field = FieldOfKey(key);
    if (field < 0) continue;
    if (field == kDate && !staged[kDate].empty()) commit(staged);
    staged[static_cast<std::size_t>(field)].assign(value);
  }
  if (!staged[kDate].empty()) commit(staged);
}

std::string FormatLog(std::size_t count, const std::function<std::string_view(std::size_t, int)>& cell) {
  if (count == 0) return {};

  // Header, then per entry seven lines of "CR LF KEY=value" and a closing CR LF.
  std::size_t size = kLogHeader.size();
  std::size_t keyBytes = 0;
  for (const std::string_view key : kLogKeys) keyBytes += 2 + key.size() + 1;
  size += count * (keyBytes + 2);
  for (std::size_t i = 0; i < count; ++i) {
    for (int field = 0; field < kFieldCount; ++field) {
      const std::string_view value = cell(i, field);
      size += value.size() + CountLineFeeds(value);
    }
  }

  std::string out;
  out.reserve(size);
  out += kLogHeader;
  for (std::size_t i = 0; i < count; ++i) {
    for (int field = 0; field < kFieldCount; ++field) {
      out += "\r\n";
      out += kLogKeys[field];
      out += '=';
      AppendValue(out, cell(i, field));
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace storage
