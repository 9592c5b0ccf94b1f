#include "storage/format/LogFormat.h"

#include <utility>

#include "platform/files/TextMode.h"

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

// The log is handed on in pieces of about this size: few calls, little memory.
constexpr std::size_t kPieceSize = std::size_t{64} * 1024;

}  // namespace

LogParser::LogParser(std::function<void(const MeasurementEntry&)> commit) : m_commit(std::move(commit)) {}

void LogParser::Line(std::string_view line) {
  const std::size_t last = line.find_last_not_of(kTrailingSpace);
  line = last == std::string_view::npos ? std::string_view{} : line.substr(0, last + 1);

  const std::size_t eq = line.find('=');
  const std::string_view key = line.substr(0, eq);
  const std::string_view value = eq == std::string_view::npos ? std::string_view{} : line.substr(eq + 1);

  const int field = FieldOfKey(key);
  if (field < 0) return;
  if (field == kDate && !m_staged[kDate].empty()) m_commit(m_staged);
  m_staged[static_cast<std::size_t>(field)].assign(value);
}

void LogParser::Feed(std::string_view text) {
  std::size_t pos = 0;
  if (!m_partial.empty()) {
    // The line begun in an earlier piece.
    const std::size_t lineEnd = text.find('\n');
    if (lineEnd == std::string_view::npos) {
      m_partial += text;
      return;
    }
    m_partial += text.substr(0, lineEnd);
    Line(m_partial);
    m_partial.clear();
    pos = lineEnd + 1;
  }
  while (pos < text.size()) {
    const std::size_t lineEnd = text.find('\n', pos);
    if (lineEnd == std::string_view::npos) {
      m_partial.assign(text.substr(pos));  // completed by a later piece, or by Finish
      return;
    }
    Line(text.substr(pos, lineEnd - pos));
    pos = lineEnd + 1;
  }
}

void LogParser::Finish() {
  // A last line without LF is read as well.
  if (!m_partial.empty()) Line(m_partial);
  m_partial.clear();
  if (!m_staged[kDate].empty()) m_commit(m_staged);
  m_staged = {};
}

void ParseLog(std::string_view text, const std::function<void(const MeasurementEntry&)>& commit) {
  LogParser parser(commit);
  parser.Feed(text);
  parser.Finish();
}

bool WriteLog(std::size_t count, const std::function<std::string_view(std::size_t, int)>& cell,
              const std::function<bool(std::string_view)>& write) {
  if (count == 0) return true;

  // Header, then per entry seven lines of "CR LF KEY=value" and a closing CR LF; each value's
  // LFs written as CR LF by the one text-mode encoder.
  std::string piece;
  piece.reserve(kPieceSize + 256);
  piece += kLogHeader;
  const auto append = [&piece](std::string_view bytes) { piece += bytes; };
  for (std::size_t i = 0; i < count; ++i) {
    for (int field = 0; field < kFieldCount; ++field) {
      piece += "\r\n";
      piece += kLogKeys[field];
      piece += '=';
      const std::string_view value = cell(i, field);
      if (value.size() >= kPieceSize) {
        // A huge value goes on by itself rather than through the piece.
        if (!write(piece)) return false;
        piece.clear();
        bool ok = true;
        platform::EncodeTextModeTo(value, [&](std::string_view bytes) { ok = ok && write(bytes); });
        if (!ok) return false;
      } else {
        platform::EncodeTextModeTo(value, append);
      }
    }
    piece += "\r\n";
    if (piece.size() >= kPieceSize) {
      if (!write(piece)) return false;
      piece.clear();
    }
  }
  return piece.empty() || write(piece);
}

std::string FormatLog(std::size_t count, const std::function<std::string_view(std::size_t, int)>& cell) {
  std::string out;
  WriteLog(count, cell, [&out](std::string_view bytes) {
    out += bytes;
    return true;
  });
  return out;
}

}  // namespace storage
