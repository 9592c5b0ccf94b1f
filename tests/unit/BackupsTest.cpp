// The backups of the log: their names, the pruning as a table of cases with a fixed clock, and
// the save that makes them (a hard link, a copy where no link can be made, none for the very
// same bytes, never through or into anything but a regular file).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/files/Backups.h"
#include "platform/files/FileFaults.h"
#include "platform/files/TextFile.h"

namespace {

using platform::FileOp;
using testing_support::TempDir;

constexpr std::int64_t kDay = 86400;
// 2026-12-11 08:15:00 UTC.
constexpr std::int64_t kNow = 1796976900;

std::string Backup(std::int64_t seconds, int sequence = 0) {
  return platform::StampedName("diet.dat", seconds, sequence, platform::kBackupSuffix);
}

TEST(BackupNamesTest, SayWhatTheyAreAndSortByTime) {
  EXPECT_EQ(platform::TimeStamp(kNow, 0), "2026-12-11T081500Z-00");
  EXPECT_EQ(Backup(kNow), "diet.dat.2026-12-11T081500Z-00.bak");
  EXPECT_EQ(Backup(kNow, 7), "diet.dat.2026-12-11T081500Z-07.bak");
  EXPECT_EQ(platform::StampedName("diet.dat", 0, 0, platform::kRescueSuffix), "diet.dat.1970-01-01T000000Z-00.rescue");
  EXPECT_EQ(platform::TimeStamp(951782400 + 86399, 0), "2000-02-29T235959Z-00") << "a leap day";

  // Later saves, and later saves within the same second, give names that sort later.
  const std::vector<std::string> inOrder = {Backup(kNow - 400 * kDay), Backup(kNow - 1), Backup(kNow),
                                            Backup(kNow, 1),           Backup(kNow, 10), Backup(kNow + 1)};
  EXPECT_TRUE(std::is_sorted(inOrder.begin(), inOrder.end()));

  for (const std::string& name : inOrder) {
    const auto parsed = platform::ParseStampedName("diet.dat", name, platform::kBackupSuffix);
    ASSERT_TRUE(parsed.has_value()) << name;
    EXPECT_EQ(Backup(parsed->seconds, parsed->sequence), name);
  }
  for (const char* other :
       {"diet.dat", "diet.dat.bak", "diet.dat.2026-12-11T081500Z-00.bak~", "other.dat.2026-12-11T081500Z-00.bak",
        "diet.dat.2026-13-11T081500Z-00.bak", "diet.dat.2026-12-11T081500Z-0x.bak",
        "diet.dat.2026-12-11T081500Z-00.rescue", ".diet.dat.tmp-abcdef"}) {
    EXPECT_FALSE(platform::ParseStampedName("diet.dat", other, platform::kBackupSuffix)) << other;
  }
}

// Pruning: times and counts in, files kept out. The clock is fixed at kNow.
struct PruneCase {
  const char* why;
  std::vector<std::int64_t> ages;  // of the backups, in seconds before kNow (several per second allowed)
  std::set<std::size_t> kept;      // indexes into `ages` that stay
};

std::vector<std::int64_t> Hourly(int count) {
  std::vector<std::int64_t> ages;
  ages.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) ages.push_back(std::int64_t{i} * 3600);
  return ages;
}

std::set<std::size_t> Range(std::size_t from, std::size_t to) {
  std::set<std::size_t> indexes;
  for (std::size_t i = from; i < to; ++i) indexes.insert(i);
  return indexes;
}

std::set<std::size_t> Union(std::set<std::size_t> a, const std::set<std::size_t>& b) {
  a.insert(b.begin(), b.end());
  return a;
}

