#include "report/text/ReportText.h"

#include <array>
#include <utility>

namespace report {

void ReplaceAll(std::string& text, std::string_view what, std::string_view with) {
  if (what.empty()) return;
  const std::size_t first = text.find(what);
  if (first == std::string::npos) return;

  // Build into a new string: replacing in place would move the tail once per match,
  // which is quadratic for a page holding a million entries. Counting first lets the
  // result be allocated once; growing it would copy hundreds of megabytes again.
  std::size_t count = 0;
  for (std::size_t at = first; at != std::string::npos; at = text.find(what, at + what.size())) ++count;
  std::string result;
  result.reserve(text.size() - count * what.size() + count * with.size());
  std::size_t from = 0;
  std::size_t match = first;
  while (match != std::string::npos) {
    result.append(text, from, match - from);
    result.append(with);
    from = match + what.size();
    match = text.find(what, from);
  }
  result.append(text, from, std::string::npos);
  text = std::move(result);
}

std::string FillEntryTemplate(std::string_view entryTemplate, const MeasurementEntry& entry) {
  // The order matters: text inserted for an earlier placeholder is searched by the later ones.
  static constexpr std::array<std::pair<std::string_view, Field>, kFieldCount> kPlaceholders{{
      {"#WEIGHT#", kWeight},
      {"#ARM#", kArm},
      {"#LEG#", kLeg},
      {"#WAIST#", kWaist},
      {"#NECK#", kNeck},
      {"#CHEST#", kChest},
      {"#DATE#", kDate},
  }};
  std::string copy(entryTemplate);
  for (const auto& [placeholder, field] : kPlaceholders) ReplaceAll(copy, placeholder, entry[field]);
  return copy;
}

std::string FillPageTemplate(std::string_view pageTemplate, std::string_view joinedEntries) {
  std::string page(pageTemplate);
  ReplaceAll(page, "#LINKS#", joinedEntries);
  return page;
}

}  // namespace report
