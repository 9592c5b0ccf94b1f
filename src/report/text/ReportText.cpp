#include "report/text/ReportText.h"

#include <array>
#include <utility>
#include <vector>

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

namespace {

// The order matters: text inserted for an earlier placeholder is searched by the later ones.
constexpr std::array<std::pair<std::string_view, Field>, kFieldCount> kPlaceholders{{
    {"#WEIGHT#", kWeight},
    {"#ARM#", kArm},
    {"#LEG#", kLeg},
    {"#WAIST#", kWaist},
    {"#NECK#", kNeck},
    {"#CHEST#", kChest},
    {"#DATE#", kDate},
}};

std::string FillOneByOne(std::string_view entryTemplate, const MeasurementEntry& entry) {
  std::string copy(entryTemplate);
  for (const auto& [placeholder, field] : kPlaceholders) ReplaceAll(copy, placeholder, entry[field]);
  return copy;
}

// Whether no later placeholder can ever match across this value once it is inserted. Every
// placeholder is "#", upper-case letters, "#": a match touching a value without "#" begins and
// ends outside it, so the whole value lies among the match's letters, which a value with any
// byte other than an upper-case letter cannot. An empty value is not inert: the texts on both
// sides of it meet.
bool IsInert(std::string_view value) {
  bool otherByte = false;
  for (const char c : value) {
    if (c == '#') return false;
    if (c < 'A' || c > 'Z') otherByte = true;
  }
  return otherByte;
}

// The entry template cut once at the places where the replacements, in their order, find their
// placeholders while every inserted value is inert: then a later placeholder can only match
// within the template's own text between two values. Filling a row is then one pass of
// appends instead of seven searches of the whole copy, which counts with a million rows.
class EntryPlan {
 public:
  bool IsFor(std::string_view entryTemplate) const { return m_made && m_template == entryTemplate; }

  void Make(std::string_view entryTemplate) {
    m_template.assign(entryTemplate);
    m_made = true;
    m_parts.assign(1, Part{m_template, -1});
    for (const auto& [placeholder, field] : kPlaceholders) {
      std::vector<Part> cut;
      for (const Part& part : m_parts) {
        if (part.field >= 0) {
          cut.push_back(part);
          continue;
        }
        // As ReplaceAll finds them: left to right, resuming after each match.
        std::size_t from = 0;
        for (std::size_t at = part.text.find(placeholder); at != std::string_view::npos;
             at = part.text.find(placeholder, from)) {
          cut.push_back(Part{part.text.substr(from, at - from), -1});
          cut.push_back(Part{{}, field});
          from = at + placeholder.size();
        }
        cut.push_back(Part{part.text.substr(from), -1});
      }
      m_parts = std::move(cut);
    }
    std::erase_if(m_parts, [](const Part& part) { return part.field < 0 && part.text.empty(); });
    m_textBytes = 0;
    m_uses.fill(0);
    for (const Part& part : m_parts) {
      if (part.field < 0)
        m_textBytes += part.text.size();
      else
        ++m_uses[static_cast<std::size_t>(part.field)];
    }
  }

  // False, and nothing filled, when some value that goes in is not inert.
  bool Fill(const MeasurementEntry& entry, std::string& out) const {
    std::size_t size = m_textBytes;
    for (std::size_t field = 0; field < entry.size(); ++field) {
      if (m_uses[field] == 0) continue;
      if (!IsInert(entry[field])) return false;
      size += m_uses[field] * entry[field].size();
    }
    out.clear();
    out.reserve(size);
    for (const Part& part : m_parts) out += part.field < 0 ? part.text : entry[static_cast<std::size_t>(part.field)];
    return true;
  }

 private:
  struct Part {
    std::string_view text;  // into m_template, for a piece of the template's own text
    int field;              // the field whose value goes here, or -1 for text
  };
  bool m_made = false;
  std::string m_template;
  std::vector<Part> m_parts;
  std::size_t m_textBytes = 0;
  std::array<std::size_t, kFieldCount> m_uses{};
};

}  // namespace

std::string FillEntryTemplate(std::string_view entryTemplate, const MeasurementEntry& entry) {
  // A report fills the same template once per row: it is cut once, and cut again only when
  // another template comes.
  thread_local EntryPlan plan;
  if (!plan.IsFor(entryTemplate)) plan.Make(entryTemplate);
  std::string copy;
  if (plan.Fill(entry, copy)) return copy;
  return FillOneByOne(entryTemplate, entry);
}

std::string FillPageTemplate(std::string_view pageTemplate, std::string_view joinedEntries) {
  std::string page(pageTemplate);
  ReplaceAll(page, "#LINKS#", joinedEntries);
  return page;
}

std::string BuildReportText(std::string_view pageTemplate, std::string_view entryTemplate, std::size_t rows,
                            const std::function<void(std::size_t, MeasurementEntry&)>& rowAt) {
  constexpr std::string_view kLinks = "#LINKS#";
  // The page's text around each "#LINKS#"; the entries go between the pieces.
  std::vector<std::string_view> pieces;
  std::size_t from = 0;
  for (std::size_t at = pageTemplate.find(kLinks); at != std::string_view::npos; at = pageTemplate.find(kLinks, from)) {
    pieces.push_back(pageTemplate.substr(from, at - from));
    from = at + kLinks.size();
  }
  pieces.push_back(pageTemplate.substr(from));

  std::string report(pieces.front());
  if (pieces.size() == 1) return report;

  MeasurementEntry entry;
  // Room for rows like the first one and some more, so that the text is not moved while it
  // grows; room that is never written costs no memory.
  if (rows > 0) {
    rowAt(0, entry);
    const std::size_t perRow = FillEntryTemplate(entryTemplate, entry).size();
    report.reserve(pageTemplate.size() + rows * (perRow + perRow / 4 + 16));
  }
  const std::size_t entriesAt = report.size();
  for (std::size_t i = 0; i < rows; ++i) {
    rowAt(i, entry);
    report += FillEntryTemplate(entryTemplate, entry);
  }
  const std::size_t entriesSize = report.size() - entriesAt;

  std::size_t total = report.size();
  for (std::size_t i = 1; i < pieces.size(); ++i) total += pieces[i].size() + (i + 1 < pieces.size() ? entriesSize : 0);
  report.reserve(total);
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    report += pieces[i];
    if (i + 1 < pieces.size()) report.append(report, entriesAt, entriesSize);
  }
  return report;
}

}  // namespace report
