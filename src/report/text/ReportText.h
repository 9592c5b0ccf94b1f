#pragma once

// The report text as pure code: templates and entries -> the report's text. No Qt.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "log/MeasurementEntry.h"

namespace report {

// Replaces every occurrence of `what` in `text` by `with` in one pass from left to right,
// resuming just after each match: matches never overlap and inserted text is not searched
// again for `what`. An empty `what` changes nothing.
void ReplaceAll(std::string& text, std::string_view what, std::string_view with);

// A fresh copy of the entry template with the seven placeholders replaced in this order:
// #WEIGHT#, #ARM#, #LEG#, #WAIST#, #NECK#, #CHEST#, #DATE#.
std::string FillEntryTemplate(std::string_view entryTemplate, const MeasurementEntry& entry);

// The page template with every "#LINKS#" replaced by the joined entries.
std::string FillPageTemplate(std::string_view pageTemplate, std::string_view joinedEntries);

// The whole report: one filled copy of the entry template per row, rows in order, joined and
// put in place of every "#LINKS#" of the page. The same text as FillPageTemplate of the joined
// entries, made in one string so that a long log is not held twice. `rowAt(i, entry)` fills
// `entry` with row i.
std::string BuildReportText(std::string_view pageTemplate, std::string_view entryTemplate, std::size_t rows,
                            const std::function<void(std::size_t, MeasurementEntry&)>& rowAt);

}  // namespace report
