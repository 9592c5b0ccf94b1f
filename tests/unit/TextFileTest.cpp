#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

#include "TempDir.h"
#include "platform/files/TextFile.h"

namespace {

using namespace std::string_view_literals;
using platform::DecodeTextMode;
using platform::EncodeTextMode;
using platform::ReadTextFile;
using platform::TextReadStatus;

struct TranslationCase {
  std::string_view input;
  std::string_view expected;
  const char* why;
};

void PrintTo(const TranslationCase& c, std::ostream* os) { *os << c.why; }

class DecodeTextModeTest : public ::testing::TestWithParam<TranslationCase> {};

TEST_P(DecodeTextModeTest, TranslatesLikeTextModeInput) {
  EXPECT_EQ(DecodeTextMode(GetParam().input), GetParam().expected) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(Cases, DecodeTextModeTest,
                         ::testing::Values(TranslationCase{"", "", "nothing stays nothing"},
                                           TranslationCase{"a\nb\n", "a\nb\n", "bare LF line ends load as they are"},
                                           TranslationCase{"a\r\nb\r\n", "a\nb\n", "CR LF becomes LF"},
                                           TranslationCase{"a\rb\r", "a\rb\r", "a lone CR stays, at the end too"},
                                           TranslationCase{"a\r\r\nb", "a\r\nb",
                                                           "only the CR right before the LF goes"},
                                           TranslationCase{"\r\n\r\n", "\n\n", "empty lines"},
                                           TranslationCase{"ab\x1A"
                                                           "cd\r\n",
                                                           "ab", "Ctrl-Z ends the text"},
                                           TranslationCase{"\x1A"
                                                           "abc",
                                                           "", "Ctrl-Z first leaves nothing"},
                                           TranslationCase{"a\r\x1A\n", "a\r", "a CR cut off by Ctrl-Z is a lone CR"},
                                           TranslationCase{"a\0b\r\n"sv, "a\0b\n"sv, "NUL is an ordinary byte"}));

class EncodeTextModeTest : public ::testing::TestWithParam<TranslationCase> {};

TEST_P(EncodeTextModeTest, TranslatesLikeTextModeOutput) {
  EXPECT_EQ(EncodeTextMode(GetParam().input), GetParam().expected) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(Cases, EncodeTextModeTest,
                         ::testing::Values(TranslationCase{"", "", "nothing stays nothing"},
                                           TranslationCase{"a\nb\n", "a\r\nb\r\n", "each LF gets a CR"},
                                           TranslationCase{"\n\n", "\r\n\r\n", "empty lines"},
                                           TranslationCase{"a\rb\r\n", "a\rb\r\r\n",
                                                           "CRs already there are left alone"},
                                           TranslationCase{"x\x1A"
                                                           "y\0z"sv,
                                                           "x\x1A"
                                                           "y\0z"sv,
                                                           "Ctrl-Z and NUL are written as they are"}));

using testing_support::TempDir;

void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

// Lines of a log-like text: LF-only and its CR LF encoding.
std::string ManyLines(std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += "DATE=2006-01-" + std::to_string(i) + "\n";
  return text;
}

TEST(ReadTextFileTest, MissingFileIsCreatedEmptyWithUmaskApplied) {
  TempDir dir;
  const std::string path = dir / "diet.dat";
  const mode_t oldMask = ::umask(027);
  const auto result = ReadTextFile(path);
  ::umask(oldMask);

  EXPECT_EQ(result.status, TextReadStatus::Ok);
  EXPECT_EQ(result.text, "");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0) << "the missing file was not created";
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_size, 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(ReadTextFileTest, ReadsLargeFileDecodedAndStopsAtCtrlZ) {
  TempDir dir;
  const std::string path = dir / "diet.dat";
  // Several megabytes, so the text does not fit any small first buffer.
  const std::string text = ManyLines(200'000);
  WriteBytes(path, EncodeTextMode(text) +
                       "\x1A"
                       "DATE=after-ctrl-z\r\n");

  const auto result = ReadTextFile(path);
  EXPECT_EQ(result.status, TextReadStatus::Ok);
  EXPECT_TRUE(result.text == text) << "read " << result.text.size() << " bytes, expected " << text.size();
}

TEST(ReadTextFileTest, OnlyRegularFilesAreReadAndOpeningNeverWaits) {
  // A FIFO with a writer that never speaks: reading it would wait for ever. It is not read,
  // like a socket or a device: the caller gets OpenFailed at once.
  TempDir dir;
  const std::string path = dir / "diet.dat";
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  const int writeFd = ::open(path.c_str(), O_RDWR | O_NONBLOCK);  // the silent writer
  ASSERT_GE(writeFd, 0);
  const auto fifo = ReadTextFile(path);
  ::close(writeFd);
  EXPECT_EQ(fifo.status, TextReadStatus::OpenFailed);
  EXPECT_EQ(ReadTextFile(path).status, TextReadStatus::OpenFailed) << "a FIFO without a writer";
  EXPECT_EQ(ReadTextFile("/dev/null").status, TextReadStatus::OpenFailed) << "a device";
  EXPECT_TRUE(std::filesystem::is_fifo(path)) << "nothing was created in its place";
}

TEST(TextModeDecoderTest, PiecesSplitAnywhereDecodeAsTheWhole) {
  // The reader feeds the decoder in pieces: a CR LF pair, a lone CR or a Ctrl-Z may fall on
  // any boundary.
  const std::string_view inputs[] = {
      "a\r\nb\r\n",   "a\rb\r", "a\r\r\nb",   "\r\n\r\n",
      "ab\032cd\r\n",  // 0x1A in the middle
      "a\r\x1A\n",    "\r",     "\r\r\r\n\n", "x\r\n\x1A",
  };
  for (const std::string_view raw : inputs) {
    const std::string whole = DecodeTextMode(raw);
    for (std::size_t cut1 = 0; cut1 <= raw.size(); ++cut1) {
      for (std::size_t cut2 = cut1; cut2 <= raw.size(); ++cut2) {
        platform::TextModeDecoder decoder;
        std::string text;
        decoder.Feed(raw.substr(0, cut1), text);
        decoder.Feed(raw.substr(cut1, cut2 - cut1), text);
        decoder.Feed(raw.substr(cut2), text);
        decoder.Finish(text);
        EXPECT_EQ(text, whole) << "cut at " << cut1 << " and " << cut2;
      }
    }
  }
}

TEST(ReadTextFileTest, OpenFailuresAreToldApartAndCreateNothing) {
  TempDir dir;
  ASSERT_EQ(::mkdir((dir / "diet.dat").c_str(), 0755), 0);

  const auto directory = ReadTextFile(dir / "diet.dat");
  EXPECT_EQ(directory.status, TextReadStatus::OpenFailed) << "a directory of that name";
  EXPECT_TRUE(std::filesystem::is_directory(dir / "diet.dat"));

  const auto noParent = ReadTextFile(dir / "missing/diet.dat");
  EXPECT_EQ(noParent.status, TextReadStatus::OpenFailed) << "the directory does not exist";
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

TEST(FileExistsTest, AnythingAtThePathCounts) {
  TempDir dir;
  ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
  WriteBytes(dir / "file", "");
  ASSERT_EQ(::symlink("nowhere", (dir / "dangling").c_str()), 0);
  const std::pair<const char*, bool> cases[] = {
      {"file", true},     {"sub", true},  // a directory of that name is not a missing file
      {"dangling", true},                 // the link itself is there
      {"missing", false}, {"missing/file", false},
  };
  for (const auto& [name, exists] : cases) {
    EXPECT_EQ(platform::FileExists(dir / name), exists) << name;
  }
}

TEST(ReadTextFileTest, ReadErrorIsNotTheEndOfTheFile) {
  // Reading this process's memory at address 0 fails with EIO on Linux.
  if (::access("/proc/self/mem", R_OK) != 0) GTEST_SKIP() << "/proc/self/mem is not readable here";
  const auto result = ReadTextFile("/proc/self/mem");
  EXPECT_EQ(result.status, TextReadStatus::ReadError);
  EXPECT_EQ(result.text, "");
}

}  // namespace
