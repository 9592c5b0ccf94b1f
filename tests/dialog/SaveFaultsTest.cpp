// Every step of the safe save failing, met through the real window: the log saved when the
// window ends and the report written by the Report button. Whatever fails, the user is told
// once, the file that was there stays byte for byte, and no temporary file is left behind.
// The one exception is a failed sync of the folder after the rename: the new file is then
// already in place, and the box still says the save may not last.

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <iostream>
#include <set>

#include "DialogFixture.h"
#include "FileOps.h"
#include "platform/files/FileFaults.h"

using namespace testing_support;

namespace {

namespace fs = std::filesystem;
using platform::FileOp;
using testing_support::kAllOps;
using testing_support::Name;

constexpr std::array kErrors = {ENOSPC, EIO, EFBIG};

const MeasurementEntry kAdded = {"2006-03-05", "80.4", "101", "40", "34", "58", "93"};

// A log of `count` entries exactly as the program writes it.
std::string LogBytes(int count) {
  std::string bytes = "CREATOR=GIRTHMINDER 1.0";
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    bytes += "\r\nDATE=2006-01-" + n + "\r\nWEIGHT=8" + n + ".5\r\nCHEST=104\r\nNECK=41\r\nARM=35" +
             "\r\nLEG=60\r\nWAIST=9" + n + "\r\n";
  }
  return bytes;
}

// The same log with kAdded saved after it.
std::string LogBytesWithAdded(int count) {
  return LogBytes(count) +
         "\r\nDATE=2006-03-05\r\nWEIGHT=80.4\r\nCHEST=101\r\nNECK=40\r\nARM=34\r\nLEG=58\r\nWAIST=93\r\n";
}

std::set<std::string> Listing() {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(".")) names.insert(entry.path().filename().string());
  return names;
}

using OpCounts = std::array<int, kAllOps.size()>;
int& At(OpCounts& counts, FileOp op) { return counts[static_cast<std::size_t>(op)]; }
int At(const OpCounts& counts, FileOp op) { return counts[static_cast<std::size_t>(op)]; }

class SaveFaultsTest : public DialogTest {
 protected:
  void TearDown() override {
    platform::SetFileFaultHook({});
    DialogTest::TearDown();
  }

  int Boxes(const std::string& text, const std::string& caption) const {
    int count = 0;
    for (const auto& box : m_boxes) count += box.text == text && box.caption == caption && box.type == MB_OK;
    return count;
  }

  // Runs `act` with a hook that only counts, and gives how often each step was taken.
  static OpCounts CountCalls(const std::function<void()>& act) {
    OpCounts counts{};
    platform::SetFileFaultHook([&](FileOp op) {
      ++At(counts, op);
      return 0;
    });
    act();
    platform::SetFileFaultHook({});
    return counts;
  }

  // Runs `act` once for every step, every call of that step and every errno, with that one
  // call failing; `check` judges each case. Returns how many cases were tried.
  static int ForEveryFault(const OpCounts& counts, const std::function<void()>& prepare,
                           const std::function<void()>& act, const std::function<void(bool afterRename)>& check) {
    int cases = 0;
    for (const FileOp op : kAllOps) {
      for (int n = 1; n <= At(counts, op); ++n) {
        for (const int error : kErrors) {
          SCOPED_TRACE(std::string(Name(op)) + " call " + std::to_string(n) + " of " + std::to_string(At(counts, op)) +
                       " fails with " + std::strerror(error));
          prepare();
          int seen = 0;
          platform::SetFileFaultHook([&, op, n, error](FileOp o) { return o == op && ++seen == n ? error : 0; });
          act();
          platform::SetFileFaultHook({});
          // (A failed save's rescue file is written after it, through the same calls.)
          EXPECT_GE(seen, n) << "the failing call was never reached";
          // The folder is opened before the rename and synced after it: only that last call
          // comes too late to keep the old file.
          check(op == FileOp::SyncDir && n == At(counts, op));
          ++cases;
          if (HasFatalFailure()) return cases;
        }
      }
    }
    return cases;
  }

  static void Tell(const std::string& what, int cases) {
    ::testing::Test::RecordProperty(what, cases);
    std::cout << "[   INFO   ] " << what << ": " << cases << " fault cases tried\n";
  }
};

