// diet.dat through the real window: loaded when it opens, saved when it ends, never damaged.

#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "DialogFixture.h"
#include "WorkedExample.h"
#include "platform/files/Backups.h"

using namespace testing_support;

namespace {

namespace fs = std::filesystem;

const std::string kExample(kWorkedExampleBytes);

class LogFileTest : public DialogTest {
 protected:
  int SaveErrorBoxes() const {
    int count = 0;
    for (const auto& box : m_boxes) {
      if (box.text == "Save to File" && box.caption == "Error Writing File" && box.type == MB_OK) ++count;
    }
    return count;
  }
  // Starts, leaves at once, and gives what diet.dat then holds.
  std::string RoundTrip() {
    OpenMain();
    CloseMain();
    return ReadFileBytes("diet.dat");
  }
};

TEST_F(LogFileTest, StartingWithoutALogLeavesAnEmptyOneAndNoMessage) {
  OpenMain();
  ASSERT_TRUE(fs::exists("diet.dat"));
  EXPECT_EQ(fs::file_size("diet.dat"), 0u);
  EXPECT_EQ(Text(IDC_COUNT), "0");
  CloseMain();
  EXPECT_EQ(fs::file_size("diet.dat"), 0u) << "an empty log is an empty file, without header";
  EXPECT_TRUE(m_boxes.empty());
}

TEST_F(LogFileTest, TheWorkedExampleIsSavedByteForByteAndLoadsBackInOrder) {
  OpenMain();
  AddEntry(kJanuary);
  AddEntry(kFebruary);
  CloseMain();
  EXPECT_EQ(ReadFileBytes("diet.dat"), kExample);
  EXPECT_EQ(kExample.size(), 179u);

  OpenMain();
  EXPECT_EQ(AllRows(), (Rows{AsRow(kFebruary), AsRow(kJanuary)}));
  EXPECT_EQ(FormTexts(), std::vector<std::string>(7, "")) << "the form is empty after loading";
  EXPECT_EQ(Text(IDC_COUNT), "2");
  EXPECT_TRUE(m_boxes.empty());
}

struct LoadCase {
  const char* reason;
  std::string file;
  Rows rows;  // top row first
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.reason; }

class LoadTest : public LogFileTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadTest, LoadsTheRowsTheRulesGive) {
  WriteFileBytes("diet.dat", GetParam().file);
  OpenMain();
  EXPECT_EQ(AllRows(), GetParam().rows);
  EXPECT_EQ(Text(IDC_COUNT), std::to_string(GetParam().rows.size()));
  EXPECT_TRUE(m_boxes.empty()) << "loading never shows a message";
}

INSTANTIATE_TEST_SUITE_P(
    Files, LoadTest,
    ::testing::Values(
        LoadCase{"header only", "CREATOR=GIRTHMINDER 1.0\r\n", {}},
        LoadCase{
            "bare LF line ends",
            "CREATOR=GIRTHMINDER 1.0\nDATE=2006-01-31\nWEIGHT=82.5\nCHEST=104\nNECK=41\nARM=35\nLEG=60\nWAIST=96\n",
            {{"2006-01-31", "82.5", "104", "41", "35", "60", "96"}}},
        LoadCase{"last line without line end is read",
                 "DATE=2006-01-31\r\nWEIGHT=82.5\r\nCHEST=104\r\nNECK=41\r\nARM=35\r\nLEG=60\r\nWAIST=96",
                 {{"2006-01-31", "82.5", "104", "41", "35", "60", "96"}}},
        LoadCase{"missing key carries over, equal dates both load, empty date skipped",
                 "DATE=2006-01-31\r\nWEIGHT=82.5\r\nCHEST=104\r\n\r\nDATE=2006-01-31\r\nWEIGHT=82.0\r\n\r\n"
                 "DATE=\r\nWEIGHT=1\r\n",
                 {{"2006-01-31", "82.0", "104", "", "", "", ""}, {"2006-01-31", "82.5", "104", "", "", "", ""}}},
        LoadCase{"0x1A ends the file",
                 "DATE=2006-01-31\r\nWEIGHT=82.5\r\n\x1a"
                 "DATE=2006-02-07\r\n",
                 {{"2006-01-31", "82.5", "", "", "", "", ""}}}),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return TestNameFrom(info.param.reason); });

TEST_F(LogFileTest, RandomLogsSaveLoadAndSaveToTheSameBytes) {
  std::mt19937 random(20261211);
  const std::string pieces[] = {"82.5", "81,9", "a b", "x=y", "\xc3\xa9t\xc3\xa9", "  lead", "", "\xff", "#DATE#"};
  for (int round = 0; round < 12; ++round) {
    OpenMain();
    const int entries = static_cast<int>(random() % 6);
    for (int i = 0; i < entries; ++i) {
      MeasurementEntry entry;
      entry[kDate] = "2006-01-" + std::to_string(10 + static_cast<int>(random() % 20));
      for (int field = kWeight; field < kFieldCount; ++field) entry[field] = pieces[random() % std::size(pieces)];
      if (m_dialog->IsDuplicateDate()) m_answers.push_back(IDYES);
      AddEntry(entry);
      m_answers.clear();
    }
    const Rows shown = AllRows();
    CloseMain();
    const std::string first = ReadFileBytes("diet.dat");
    OpenMain();
    EXPECT_EQ(AllRows(), shown) << "round " << round;
    CloseMain();
    EXPECT_EQ(ReadFileBytes("diet.dat"), first) << "round " << round;
    fs::remove("diet.dat");
  }
}

