// The Win32 backend of the file layer (src/platform/files/win32/Win32Files.cpp), run under
// wine64: the safe save, its refusals, its backups, its failure paths and the rescue file.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "platform/WindowsHeaders.h"
#include "platform/files/Backups.h"
#include "platform/files/FileFaults.h"
#include "platform/files/TextFile.h"

namespace {

namespace fs = std::filesystem;

class Win32FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("girth-w32-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64()));
    fs::create_directories(dir_);
    path_ = (dir_ / "diet.dat").string();
  }
  void TearDown() override {
    platform::SetFileFaultHook({});
    for (const auto& entry : fs::directory_iterator(dir_))
      SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  static std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::set<std::string> Listing() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.insert(entry.path().filename().string());
    return names;
  }

  fs::path dir_;
  std::string path_;
};

TEST_F(Win32FilesTest, SaveWritesTextModeKeepsAttributesAndLeavesNoTemporary) {
  ASSERT_TRUE(platform::SaveTextFile(path_, "a\nb\n"));
  EXPECT_EQ(Bytes(path_), "a\r\nb\r\n");
  ASSERT_TRUE(SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(platform::SaveTextFile(path_, "c\rd\n\x1A tail"));
  EXPECT_EQ(Bytes(path_), "c\rd\r\n\x1A tail");
  EXPECT_NE(GetFileAttributesA(path_.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_EQ(Listing(), std::set<std::string>{"diet.dat"});
  const platform::TextReadResult read = platform::ReadTextFile(path_);
  EXPECT_EQ(read.status, platform::TextReadStatus::Ok);
  EXPECT_EQ(read.text, "c\rd\n");
}

TEST_F(Win32FilesTest, ReadOnlyFilesAndFoldersAreNotReplaced) {
  ASSERT_TRUE(platform::SaveFileBytes(path_, "old"));
  ASSERT_TRUE(SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_READONLY));
  errno = 0;
  EXPECT_FALSE(platform::SaveFileBytes(path_, "new"));
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(Bytes(path_), "old");

  const std::string folder = (dir_ / "folder").string();
  fs::create_directory(folder);
  EXPECT_FALSE(platform::SaveFileBytes(folder, "new"));
  EXPECT_EQ(errno, EISDIR);
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(platform::ReadTextFile(folder).status, platform::TextReadStatus::OpenFailed);
  EXPECT_EQ(Listing(), (std::set<std::string>{"diet.dat", "folder"}));
}

// Another program holding diet.dat open: without delete sharing the file cannot be replaced,
// so the save fails and leaves the old file whole; with delete sharing the system may or may
// not let the move through, and either way the file holds the old or the new bytes, whole,
// with no temporary file left beside it.
struct HeldOpenCase {
  const char* name;
  DWORD share;
  bool mustFail;
};

class Win32HeldOpenTest : public Win32FilesTest, public ::testing::WithParamInterface<HeldOpenCase> {};

TEST_P(Win32HeldOpenTest, AFileHeldOpenIsReplacedWholeOrNotAtAll) {
  ASSERT_TRUE(platform::SaveFileBytes(path_, "old"));
  const HANDLE held = CreateFileA(path_.c_str(), GENERIC_READ, GetParam().share, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(platform::ReadTextFile(path_).text, "old") << "a held file can still be read";
  const bool saved = platform::SaveFileBytes(path_, "new");
  CloseHandle(held);
  if (GetParam().mustFail) {
    EXPECT_FALSE(saved) << "replaced a file held open without delete sharing";
  }
  EXPECT_EQ(Bytes(path_), saved ? "new" : "old");
  EXPECT_EQ(Listing(), std::set<std::string>{"diet.dat"});
  std::printf("[ held open, %s ] the save %s\n", GetParam().name, saved ? "replaced it" : "failed");
}

INSTANTIATE_TEST_SUITE_P(Sharing, Win32HeldOpenTest,
                         ::testing::Values(HeldOpenCase{"ReadAndWrite", FILE_SHARE_READ | FILE_SHARE_WRITE, true},
                                           HeldOpenCase{"ReadWriteAndDelete",
                                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, false}),
                         [](const ::testing::TestParamInfo<HeldOpenCase>& info) { return info.param.name; });

TEST_F(Win32FilesTest, EachFailingStepLeavesTheOldFileAndNothingElse) {
  const struct {
    platform::FileOp op;
    int error;
  } cases[] = {
      {platform::FileOp::Open, EACCES}, {platform::FileOp::Write, ENOSPC}, {platform::FileOp::Sync, EIO},
      {platform::FileOp::Close, EIO},   {platform::FileOp::Rename, EXDEV}, {platform::FileOp::Backup, EMLINK},
  };
  ASSERT_TRUE(platform::SaveFileBytes(path_, "old"));
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.op));
    platform::SetFileFaultHook([&c](platform::FileOp op) { return op == c.op ? c.error : 0; });
    platform::SaveOptions options;
    options.keepBackup = true;
    options.now = 1'800'000'000;
    errno = 0;
    EXPECT_FALSE(platform::SaveFile(
        path_, [](const platform::ByteWriter& write) { return write("new"); }, options));
    EXPECT_EQ(errno, c.error);
    EXPECT_EQ(Bytes(path_), "old");
    EXPECT_EQ(Listing(), std::set<std::string>{"diet.dat"});
  }
  // A short write is resumed, not a failure.
  platform::SetFileFaultHook([](platform::FileOp op) { return op == platform::FileOp::Write ? -1 : 0; });
  EXPECT_TRUE(platform::SaveFileBytes(path_, "new"));
  EXPECT_EQ(Bytes(path_), "new");
}