TEST_F(SaveFaultsTest, AFailedSaveAtAnyStepKeepsTheOldLogAndSaysSoOnce) {
  struct Scenario {
    const char* name;
    int entries;    // in the diet.dat that is loaded
    int minWrites;  // write calls the save takes at least
  };
  const Scenario scenarios[] = {
      {"a log of a few entries", 3, 1},
      {"a log that takes several writes", 9000, 3},
  };
  int total = 0;
  for (const Scenario& scenario : scenarios) {
    SCOPED_TRACE(scenario.name);
    const std::string oldBytes = LogBytes(scenario.entries);
    const auto openAndAdd = [&] {
      WriteFileBytes("diet.dat", oldBytes);
      m_boxes.clear();
      OpenMain();
      AddEntry(kAdded);
    };

    openAndAdd();
    const OpCounts counts = CountCalls([&] { CloseMain(); });
    ASSERT_TRUE(m_boxes.empty()) << "the clean save failed: " << m_boxes.front().text;
    const std::string newBytes = ReadFileBytes("diet.dat");
    ASSERT_TRUE(newBytes == LogBytesWithAdded(scenario.entries)) << "the clean save wrote other bytes";
    ASSERT_TRUE(ReadFileBytes(BackupName(0)) == oldBytes) << "the clean save kept no backup";
    fs::remove(BackupName(0));
    ASSERT_GE(At(counts, FileOp::Write), scenario.minWrites);
    for (const FileOp op : kAllOps) ASSERT_GE(At(counts, op), 1) << Name(op);

    total += ForEveryFault(
        counts, openAndAdd, [&] { CloseMain(); },
        [&](bool afterRename) {
          EXPECT_EQ(Boxes("Save to File", "Error Writing File"), 1);
          ASSERT_EQ(m_boxes.size(), 2u);
          EXPECT_EQ(m_boxes[1].text.rfind("Your entries were kept in\r\n", 0), 0u) << m_boxes[1].text;
          const std::string bytes = ReadFileBytes("diet.dat");
          if (afterRename) {
            EXPECT_TRUE(bytes == newBytes) << "after the rename the new log is in place";
            EXPECT_TRUE(ReadFileBytes(BackupName(0)) == oldBytes) << "and the old one is kept";
            fs::remove(BackupName(0));
          } else {
            EXPECT_TRUE(bytes == oldBytes) << "the old log changed: " << bytes.size() << " bytes";
          }
          EXPECT_EQ(Listing(), std::set<std::string>{"diet.dat"}) << "a temporary file or a backup was left";
          EXPECT_EQ(RescueFiles().size(), 1u);
          ClearRescueFiles();
        });
  }
  Tell("save fault cases", total);
}

TEST_F(SaveFaultsTest, AFailedReportAtAnyStepKeepsTheEarlierReportAndSaysSoOnce) {
  const std::string earlier = "<p>the earlier report</p>\r\n";
  WriteFileBytes("ReportOutter.htm", "<table>\n#LINKS#</table>\n");
  WriteFileBytes("ReportInner.htm", "<tr><td>#DATE#</td><td>#WEIGHT#</td></tr>\n");
  WriteFileBytes("diet.dat", LogBytes(3));
  OpenMain();
  AddEntry(kAdded);
  const std::set<std::string> files = {"ReportOutter.htm", "ReportInner.htm", "Report.htm", "diet.dat"};
  const auto prepare = [&] {
    WriteFileBytes("Report.htm", earlier);
    m_boxes.clear();
    m_opened.clear();
  };

  prepare();
  const OpCounts counts = CountCalls([&] { Click(IDC_REPORT); });
  ASSERT_TRUE(m_boxes.empty());
  const std::string newReport = ReadFileBytes("Report.htm");
  ASSERT_EQ(newReport,
            "<table>\r\n<tr><td>2006-03-05</td><td>80.4</td></tr>\r\n<tr><td>2006-01-2</td><td>82.5</td>"
            "</tr>\r\n<tr><td>2006-01-1</td><td>81.5</td></tr>\r\n<tr><td>2006-01-0</td><td>80.5</td>"
            "</tr>\r\n</table>\r\n");
  for (const FileOp op : kAllOps) {
    if (op == FileOp::Backup) continue;  // a report keeps no backup
    ASSERT_GE(At(counts, op), 1) << Name(op);
  }

  const int cases = ForEveryFault(
      counts, prepare, [&] { Click(IDC_REPORT); },
      [&](bool afterRename) {
        EXPECT_EQ(Boxes("Could not write to report file", "Error Log"), 1);
        EXPECT_EQ(m_boxes.size(), 1u);
        EXPECT_EQ(ReadFileBytes("Report.htm"), afterRename ? newReport : earlier);
        EXPECT_EQ(m_opened, std::vector<std::string>{"Report.htm"}) << "the shell is asked all the same";
        EXPECT_EQ(Listing(), files) << "a temporary file was left";
      });
  Tell("report fault cases", cases);
}

