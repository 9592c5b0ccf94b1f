// The report text on any templates and values, against a plain reference.
//
// Input layout (libFuzzer's FuzzedDataProvider): seven entry values in field order, then the
// entry template, each ended by a backslash and one more byte ("\\\\" is a literal backslash);
// the rest of the input is the page template. The first two values also serve as the search
// and replacement text of a direct ReplaceAll check.
//
// Text inserted for one placeholder is searched by the later ones, so a few values made of
// placeholders can multiply the size of an entry; that is the program's rule and the report
// grows with what the user typed. The reference stops at a size cap, and inputs beyond it
// are skipped, so that the fuzzer measures the code and not the memory of the machine.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "FuzzCheck.h"
#include "log/MeasurementEntry.h"
#include "report/text/ReportText.h"

namespace {

constexpr std::size_t kSizeCap = std::size_t{1} << 20;

// Left to right, one character at a time: a match is replaced and skipped, so matches never
// overlap and the inserted text is not searched again. Nothing when the result would pass
// the cap.
std::optional<std::string> ReferenceReplace(std::string_view text, std::string_view what, std::string_view with) {
  if (what.empty()) return std::string(text);
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text.substr(i, what.size()) == what) {
      out += with;
      i += what.size();
    } else {
      out += text[i++];
    }
    if (out.size() > kSizeCap) return std::nullopt;
  }
  return out;
}

std::optional<std::string> ReferenceFill(std::string_view entryTemplate, const MeasurementEntry& entry) {
  static constexpr std::array<std::pair<std::string_view, Field>, kFieldCount> kOrder{{
      {"#WEIGHT#", kWeight},
      {"#ARM#", kArm},
      {"#LEG#", kLeg},
      {"#WAIST#", kWaist},
      {"#NECK#", kNeck},
      {"#CHEST#", kChest},
      {"#DATE#", kDate},
  }};
  std::optional<std::string> text(std::string{entryTemplate});
  for (const auto& [placeholder, field] : kOrder) {
    text = ReferenceReplace(*text, placeholder, entry[field]);
    if (!text) return std::nullopt;
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  MeasurementEntry entry;
  for (std::string& value : entry) value = input.ConsumeRandomLengthString(256);
  const std::string entryTemplate = input.ConsumeRandomLengthString();
  const std::string pageTemplate = input.ConsumeRemainingBytesAsString();

  // ReplaceAll with any search text, the empty one included.
  if (const auto expected = ReferenceReplace(entryTemplate, entry[0], entry[1])) {
    std::string text = entryTemplate;
    report::ReplaceAll(text, entry[0], entry[1]);
    FUZZ_CHECK(text == *expected, "ReplaceAll differs from the one-pass rule");
  }

  const auto filled = ReferenceFill(entryTemplate, entry);
  if (!filled) return 0;
  FUZZ_CHECK(report::FillEntryTemplate(entryTemplate, entry) == *filled,
             "an entry was filled other than in the fixed placeholder order");

  // A report fills one template for many rows, and the filler may keep what it learnt of the
  // template from row to row: a second row with the values moved round must come out as
  // if it were the first.
  MeasurementEntry next;
  for (std::size_t field = 0; field < next.size(); ++field) next[field] = entry[(field + 1) % next.size()];
  const auto nextFilled = ReferenceFill(entryTemplate, next);
  if (nextFilled) {
    FUZZ_CHECK(report::FillEntryTemplate(entryTemplate, next) == *nextFilled,
               "a second row with the same template was filled wrongly");
  }

  // Two copies of the entry, as two rows would give, into the page.
  const std::string joined = *filled + *filled;
  const auto page = ReferenceReplace(pageTemplate, "#LINKS#", joined);
  if (!page) return 0;
  FUZZ_CHECK(report::FillPageTemplate(pageTemplate, joined) == *page,
             "the page was filled other than by replacing #LINKS# once per occurrence");

  // The report as the program builds it, in one string, from the same two rows.
  if (const auto report = ReferenceReplace(pageTemplate, "#LINKS#", *filled + (nextFilled ? *nextFilled : ""))) {
    if (nextFilled) {
      const MeasurementEntry* rows[] = {&entry, &next};
      FUZZ_CHECK(report::BuildReportText(pageTemplate, entryTemplate, 2,
                                         [&](std::size_t row, MeasurementEntry& out) { out = *rows[row]; }) == *report,
                 "the report built in one string differs from filling the page with the joined entries");
    }
  }
  return 0;
}