TEST(BackupPruningTest, KeepsTheNewestTenAndTheNewestOfEachOfThirtyDays) {
  // kNow is 08:15 UTC: ages up to 8 h 15 min are today.
  std::vector<std::int64_t> daily;  // one each day at the same time, today first, for 40 days
  daily.reserve(40);
  for (int d = 0; d < 40; ++d) daily.push_back(d * kDay);
  std::vector<std::int64_t> twicePerDay;  // 07:15 and 06:15 each day, for 40 days
  for (int d = 0; d < 40; ++d) {
    twicePerDay.push_back(d * kDay + 3600);
    twicePerDay.push_back(d * kDay + 7200);
  }
  const std::vector<PruneCase> cases = {
      {"none", {}, {}},
      {"fewer than ten: all stay", {0, 60, 3600, 40 * kDay}, {0, 1, 2, 3}},
      {"exactly ten, all today", Hourly(8), Range(0, 8)},
      {"twelve the same morning: the newest ten stay", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, Range(0, 10)},
      {"twelve in the same second: the higher numbers are the later saves",
       {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       Range(2, 12)},
      {"one a day for 40 days: the last 30 days stay", daily, Range(0, 30)},
      {"two a day for 40 days: the newest ten, then each day's newest for 30 days", twicePerDay,
       Union(Range(0, 10),
             {10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 32, 34, 36, 38, 40, 42, 44, 46, 48, 50, 52, 54, 56, 58})},
      {"hourly for three days: ten newest, then the newest of yesterday and the day before", Hourly(72),
       // Today holds ages 0..8 h (indexes 0..8); yesterday starts at index 9, the day before at 33.
       Union(Range(0, 10), {33, 57})},
      {"old backups beyond thirty days go once ten newer exist",
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 31 * kDay, 365 * kDay},
       Range(0, 10)},
      {"a backup from the future (the clock went back) counts among the newest",
       {-kDay, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9},
       Range(0, 10)},
  };
  for (const PruneCase& c : cases) {
    SCOPED_TRACE(c.why);
    std::vector<platform::StampedFile> backups;
    std::vector<std::string> names;
    std::map<std::int64_t, int> perSecond;
    for (const std::int64_t age : c.ages) {
      const std::int64_t when = kNow - age;
      const int sequence = perSecond[when]++;
      names.push_back(Backup(when, sequence));
      backups.push_back({names.back(), when, sequence});
    }
    std::reverse(backups.begin(), backups.end());  // the order given does not matter
    const std::vector<std::string> removed = platform::BackupsToRemove(backups, kNow);
    std::set<std::size_t> kept;
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (std::find(removed.begin(), removed.end(), names[i]) == removed.end()) kept.insert(i);
    }
    EXPECT_EQ(kept, c.kept);
  }
}

// ---- the save that makes them ------------------------------------------------------------

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::set<std::string> Listing(const TempDir& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    names.insert(entry.path().filename().string());
  return names;
}

class BackupSaveTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::SetFileFaultHook({}); }

  bool Save(const std::string& bytes, std::int64_t now = kNow) {
    platform::SaveOptions options;
    options.keepBackup = true;
    options.now = now;
    return platform::SaveFile(
        path_, [&](const platform::ByteWriter& write) { return write(bytes); }, options);
  }

  ino_t Inode(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_ino;
  }

  TempDir dir_;
  const std::string path_ = dir_ / "diet.dat";
};

TEST_F(BackupSaveTest, TheReplacedVersionIsKeptAsAHardLink) {
  ASSERT_TRUE(Save("first\r\n"));
  EXPECT_EQ(Listing(dir_), std::set<std::string>{"diet.dat"}) << "a new file replaces nothing";

  const ino_t firstInode = Inode(path_);
  ASSERT_TRUE(Save("second\r\n"));
  EXPECT_EQ(ReadAll(path_), "second\r\n");
  EXPECT_EQ(Listing(dir_), (std::set<std::string>{"diet.dat", Backup(kNow)}));
  EXPECT_EQ(ReadAll(dir_ / Backup(kNow)), "first\r\n");
  EXPECT_EQ(Inode(dir_ / Backup(kNow)), firstInode) << "the backup is the old file itself, not a copy";

  // The same second again: the next number.
  ASSERT_TRUE(Save("third\r\n"));
  EXPECT_EQ(ReadAll(dir_ / Backup(kNow, 1)), "second\r\n");
}

TEST_F(BackupSaveTest, TheVeryBytesAlreadyThereMakeNoBackup) {
  WriteAll(path_, "same\r\n");
  ASSERT_TRUE(Save("same\r\n"));
  EXPECT_EQ(Listing(dir_), std::set<std::string>{"diet.dat"});
  // A longer or a shorter file with the same start is not the same.
  ASSERT_TRUE(Save("same\r\nmore\r\n"));
  ASSERT_TRUE(Save("same\r\n", kNow + 1));
  EXPECT_EQ(Listing(dir_), (std::set<std::string>{"diet.dat", Backup(kNow), Backup(kNow + 1)}));
  EXPECT_EQ(ReadAll(dir_ / Backup(kNow)), "same\r\n");
  EXPECT_EQ(ReadAll(dir_ / Backup(kNow + 1)), "same\r\nmore\r\n");
}

TEST_F(BackupSaveTest, LargeLogsAreComparedAcrossManyChunks) {
  std::string big(3 * 1024 * 1024 + 17, 'x');
  WriteAll(path_, big);
  ASSERT_TRUE(Save(big));
  EXPECT_EQ(Listing(dir_), std::set<std::string>{"diet.dat"});
  std::string changed = big;
  changed[2 * 1024 * 1024 + 5] = 'y';  // deep in a later chunk
  ASSERT_TRUE(Save(changed));
  EXPECT_TRUE(ReadAll(dir_ / Backup(kNow)) == big);
}