TEST_F(LogFileTest, ADirectoryNamedLikeTheLogIsLeftAloneAndTheFailureShownOnce) {
  fs::create_directory("diet.dat");
  WriteFileBytes("diet.dat/keep", "x");
  OpenMain();
  EXPECT_EQ(m_dialog->m_listLog.GetItemCount(), 0);
  AddEntry(kJanuary);
  CloseMain();
  EXPECT_EQ(SaveErrorBoxes(), 1);
  EXPECT_TRUE(fs::is_directory("diet.dat"));
  EXPECT_EQ(ReadFileBytes("diet.dat/keep"), "x");
}

TEST_F(LogFileTest, SavingThroughALinkUpdatesTheTargetAndKeepsLinkAndPermissions) {
  fs::create_directory("data");
  WriteFileBytes("data/log.txt", kExample);
  ASSERT_EQ(chmod("data/log.txt", 0640), 0);
  fs::create_symlink("data/log.txt", "diet.dat");
  OpenMain();
  ASSERT_EQ(m_dialog->m_listLog.GetItemCount(), 2);
  ClickRow(0);
  Click(IDC_REMOVE);
  CloseMain();
  EXPECT_TRUE(fs::is_symlink("diet.dat"));
  EXPECT_EQ(fs::read_symlink("diet.dat"), "data/log.txt");
  EXPECT_EQ(ReadFileBytes("data/log.txt"), kExample.substr(0, 25 + 17 + 13 + 11 + 9 + 8 + 8 + 10));
  struct stat info {};
  ASSERT_EQ(stat("data/log.txt", &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_TRUE(m_boxes.empty());
  // Beside the target, named after it: the backup of the version replaced, and nothing else.
  const std::string backup = platform::StampedName("log.txt", m_now, 0, platform::kBackupSuffix);
  EXPECT_EQ(ReadFileBytes("data/" + backup), kExample);
  int files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("data")) ++files;
  EXPECT_EQ(files, 2);
  EXPECT_EQ(Backups(), std::vector<std::string>{}) << "no backup beside the link";
}

// File modes mean nothing to root: these run as an ordinary user (CTest starts the test
// executable a second time through setpriv for them).
class AsOrdinaryUser : public LogFileTest {
 protected:
  void SetUp() override {
    if (geteuid() == 0) GTEST_SKIP() << "running as root, where file modes are not enforced";
    LogFileTest::SetUp();
  }
};

TEST_F(AsOrdinaryUser, ReadOnlyLogIsNotReplacedAndTheFailureIsShownOnce) {
  WriteFileBytes("diet.dat", kExample);
  ASSERT_EQ(chmod("diet.dat", 0444), 0);
  OpenMain();
  ASSERT_EQ(m_dialog->m_listLog.GetItemCount(), 2);
  AddEntry({"2006-02-14", "81", "102", "40", "34", "59", "94"});
  CloseMain();
  EXPECT_EQ(SaveErrorBoxes(), 1);
  EXPECT_EQ(m_boxes.size(), 2u) << "the failure, then the rescue file";
  EXPECT_EQ(ReadFileBytes("diet.dat"), kExample);
}

TEST_F(AsOrdinaryUser, LogThatCouldNotBeReadAtStartIsNeverReplaced) {
  WriteFileBytes("diet.dat", kExample);
  ASSERT_EQ(chmod("diet.dat", 0200), 0);  // writable but not readable
  OpenMain();
  EXPECT_EQ(m_dialog->m_listLog.GetItemCount(), 0);
  EXPECT_TRUE(m_boxes.empty()) << "loading is silent";
  AddEntry(kJanuary);
  CloseMain();
  EXPECT_EQ(SaveErrorBoxes(), 1);
  ASSERT_EQ(chmod("diet.dat", 0600), 0);
  EXPECT_EQ(ReadFileBytes("diet.dat"), kExample);
}

TEST_F(AsOrdinaryUser, LogInAReadOnlyFolderIsKeptWhole) {
  WriteFileBytes("diet.dat", kExample);
  OpenMain();
  ASSERT_EQ(chmod(Dir().c_str(), 0555), 0);
  AddEntry({"2006-02-14", "81", "102", "40", "34", "59", "94"});
  CloseMain();
  ASSERT_EQ(chmod(Dir().c_str(), 0755), 0);
  EXPECT_EQ(SaveErrorBoxes(), 1);
  EXPECT_EQ(ReadFileBytes("diet.dat"), kExample);
}

}  // namespace
