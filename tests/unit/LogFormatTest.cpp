#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "LogText.h"
#include "WorkedExample.h"
#include "platform/files/TextFile.h"
#include "storage/format/LogFormat.h"

namespace {

using namespace std::string_view_literals;
using testing_support::Entries;
using testing_support::Format;
using testing_support::kFebruary;
using testing_support::kJanuary;
using testing_support::kWorkedExampleBytes;
using testing_support::Parse;

MeasurementEntry Entry(std::string date, std::string weight = "", std::string chest = "", std::string neck = "",
                       std::string arm = "", std::string leg = "", std::string waist = "") {
  return {std::move(date), std::move(weight), std::move(chest), std::move(neck),
          std::move(arm),  std::move(leg),    std::move(waist)};
}

// Two entries in file order, and the 179 bytes they are saved as.
const Entries kExampleEntries = {kJanuary, kFebruary};
constexpr std::string_view kExampleBytes = kWorkedExampleBytes;

TEST(LogFormatTest, WorkedExampleByteForByteAndBack) {
  const std::string bytes = Format(kExampleEntries);
  EXPECT_EQ(bytes.size(), 179u);
  EXPECT_EQ(bytes, kExampleBytes);
  EXPECT_EQ(Parse(platform::DecodeTextMode(bytes)), kExampleEntries);
}

TEST(LogFormatTest, EmptyLogIsEmptyFileWithoutHeader) {
  const std::string bytes = storage::FormatLog(0, [](std::size_t, int) -> std::string_view {
    ADD_FAILURE() << "no cell of an empty log may be asked for";
    return {};
  });
  EXPECT_EQ(bytes, "");
}

TEST(LogFormatTest, SingleEntryHasNoEmptyLineAndValuesAreVerbatim) {
  // Blanks, "=", non-ASCII bytes and a lone CR are written as they are; an LF inside a value
  // would be turned into CR LF by the text-mode stream, so it is written that way.
  const Entries entries = {Entry("  2006-03-05", "82.5   ", "a=b", "\xE9\xFF", "x\ry", "", "1\n2")};
  EXPECT_EQ(Format(entries),
            "CREATOR=GIRTHMINDER 1.0\r\n"
            "DATE=  2006-03-05\r\n"
            "WEIGHT=82.5   \r\n"
            "CHEST=a=b\r\n"
            "NECK=\xE9\xFF\r\n"
            "ARM=x\ry\r\n"
            "LEG=\r\n"
            "WAIST=1\r\n2\r\n");
}

struct LoadCase {
  const char* why;
  std::string_view text;  // decoded, as the text-mode reader delivers it
  Entries expected;
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.why; }

class ParseLogTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(ParseLogTest, LoadsKeyLinesIntoRecords) {
  EXPECT_EQ(Parse(GetParam().text), GetParam().expected) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseLogTest,
    ::testing::Values(
        LoadCase{"empty file", "", {}}, LoadCase{"header alone", "CREATOR=GIRTHMINDER 1.0\n", {}},
        LoadCase{"keys in other case or padded with blanks are ignored",
                 "DATE=A\nWEIGHT=1\ndate=B\n DATE=C\nDATE =D\nweight=2\n WEIGHT=3\n",
                 {Entry("A", "1")}},
        LoadCase{"every = after the first belongs to the value",
                 "DATE=2006-01-31=x\nWEIGHT==1=\n",
                 {Entry("2006-01-31=x", "=1=")}},
        LoadCase{"trailing white space goes, leading stays",
                 "DATE=A \t\v\f\r\nWEIGHT=  82.5   \nCHEST=   \n",
                 {Entry("A", "  82.5")}},
        LoadCase{"DATE alone commits and empties the date; later values carry on",
                 "DATE=A\nWEIGHT=1\nDATE\nWEIGHT=2\nDATE=B\n",
                 {Entry("A", "1"), Entry("B", "2")}},
        LoadCase{"a field a record lacks keeps the record before's value",
                 "DATE=A\nCHEST=104\nNECK=41\n\nDATE=B\nNECK=40\n",
                 {Entry("A", "", "104", "41"), Entry("B", "", "104", "40")}},
        LoadCase{"key lines before DATE overwrite the entry still staged",
                 "DATE=A\nWEIGHT=1\nWEIGHT=2\nDATE=B\n",
                 {Entry("A", "2"), Entry("B", "2")}},
        LoadCase{"an empty date is never committed, its values carry on",
                 "DATE=\nWEIGHT=1\nDATE=B\nDATE=   \n",
                 {Entry("B", "1")}},
        LoadCase{"equal dates both load, in file order",
                 "DATE=A\nWEIGHT=1\nDATE=A\nWEIGHT=2\n",
                 {Entry("A", "1"), Entry("A", "2")}},
        LoadCase{"a last line without LF is still read", "DATE=A\nWAIST=96", {Entry("A", "", "", "", "", "", "96")}},
        LoadCase{"a last DATE line without LF is still committed", "DATE=A\nDATE=B", {Entry("A"), Entry("B")}},
        LoadCase{"blank lines, keyless lines and unknown keys are skipped",
                 "\n\n   \n=x\nfoo\nCREATOR=DATE\nDATE=A\nHEIGHT=2\n",
                 {Entry("A")}}));

TEST(LogFormatTest, CrLfAndBareLfLoadAlike) {
  const std::string lf = "CREATOR=GIRTHMINDER 1.0\nDATE=A\nWEIGHT=1\n\nDATE=B\nWEIGHT=2\n";
  const Entries expected = {Entry("A", "1"), Entry("B", "2")};
  EXPECT_EQ(Parse(platform::DecodeTextMode(lf)), expected);
  EXPECT_EQ(Parse(platform::DecodeTextMode(platform::EncodeTextMode(lf))), expected);
}

// Random logs survive save and load unchanged: values with inner blanks, "=", non-ASCII and
// control bytes, and lone CRs; never an LF or Ctrl-Z (the edits cannot hold them) and never
// trailing white space (the loader trims it, on purpose).
TEST(LogFormatTest, RandomLogsRoundTripByteForByte) {
  std::mt19937 random(20060131);
  const auto below = [&](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
  const std::string_view pool =
      "abcXYZ0123456789.-,  \t\t==\r\r\v\f\0\x80\xA4\xC3\xE9\xFF"
      "\x01\x7F"sv;
  const std::string_view trailing = " \t\r\n\v\f";
  const auto value = [&](bool nonEmpty) {
    std::string v;
    const std::uint32_t length = below(12);
    for (std::uint32_t i = 0; i < length; ++i) v += pool[below(static_cast<std::uint32_t>(pool.size()))];
    while (!v.empty() && trailing.find(v.back()) != std::string_view::npos) v.pop_back();
    if (nonEmpty && v.empty()) v = "2006-01-01";
    return v;
  };

  for (int round = 0; round < 300; ++round) {
    Entries entries(below(8));
    for (auto& entry : entries) {
      for (int field = 0; field < kFieldCount; ++field) {
        entry[static_cast<std::size_t>(field)] = value(field == kDate);
      }
    }
    const std::string bytes = Format(entries);
    const Entries loaded = Parse(platform::DecodeTextMode(bytes));
    ASSERT_EQ(loaded, entries) << "round " << round;
    ASSERT_EQ(Format(loaded), bytes) << "round " << round;
  }
}

TEST(LogParserTest, PiecesSplitAnywhereParseAsTheWhole) {
  // The loader parses the log as it is read, in pieces: a line, a key or a value may be split.
  const std::string_view texts[] = {
      "CREATOR=GIRTHMINDER 1.0\nDATE=2006-01-31\nWEIGHT=82.5 \nCHEST=104\n\nDATE=2006-02-07\nNECK=41",
      "DATE=a\nDATE=b\nARM=1\n",
      "\n\nDATE=x\n  WEIGHT=ignored\nWEIGHT=kept\t\n",
      "",
  };
  const auto collect = [](Entries& into) { return [&into](const MeasurementEntry& e) { into.push_back(e); }; };
  for (const std::string_view text : texts) {
    Entries whole;
    storage::ParseLog(text, collect(whole));
    for (std::size_t cut1 = 0; cut1 <= text.size(); ++cut1) {
      for (std::size_t cut2 = cut1; cut2 <= text.size(); ++cut2) {
        Entries pieces;
        storage::LogParser parser(collect(pieces));
        parser.Feed(text.substr(0, cut1));
        parser.Feed(text.substr(cut1, cut2 - cut1));
        parser.Feed(text.substr(cut2));
        parser.Finish();
        EXPECT_EQ(pieces, whole) << "cut at " << cut1 << " and " << cut2 << " of: " << text;
      }
    }
  }
}

}  // namespace