// The kernel's own file size limit: the first write is cut short, the next one fails with
// EFBIG (SIGXFSZ ignored, as a program that handles the error would).
TEST_F(SaveFaultsTest, ARealFileSizeLimitFailsTheSaveAndKeepsTheLog) {
  const std::string oldBytes = LogBytes(3);
  WriteFileBytes("diet.dat", oldBytes);
  OpenMain();
  AddEntry(kAdded);

  rlimit oldLimit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &oldLimit), 0);
  const rlim_t limit = 64;  // far below the new log's size
  if (oldLimit.rlim_max != RLIM_INFINITY && oldLimit.rlim_max < limit) GTEST_SKIP() << "hard limit too low";
  struct sigaction ignore {
  }, oldAction{};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &oldAction), 0);
  rlimit small = oldLimit;
  small.rlim_cur = limit;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  CloseMain();
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &oldLimit), 0);
  ASSERT_EQ(sigaction(SIGXFSZ, &oldAction, nullptr), 0);

  EXPECT_EQ(Boxes("Save to File", "Error Writing File"), 1);
  // The limit holds for the rescue file too, and the box says so.
  EXPECT_EQ(Boxes("Your entries could not be kept in a rescue file either.", "Error Writing File"), 1);
  EXPECT_EQ(m_boxes.size(), 2u);
  EXPECT_TRUE(RescueFiles().empty());
  EXPECT_EQ(ReadFileBytes("diet.dat"), oldBytes);
  EXPECT_EQ(Listing(), std::set<std::string>{"diet.dat"});
}

// A full disk for real: a small memory file system filled up to its last page. Mounting needs
// root (with CAP_SYS_ADMIN); elsewhere the injected ENOSPC cases above stand for it.
TEST_F(SaveFaultsTest, ARealFullDiskFailsTheSaveAndKeepsTheLog) {
  const fs::path top = fs::current_path();
  const fs::path disk = top / "disk";
  fs::create_directory(disk);
  if (mount("tmpfs", disk.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k") != 0) {
    GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(errno);
  }
  struct Unmount {
    fs::path top, disk;
    ~Unmount() {
      std::error_code ignored;
      fs::current_path(top, ignored);
      umount2(disk.c_str(), MNT_DETACH);
    }
  } unmount{top, disk};
  fs::current_path(disk);

  const std::string oldBytes = LogBytes(3);
  WriteFileBytes("diet.dat", oldBytes);
  ASSERT_EQ(ReadFileBytes("diet.dat"), oldBytes);
  {
    // Fill every page that is left.
    FILE* filler = std::fopen("filler", "wb");
    ASSERT_NE(filler, nullptr);
    const std::string block(4096, 'x');
    while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()) {}
    std::fclose(filler);
  }
  OpenMain();
  AddEntry(kAdded);
  CloseMain();

  EXPECT_EQ(Boxes("Save to File", "Error Writing File"), 1);
  EXPECT_EQ(m_boxes.size(), 2u) << "and the box naming the rescue file";
  EXPECT_EQ(RescueFiles().size(), 1u);
  EXPECT_EQ(ReadFileBytes("diet.dat"), oldBytes);
  EXPECT_EQ(Listing(), (std::set<std::string>{"diet.dat", "filler"}));

  // With room again the next run saves normally: the failure left nothing in the way.
  fs::remove("filler");
  m_boxes.clear();
  OpenMain();
  AddEntry(kAdded);
  CloseMain();
  EXPECT_TRUE(m_boxes.empty());
  EXPECT_EQ(ReadFileBytes("diet.dat"), LogBytesWithAdded(3));
  EXPECT_EQ(Listing(), (std::set<std::string>{"diet.dat", BackupName(0)}));
}

// diet.dat as a link to /dev/full, a device that takes no writes and reads as endless zeros.
// It is not a file the log can be kept in: the window opens empty without a message, and
// the save refuses to replace it, says so once, and leaves the link as it was.
TEST_F(SaveFaultsTest, ALogThatIsADeviceIsNeitherReadForeverNorReplaced) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  ASSERT_EQ(symlink("/dev/full", "diet.dat"), 0);
  OpenMain();
  EXPECT_EQ(m_dialog->m_listLog.GetItemCount(), 0);
  EXPECT_TRUE(m_boxes.empty()) << "loading is silent";
  AddEntry(kAdded);
  CloseMain();

  EXPECT_EQ(Boxes("Save to File", "Error Writing File"), 1);
  EXPECT_EQ(m_boxes.size(), 2u) << "and the box naming the rescue file";
  ASSERT_TRUE(fs::is_symlink("diet.dat"));
  EXPECT_EQ(fs::read_symlink("diet.dat"), "/dev/full");
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
  EXPECT_EQ(Listing(), std::set<std::string>{"diet.dat"});
}

}  // namespace