TEST_F(Win32FilesTest, BackupKeepsTheReplacedVersionUnlessTheBytesAreTheSame) {
  constexpr std::int64_t kNow = 1'800'000'000;
  platform::SaveOptions options;
  options.keepBackup = true;
  options.now = kNow;
  const auto save = [&](const std::string& bytes) {
    return platform::SaveFile(
        path_, [&bytes](const platform::ByteWriter& write) { return write(bytes); }, options);
  };
  ASSERT_TRUE(save("first"));
  EXPECT_EQ(Listing(), std::set<std::string>{"diet.dat"});  // nothing was replaced
  ASSERT_TRUE(save("second"));
  ASSERT_TRUE(save("second"));  // the same bytes: no backup
  ASSERT_TRUE(save("third"));
  const std::string first = platform::StampedName("diet.dat", kNow, 0, platform::kBackupSuffix);
  const std::string second = platform::StampedName("diet.dat", kNow, 1, platform::kBackupSuffix);
  EXPECT_EQ(Listing(), (std::set<std::string>{"diet.dat", first, second}));
  EXPECT_EQ(Bytes((dir_ / first).string()), "first");
  EXPECT_EQ(Bytes((dir_ / second).string()), "second");
  EXPECT_FALSE(platform::IsSameFile(path_, (dir_ / second).string()));

  // Pruning, a month on: of the old day only its newest backup stays, beside the new one.
  options.now = kNow + 40LL * 24 * 3600;
  for (int i = 0; i < platform::kBackupsKeptNewest; ++i) ASSERT_TRUE(save("later " + std::to_string(i)));
  const std::set<std::string> after = Listing();
  EXPECT_EQ(after.count(first), 0u);
  EXPECT_EQ(after.count(second), 0u);
  EXPECT_EQ(after.size(), 1u + platform::kBackupsKeptNewest);
}

TEST_F(Win32FilesTest, IsSameFileFollowsHardLinksAndFileExistsTellsMissingOnly) {
  const std::string other = (dir_ / "other.dat").string();
  const std::string link = (dir_ / "link.dat").string();
  ASSERT_TRUE(platform::SaveFileBytes(path_, "x"));
  ASSERT_TRUE(platform::SaveFileBytes(other, "x"));
  ASSERT_TRUE(CreateHardLinkA(link.c_str(), path_.c_str(), nullptr));
  const struct {
    std::string a, b;
    bool same;
  } cases[] = {
      {path_, path_, true},
      {path_, link, true},
      {path_, other, false},
      {path_, (dir_ / "missing").string(), false},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::IsSameFile(c.a, c.b), c.same) << c.a << " " << c.b;
  EXPECT_TRUE(platform::FileExists(dir_.string()));
  EXPECT_FALSE(platform::FileExists((dir_ / "missing").string()));
}

TEST_F(Win32FilesTest, RescueFileGoesToLocalAppDataAndNeverReplaces) {
  ASSERT_TRUE(SetEnvironmentVariableA("LOCALAPPDATA", dir_.string().c_str()));
  constexpr std::int64_t kNow = 1'800'000'000;
  const auto rescue = [&](const std::string& bytes) {
    return platform::SaveRescueFile("diet.dat", kNow,
                                    [&bytes](const platform::ByteWriter& write) { return write(bytes); });
  };
  const std::string first = rescue("one");
  const std::string second = rescue("two");
  const fs::path folder = dir_ / "girthminder";
  EXPECT_EQ(first, (folder / platform::StampedName("diet.dat", kNow, 0, platform::kRescueSuffix)).string());
  EXPECT_EQ(second, (folder / platform::StampedName("diet.dat", kNow, 1, platform::kRescueSuffix)).string());
  EXPECT_EQ(Bytes(first), "one");
  EXPECT_EQ(Bytes(second), "two");
  // A source that fails leaves nothing behind.
  EXPECT_EQ(platform::SaveRescueFile("diet.dat", kNow, [](const platform::ByteWriter&) { return false; }), "");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
}

}  // namespace
