// diet.dat as any bytes on disk: whatever loads must save and load back as itself.
//
// The input is taken as the raw file. It is decoded as the text-mode reader would deliver it
// and parsed; the entries are formatted as the saver writes them; those bytes are decoded and
// parsed again and formatted once more. The second load must give the same entries in the same
// order and the second save the same bytes: a save never loses or changes an entry that
// loaded, however odd the file was. The raw, undecoded bytes are parsed as well, only to show
// that no byte sequence crashes or hangs the parser.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "LogText.h"
#include "log/MeasurementEntry.h"
#include "platform/files/TextFile.h"
#include "storage/format/LogFormat.h"

namespace {

using testing_support::Entries;
using testing_support::Format;
using testing_support::Parse;

constexpr std::string_view kTrailingSpace = " \t\r\n\v\f";

// What any committed entry looks like, whatever the file held: a date, and no value that a
// single line could not carry or that the loader would have trimmed.
void CheckLoadedEntries(const Entries& entries, std::size_t lines) {
  FUZZ_CHECK(entries.size() <= lines, "more entries than lines");
  for (const MeasurementEntry& entry : entries) {
    FUZZ_CHECK(!entry[kDate].empty(), "an entry without a date was committed");
    for (const std::string& value : entry) {
      FUZZ_CHECK(value.find('\n') == std::string::npos, "a value holds a line feed");
      FUZZ_CHECK(value.empty() || kTrailingSpace.find(value.back()) == std::string_view::npos,
                 "a value kept trailing white space");
    }
  }
}

std::size_t CountLines(std::string_view text) {
  std::size_t lines = text.empty() || text.back() == '\n' ? 0 : 1;
  for (const char c : text) lines += c == '\n' ? 1 : 0;
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);

  // Undecoded bytes (lone CRs, Ctrl-Z, NUL) must not upset the parser either.
  CheckLoadedEntries(Parse(raw), CountLines(raw));

  const std::string text = platform::DecodeTextMode(raw);
  const Entries first = Parse(text);
  CheckLoadedEntries(first, CountLines(text));

  // The loader's way: the text parsed in pieces as it is read, cut where the text's bytes say.
  Entries streamed;
  storage::LogParser parser([&streamed](const MeasurementEntry& entry) { streamed.push_back(entry); });
  for (std::size_t pos = 0, i = 0; pos < text.size(); ++i) {
    const std::size_t length = 1 + (i < text.size() ? static_cast<unsigned char>(text[i]) % 11 : 5);
    parser.Feed(std::string_view(text).substr(pos, length));
    pos += length;
  }
  parser.Finish();
  FUZZ_CHECK(streamed == first, "parsing in pieces differs from parsing the whole");

  const std::string saved = Format(first);
  FUZZ_CHECK(first.empty() == saved.empty(), "an empty log is an empty file, and only then");
  if (!saved.empty()) {
    FUZZ_CHECK(saved.starts_with(std::string(storage::kLogHeader) + "\r\n"), "a saved log starts with its header line");
    FUZZ_CHECK(saved.ends_with("\r\n"), "a saved log ends with a line end");
  }

  const Entries second = Parse(platform::DecodeTextMode(saved));
  FUZZ_CHECK(second.size() == first.size(), "the saved log loads a different number of entries");
  FUZZ_CHECK(second == first, "an entry changed between save and load");
  FUZZ_CHECK(Format(second) == saved, "saving the loaded log again gives other bytes");
  return 0;
}
