// diet.dat holding what no save of ours writes: binary junk, NUL bytes, huge lines and values,
// lone CRs, Ctrl-Z, a byte-order mark, masses of blank lines. Each file is read from disk by
// the text-mode reader and parsed as the window loads it; it must give the entries that the
// loading rules give, and a later save (written, read back and parsed) must give every loaded
// entry back unchanged. How fast such files load is scripts/bench's business.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "LogText.h"
#include "TempDir.h"
#include "platform/files/TextFile.h"
#include "storage/format/LogFormat.h"

namespace {

using namespace std::string_literals;
using testing_support::Entries;
using testing_support::Format;
using testing_support::Parse;

using testing_support::TempDir;

// A whole record in the program's own form, CR LF line ends.
std::string Record(const MeasurementEntry& e) {
  return "DATE=" + e[kDate] + "\r\nWEIGHT=" + e[kWeight] + "\r\nCHEST=" + e[kChest] + "\r\nNECK=" + e[kNeck] +
         "\r\nARM=" + e[kArm] + "\r\nLEG=" + e[kLeg] + "\r\nWAIST=" + e[kWaist] + "\r\n";
}

const MeasurementEntry kA = {"2006-01-31", "82.5", "104", "41", "35", "60", "96"};
const MeasurementEntry kB = {"2006-02-07", "81.9", "103", "41", "35", "59", "95"};
const std::string kHeader = "CREATOR=GIRTHMINDER 1.0\r\n";

// Bytes that are not line ends, keys or Ctrl-Z, so that junk stays junk.
std::string RandomJunk(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string junk(size, '\0');
  for (char& c : junk) {
    c = static_cast<char>(random() & 0xFF);
    if (c == '\n' || c == '\x1A' || c == '=') c = '?';
  }
  return junk;
}

std::string Repeat(std::string_view piece, std::size_t times) {
  std::string out;
  out.reserve(piece.size() * times);
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

struct BadInput {
  const char* name;  // the test's name: what the file holds and how it loads
  std::function<std::string()> bytes;
  std::function<Entries()> expected;
};

void PrintTo(const BadInput& c, std::ostream* os) { *os << c.name; }

class LoaderBadInputTest : public ::testing::TestWithParam<BadInput> {};

TEST_P(LoaderBadInputTest, LoadsAsTheRulesSayAndASaveKeepsEveryEntry) {
  TempDir dir;
  const std::string path = dir / "diet.dat";
  {
    const std::string bytes = GetParam().bytes();
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good());
  }

  const platform::TextReadResult file = platform::ReadTextFile(path);
  ASSERT_EQ(file.status, platform::TextReadStatus::Ok);
  const Entries loaded = Parse(file.text);

  const Entries expected = GetParam().expected();
  ASSERT_EQ(loaded.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    for (int field = 0; field < kFieldCount; ++field) {
      const std::string& got = loaded[i][static_cast<std::size_t>(field)];
      const std::string& want = expected[i][static_cast<std::size_t>(field)];
      // Huge values are compared by size and ends, so that a failure stays readable.
      EXPECT_TRUE(got == want) << "entry " << i << " field " << field << ": " << got.size() << " bytes \""
                               << got.substr(0, 40) << "\", expected " << want.size() << " bytes \""
                               << want.substr(0, 40) << "\"";
    }
  }

  // The next save goes through the real safe save and the next start reads it back.
  const std::string saved = Format(loaded);
  ASSERT_TRUE(platform::SaveFileBytes(path, saved));
  const platform::TextReadResult again = platform::ReadTextFile(path);
  ASSERT_EQ(again.status, platform::TextReadStatus::Ok);
  const Entries reloaded = Parse(again.text);
  EXPECT_TRUE(reloaded == loaded) << "a save lost or changed an entry that had loaded";
  EXPECT_TRUE(Format(reloaded) == saved) << "the second save differs from the first";
}

INSTANTIATE_TEST_SUITE_P(
    Files, LoaderBadInputTest,
    ::testing::Values(
        BadInput{"RandomBinaryLinesBetweenRecordsAreSkipped",
                 [] {
                   std::string junk;
                   for (unsigned line = 0; line < 64; ++line) junk += RandomJunk(std::size_t{16} * 1024, line) + "\r\n";
                   return kHeader + Record(kA) + "\r\n" + junk + Record(kB);
                 },
                 [] {
                   return Entries{kA, kB};
                 }},
        BadInput{"NulBytesAreOrdinaryBytesOfValuesAndLines",
                 [] {
                   return kHeader + "DATE=2006\0-01\r\nWEIGHT=\0\0\r\n"s + std::string(1000, '\0') +
                          "\r\nCHEST=1\0\r\n"s;
                 },
                 [] {
                   return Entries{{"2006\0-01"s, "\0\0"s, "1\0"s, "", "", "", ""}};
                 }},
        BadInput{"FiftyMegabyteLineWithoutKeyIsSkipped",
                 [] { return kHeader + Record(kA) + std::string(50u << 20, 'x') + "\r\n" + Record(kB); },
                 [] {
                   return Entries{kA, kB};
                 }},
        BadInput{"FiftyMegabyteFileOfOneLineWithoutLineEndIsOneDate",
                 [] { return "DATE=" + std::string(50u << 20, '7'); },
                 [] {
                   return Entries{{std::string(50u << 20, '7'), "", "", "", "", "", ""}};
                 }},
        BadInput{"LoneCrsStayInValuesButTrailingOnesAreTrimmed",
                 [] { return "DATE=a\rb\r\nWEIGHT=1\r\r\nCHEST=\r5\r\n"s; },
                 [] {
                   return Entries{{"a\rb", "1", "\r5", "", "", "", ""}};
                 }},
        BadInput{"CrOnlyLineEndsMakeOneLineAndOneDate", [] { return "DATE=A\rWEIGHT=1\rCHEST=2\r"s; },
                 [] {
                   return Entries{{"A\rWEIGHT=1\rCHEST=2", "", "", "", "", "", ""}};
                 }},
        BadInput{"CtrlZBetweenRecordsEndsTheLog", [] { return kHeader + Record(kA) + "\r\n\x1A" + Record(kB); },
                 [] { return Entries{kA}; }},
        BadInput{"CtrlZInsideAValueCutsItAndTheRestOfTheFile",
                 [] { return kHeader + "DATE=2006-01-31\r\nWEIGHT=82\x1A.5\r\nCHEST=104\r\n"; },
                 [] {
                   return Entries{{"2006-01-31", "82", "", "", "", "", ""}};
                 }},
        BadInput{"ByteOrderMarkBeforeTheHeaderIsHarmless", [] { return "\xEF\xBB\xBF" + kHeader + Record(kA); },
                 [] { return Entries{kA}; }},
        BadInput{"ByteOrderMarkBeforeAFirstDateLineHidesThatDateAndItsValuesCarryOn",
                 [] {
                   return "\xEF\xBB\xBF"
                          "DATE=A\r\nWEIGHT=1\r\n\r\nDATE=B\r\nCHEST=2\r\n"s;
                 },
                 [] {
                   return Entries{{"B", "1", "2", "", "", "", ""}};
                 }},
        BadInput{"MegabyteValuesAreKeptWhole",
                 [] {
                   return kHeader + Record({std::string(1u << 20, 'd'), std::string(1u << 20, 'w'), "c",
                                            std::string(1u << 20, 'n'), "a", "l", std::string(1u << 20, 'z')});
                 },
                 [] {
                   return Entries{{std::string(1u << 20, 'd'), std::string(1u << 20, 'w'), "c",
                                   std::string(1u << 20, 'n'), "a", "l", std::string(1u << 20, 'z')}};
                 }},
        BadInput{"HundredThousandBlankLinesAreSkipped",
                 [] { return kHeader + Record(kA) + Repeat("\r\n\n \t\r\n\v\f\r\n", 25'000) + Record(kB); },
                 [] {
                   return Entries{kA, kB};
                 }}),
    [](const ::testing::TestParamInfo<BadInput>& info) { return std::string(info.param.name); });

// Whatever bytes the file holds, loading neither crashes nor hangs, and every entry that loads
// survives a save: small random files over the whole byte range, Ctrl-Z included.
TEST(LoaderRandomBytesTest, AnyBytesLoadAndEveryLoadedEntrySurvivesASave) {
  TempDir dir;
  const std::string path = dir / "diet.dat";
  std::mt19937 random(20060305);
  // Mostly the pieces that matter to the format, so that records do form; Ctrl-Z comes only
  // from the random bytes, rarely enough that most files go on past it.
  const std::string pieces[] = {"DATE=", "\nDATE=", "WEIGHT=", "WAIST=", "CHEST=", "=", "\r",
                                "\n",    "\r\n",    " ",       "\t",     "\0"s,    "7", "\xFF"};
  int withEntries = 0;
  for (int round = 0; round < 300; ++round) {
    std::string bytes;
    const int length = static_cast<int>(random() % 200);
    for (int i = 0; i < length; ++i) {
      if (random() % 4 == 0) {
        bytes += static_cast<char>(random() & 0xFF);
      } else {
        bytes += pieces[random() % std::size(pieces)];
      }
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    const platform::TextReadResult file = platform::ReadTextFile(path);
    ASSERT_EQ(file.status, platform::TextReadStatus::Ok);
    const Entries loaded = Parse(file.text);
    withEntries += loaded.empty() ? 0 : 1;
    const std::string saved = Format(loaded);
    ASSERT_EQ(Parse(platform::DecodeTextMode(saved)), loaded) << "round " << round;
  }
  EXPECT_GT(withEntries, 100) << "too few random files formed entries to show anything";
}

// Devices are not logs: /dev/zero would read forever and a terminal would wait for a person.
TEST(LoaderBadInputDeviceTest, DevicesAreRefusedAtOnceInsteadOfReadForever) {
  for (const char* device : {"/dev/zero", "/dev/full", "/dev/urandom"}) {
    if (::access(device, R_OK) != 0) continue;
    // Reading one would never end: the test's timeout is what a regression meets.
    const platform::TextReadResult file = platform::ReadTextFile(device);
    EXPECT_EQ(file.status, platform::TextReadStatus::OpenFailed) << device;
    EXPECT_TRUE(file.text.empty()) << device;
  }
}

}  // namespace
