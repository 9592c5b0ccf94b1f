#include "report/text/ReportText.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A row whose every field is distinct, so a value in the wrong place shows.
MeasurementEntry SampleEntry() {
  MeasurementEntry e;
  e[kDate] = "2006-03-05";
  e[kWeight] = "82,5";
  e[kChest] = "104";
  e[kNeck] = "39";
  e[kArm] = "33.5";
  e[kLeg] = "58";
  e[kWaist] = "96";
  return e;
}

// Builds the report the way the Report button does: one fresh copy per row, joined, then the page.
std::string BuildReport(std::string_view page, std::string_view entryTemplate,
                        const std::vector<MeasurementEntry>& rows) {
  std::string joined;
  for (const auto& row : rows) joined += report::FillEntryTemplate(entryTemplate, row);
  return report::FillPageTemplate(page, joined);
}

// ---------------------------------------------------------------------------------------------

struct ReplaceCase {
  std::string text, what, with, expected;
  const char* why;
};

// A failing row is named by its reason instead of a byte dump.
void PrintTo(const ReplaceCase& c, std::ostream* os) { *os << c.why; }

class ReportReplaceAll : public testing::TestWithParam<ReplaceCase> {};

TEST_P(ReportReplaceAll, MatchesCStringReplace) {
  const ReplaceCase& c = GetParam();
  std::string text = c.text;
  report::ReplaceAll(text, c.what, c.with);
  EXPECT_EQ(text, c.expected) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    ReportText, ReportReplaceAll,
    testing::Values(ReplaceCase{"a#DATE#b#DATE#c", "#DATE#", "X", "aXbXc", "every occurrence, not only the first"},
                    ReplaceCase{"#DATE#", "#DATE#", "2006-03-05", "2006-03-05", "match is the whole text"},
                    ReplaceCase{"#DATE##DATE#", "#DATE#", "X", "XX", "adjacent matches both replaced"},
                    ReplaceCase{"##DATE##", "#DATE#", "X", "#X#", "stray # around a match stay"},
                    ReplaceCase{"#DATE#DATE#", "#DATE#", "X", "XDATE#",
                                "search resumes after the match: the shared # is not reused"},
                    ReplaceCase{"###", "##", "X", "X#", "overlapping candidates: leftmost wins, no overlap"},
                    ReplaceCase{"x#DATE#y", "#DATE#", "#DATE##DATE#", "x#DATE##DATE#y",
                                "inserted text is not searched again: no growth"},
                    ReplaceCase{"#DATE#ATE#", "#DATE#", "#D", "#DATE#",
                                "inserted text and what follows it are not searched as one"},
                    ReplaceCase{"a#LINKS#b", "#LINKS#", "", "ab", "empty replacement removes the placeholder"},
                    ReplaceCase{"#date# #Date# #DATE", "#DATE#", "X", "#date# #Date# #DATE",
                                "case-sensitive and both # needed"},
                    ReplaceCase{"a#DATE#b", "", "X", "a#DATE#b", "empty pattern changes nothing"},
                    ReplaceCase{"", "#DATE#", "X", "", "empty text stays empty"},
                    ReplaceCase{std::string("a\0#DATE#\0b", 10), "#DATE#", "X", std::string("a\0X\0b", 5),
                                "NUL bytes are ordinary bytes"}),
    [](const testing::TestParamInfo<ReplaceCase>& info) { return "Case" + std::to_string(info.index); });

TEST(ReportReplaceAll, ValueViewingIntoTheTextItself) {
  // The caller may pass a view into the very string being changed.
  std::string text = "ab#X#";
  report::ReplaceAll(text, "#X#", std::string_view(text).substr(0, 2));
  EXPECT_EQ(text, "abab");
}

TEST(ReportReplaceAll, MillionMatchesInOneText) {
  // A replace that moves the tail per match would take hours here; this one is one pass.
  constexpr std::size_t kCount = 1'000'000;
  std::string text;
  std::string expected;
  for (std::size_t i = 0; i < kCount; ++i) {
    text += "<tr>#DATE#</tr>";
    expected += "<tr>2006-03-05</tr>";
  }
  report::ReplaceAll(text, "#DATE#", "2006-03-05");
  EXPECT_EQ(text, expected);
}

// ---------------------------------------------------------------------------------------------

struct EntryCase {
  std::string entryTemplate;
  MeasurementEntry entry;
  std::string expected;
  const char* why;
};

// A failing row is named by its reason instead of a byte dump.
void PrintTo(const EntryCase& c, std::ostream* os) { *os << c.why; }