TEST_F(BackupSaveTest, WhereNoLinkCanBeMadeTheBackupIsACopy) {
  WriteAll(path_, "old\r\n");
  ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
  const ino_t oldInode = Inode(path_);
  int calls = 0;
  platform::SetFileFaultHook([&](FileOp op) { return op == FileOp::Backup && ++calls == 1 ? EPERM : 0; });
  ASSERT_TRUE(Save("new\r\n"));
  EXPECT_EQ(ReadAll(dir_ / Backup(kNow)), "old\r\n");
  EXPECT_NE(Inode(dir_ / Backup(kNow)), oldInode);
  struct stat st {};
  ASSERT_EQ(::stat((dir_ / Backup(kNow)).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u) << "the copy has the old file's permissions";
}

TEST_F(BackupSaveTest, NoBackupNoSave) {
  WriteAll(path_, "old\r\n");
  for (const int error : {EIO, ENOSPC, EDQUOT, EROFS}) {
    platform::SetFileFaultHook([&](FileOp op) { return op == FileOp::Backup ? error : 0; });
    errno = 0;
    EXPECT_FALSE(Save("new\r\n"));
    EXPECT_EQ(errno, error);
    EXPECT_EQ(ReadAll(path_), "old\r\n");
    EXPECT_EQ(Listing(dir_), std::set<std::string>{"diet.dat"}) << "no temporary file is left";
  }
  // A failed rename takes its backup away again: the old file is still there.
  platform::SetFileFaultHook([](FileOp op) { return op == FileOp::Rename ? EIO : 0; });
  EXPECT_FALSE(Save("new\r\n"));
  EXPECT_EQ(Listing(dir_), std::set<std::string>{"diet.dat"});
}

TEST_F(BackupSaveTest, ABackupIsNeverMadeIntoAnythingButANewName) {
  WriteAll(path_, "old\r\n");
  // Names the first backups would take are already taken: by a folder, a FIFO, a link to a
  // file elsewhere. None is written into, followed or removed.
  TempDir elsewhere;
  WriteAll(elsewhere / "victim", "untouched");
  ASSERT_EQ(::mkdir((dir_ / Backup(kNow, 0)).c_str(), 0755), 0);
  ASSERT_EQ(::mkfifo((dir_ / Backup(kNow, 1)).c_str(), 0600), 0);
  ASSERT_EQ(::symlink((elsewhere / "victim").c_str(), (dir_ / Backup(kNow, 2)).c_str()), 0);
  ASSERT_TRUE(Save("new\r\n"));
  EXPECT_EQ(ReadAll(dir_ / Backup(kNow, 3)), "old\r\n");
  EXPECT_EQ(ReadAll(elsewhere / "victim"), "untouched");
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / Backup(kNow, 0)));
  EXPECT_TRUE(std::filesystem::is_fifo(dir_ / Backup(kNow, 1)));
  EXPECT_TRUE(std::filesystem::is_symlink(dir_ / Backup(kNow, 2)));
}

TEST_F(BackupSaveTest, SavesPruneTheBackupsBesideTheFile) {
  WriteAll(path_, "now\r\n");
  // Forty days of daily backups, and one backup-like thing that is not a file.
  for (int d = 1; d <= 40; ++d) WriteAll(dir_ / Backup(kNow - d * kDay), "day " + std::to_string(d));
  ASSERT_EQ(::mkdir((dir_ / Backup(kNow - 50 * kDay)).c_str(), 0755), 0);
  WriteAll(dir_ / "diet.dat.notes.bak", "not ours");
  ASSERT_TRUE(Save("newer\r\n"));
  std::set<std::string> expected = {"diet.dat", "diet.dat.notes.bak", Backup(kNow), Backup(kNow - 50 * kDay)};
  for (int d = 1; d <= 29; ++d) expected.insert(Backup(kNow - d * kDay));  // today's and 29 days before
  EXPECT_EQ(Listing(dir_), expected);
}

TEST_F(BackupSaveTest, TheBackupJustMadeIsNeverPrunedEvenWhenTheClockWentBack) {
  WriteAll(path_, "before\r\n");
  // The clock goes a year back, so that backups exist from after its now: twelve a year later,
  // one a minute later the same day. By the rules alone the new backup would be neither among
  // the ten newest nor its day's newest.
  for (int i = 0; i < 12; ++i) WriteAll(dir_ / Backup(kNow + kDay, i), "later");
  WriteAll(dir_ / Backup(kNow - 365 * kDay + 60), "a minute later");
  ASSERT_TRUE(Save("after\r\n", kNow - 365 * kDay));
  EXPECT_EQ(ReadAll(dir_ / Backup(kNow - 365 * kDay)), "before\r\n");
}

TEST_F(BackupSaveTest, AReportSaveKeepsNoBackup) {
  WriteAll(path_, "old\n");
  ASSERT_TRUE(platform::SaveTextFile(path_, "new\n"));
  EXPECT_EQ(Listing(dir_), std::set<std::string>{"diet.dat"});
}

}  // namespace