MeasurementEntry With(int field, std::string value) {
  MeasurementEntry e = SampleEntry();
  e[static_cast<std::size_t>(field)] = std::move(value);
  return e;
}

class ReportEntryTemplate : public testing::TestWithParam<EntryCase> {};

TEST_P(ReportEntryTemplate, FillsOneCopy) {
  const EntryCase& c = GetParam();
  EXPECT_EQ(report::FillEntryTemplate(c.entryTemplate, c.entry), c.expected) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    ReportText, ReportEntryTemplate,
    testing::Values(EntryCase{"#DATE#|#WEIGHT#|#CHEST#|#NECK#|#ARM#|#LEG#|#WAIST#", SampleEntry(),
                              "2006-03-05|82,5|104|39|33.5|58|96", "each placeholder gets its own field"},
                    EntryCase{"<td>#DATE#</td><td>#DATE#</td><td>#DATE#</td>", SampleEntry(),
                              "<td>2006-03-05</td><td>2006-03-05</td><td>2006-03-05</td>",
                              "a placeholder three times gets the value three times"},
                    EntryCase{"#date# #Weight# #wAIST#", SampleEntry(), "#date# #Weight# #wAIST#",
                              "other letter case is not a placeholder"},
                    EntryCase{"<td>#WEIGHT#</td>", With(kWeight, "<b>&amp; 80 < 81 & more"),
                              "<td><b>&amp; 80 < 81 & more</td>", "values are copied without HTML escaping"},
                    EntryCase{"<tr><td>plain</td></tr>\n", SampleEntry(), "<tr><td>plain</td></tr>\n",
                              "no placeholder: copied unchanged"},
                    EntryCase{"", SampleEntry(), "", "empty template gives empty copy"},
                    EntryCase{"[#WEIGHT#]", With(kWeight, "w #DATE# w"), "[w 2006-03-05 w]",
                              "Weight is replaced first, so its #DATE# is filled later"},
                    EntryCase{"[#DATE#]", With(kDate, "d #WEIGHT# d"), "[d #WEIGHT# d]",
                              "Date is replaced last, so its #WEIGHT# stays literal"},
                    EntryCase{"[#WEIGHT#]", With(kWeight, "#WEIGHT##WEIGHT#"), "[#WEIGHT##WEIGHT#]",
                              "a value holding its own placeholder is not expanded again"},
                    EntryCase{"<tr>#LINKS#</tr>", SampleEntry(), "<tr>#LINKS#</tr>",
                              "#LINKS# is not an entry placeholder"},
                    EntryCase{"##DATE## #DATE#DATE#", SampleEntry(), "#2006-03-05# 2006-03-05DATE#",
                              "overlapping patterns, left to right"}),
    [](const testing::TestParamInfo<EntryCase>& info) { return "Case" + std::to_string(info.index); });

TEST(ReportEntryTemplate, LaterPlaceholdersSeeEarlierValues) {
  // Every ordered pair: a value holding another field's placeholder is filled exactly when
  // that placeholder comes later in the fixed order.
  struct Slot {
    int field;
    std::string_view placeholder;
  };
  static constexpr std::array<Slot, kFieldCount> kOrder{{{kWeight, "#WEIGHT#"},
                                                         {kArm, "#ARM#"},
                                                         {kLeg, "#LEG#"},
                                                         {kWaist, "#WAIST#"},
                                                         {kNeck, "#NECK#"},
                                                         {kChest, "#CHEST#"},
                                                         {kDate, "#DATE#"}}};
  const MeasurementEntry base = SampleEntry();
  for (std::size_t holder = 0; holder < kOrder.size(); ++holder) {
    for (std::size_t inner = 0; inner < kOrder.size(); ++inner) {
      if (holder == inner) continue;
      const Slot& h = kOrder[holder];
      const Slot& p = kOrder[inner];
      MeasurementEntry entry = base;
      entry[static_cast<std::size_t>(h.field)] = "(" + std::string(p.placeholder) + ")";
      const std::string expected =
          "(" + (inner > holder ? base[static_cast<std::size_t>(p.field)] : std::string(p.placeholder)) + ")";
      EXPECT_EQ(report::FillEntryTemplate(h.placeholder, entry), expected)
          << h.placeholder << " holding " << p.placeholder;
    }
  }
}

// ---------------------------------------------------------------------------------------------

struct PageCase {
  std::string page, joined, expected;
  const char* why;
};

// A failing row is named by its reason instead of a byte dump.
void PrintTo(const PageCase& c, std::ostream* os) { *os << c.why; }

class ReportPageTemplate : public testing::TestWithParam<PageCase> {};

TEST_P(ReportPageTemplate, PutsTheEntriesIn) {
  const PageCase& c = GetParam();
  EXPECT_EQ(report::FillPageTemplate(c.page, c.joined), c.expected) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    ReportText, ReportPageTemplate,
    testing::Values(PageCase{"<table>#LINKS#</table>", "", "<table></table>", "no entries: #LINKS# is removed"},
                    PageCase{"<p>no place for entries</p>", "<tr>x</tr>", "<p>no place for entries</p>",
                             "page without #LINKS# is unchanged"},
                    PageCase{"#LINKS#|#LINKS#", "<tr>a</tr><tr>b</tr>", "<tr>a</tr><tr>b</tr>|<tr>a</tr><tr>b</tr>",
                             "#LINKS# twice gets all entries twice"},
                    PageCase{"#DATE# #WEIGHT# #LINKS#", "e", "#DATE# #WEIGHT# e",
                             "entry placeholders in the page stay literal"},
                    PageCase{"#links# #Links#", "e", "#links# #Links#", "other letter case stays"},
                    PageCase{"[#LINKS#]", "a#LINKS#b", "[a#LINKS#b]", "joined entries are not searched again"}),
    [](const testing::TestParamInfo<PageCase>& info) { return "Case" + std::to_string(info.index); });

// ---------------------------------------------------------------------------------------------

TEST(ReportBuild, RowsInListOrderEachFromAFreshTemplate) {
  MeasurementEntry top = SampleEntry();
  MeasurementEntry bottom = SampleEntry();
  top[kDate] = "2006-03-12";
  top[kWeight] = "81";
  bottom[kDate] = "2006-03-05";
  const std::string out =
      BuildReport("<table>\n#LINKS#</table>\n", "<tr><td>#DATE#</td><td>#WEIGHT#</td></tr>\n", {top, bottom});
  EXPECT_EQ(out,
            "<table>\n"
            "<tr><td>2006-03-12</td><td>81</td></tr>\n"
            "<tr><td>2006-03-05</td><td>82,5</td></tr>\n"
            "</table>\n");
}

TEST(ReportBuild, LinksInTheEntryTemplateStaysLiteralInThePage) {
  const std::string out = BuildReport("<body>#LINKS#</body>", "<p>#DATE# #LINKS#</p>", {SampleEntry(), SampleEntry()});
  EXPECT_EQ(out, "<body><p>2006-03-05 #LINKS#</p><p>2006-03-05 #LINKS#</p></body>");
}

TEST(ReportBuild, NoRowsRemovesLinks) {
  EXPECT_EQ(BuildReport("<h1>R</h1>#LINKS#<p>end</p>", "<tr>#DATE#</tr>", {}), "<h1>R</h1><p>end</p>");
}

}  // namespace

// The report built in one string is the page filled with the joined entries, for any number
// of "#LINKS#" and of rows.
TEST(ReportBuild, OneStringReportEqualsThePageFilledWithTheJoinedEntries) {
  const std::vector<MeasurementEntry> rows = {
      {"2006-01-31", "82.5", "104", "41", "35", "60", "96"},
      {"2006-02-07", "", "103", "41", "x#LINKS#y", "59", "95"},  // an empty weight joins "#AR" and "M#"
      {"2006-02-14", "#DATE#", "102", "40", "34", "59", "94"},
  };
  const std::string entryTemplate = "<tr>#DATE#|#AR#WEIGHT#M#|#WAIST#</tr>\n";
  for (const std::string page :
       {"", "no links", "#LINKS#", "a#LINKS#b", "#LINKS##LINKS#", "1#LINKS#2#LINKS#3#LINKS#4"}) {
    for (std::size_t count = 0; count <= rows.size(); ++count) {
      std::string joined;
      for (std::size_t i = 0; i < count; ++i) joined += report::FillEntryTemplate(entryTemplate, rows[i]);
      const std::string built = report::BuildReportText(
          page, entryTemplate, count, [&](std::size_t row, MeasurementEntry& out) { out = rows[row]; });
      EXPECT_EQ(built, report::FillPageTemplate(page, joined)) << "page \"" << page << "\", " << count << " rows";
    }
  }
  EXPECT_EQ(report::FillEntryTemplate(entryTemplate, rows[1]), "<tr>2006-02-07|x#LINKS#y|95</tr>\n")
      << "text that meets across an empty value is filled by a later placeholder";
}
