// The text-mode translation and the files behind it, on any bytes.
//
// Reading: the text ends at the first Ctrl-Z (0x1A); before it, a CR immediately followed by
// an LF is dropped and every other byte, a lone CR included, is kept. Writing: every LF gets
// a CR before it. The harness checks the decoder against a plain reference of that rule and
// the facts that follow from it, feeds the same decoder the bytes in pieces split anywhere (as
// the file reader does), then reads the bytes back through the real files: a regular file, one
// larger than the reader's buffer, and the safe save (for inputs whose length is a multiple of
// four).

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "platform/files/TextFile.h"

namespace {

constexpr char kCtrlZ = '\x1A';

// The reader reads in pieces this large; data in a large file is placed across that boundary.
constexpr std::size_t kReadPiece = 256 * 1024;

std::string ReferenceDecode(std::string_view raw) {
  const std::string_view text = raw.substr(0, std::min(raw.find(kCtrlZ), raw.size()));
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

std::size_t Count(std::string_view text, char c) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), c));
}

// Every LF has a CR right before it: the form a text-mode writer produces.
bool EveryLfAfterCr(std::string_view raw) {
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\n' && (i == 0 || raw[i - 1] != '\r')) return false;
  }
  return true;
}

bool WriteAllTo(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string ReadRaw(const std::string& path) {
  std::string bytes;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  FUZZ_CHECK(fd >= 0, "cannot open a file the save wrote");
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<std::size_t>(n));
  ::close(fd);
  return bytes;
}

// A private directory for one input, on a memory file system when there is one, so that the
// syncs of the safe save cost nothing; removed again when the input is done.
class WorkDir {
 public:
  WorkDir() {
    const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::snprintf(path_, sizeof path_, "%s/girth-textmode-fuzz-XXXXXX", base);
    FUZZ_CHECK(::mkdtemp(path_) != nullptr, "cannot create a work directory");
  }
  WorkDir(const WorkDir&) = delete;
  WorkDir& operator=(const WorkDir&) = delete;
  ~WorkDir() {
    ::unlink(File().c_str());
    ::rmdir(path_);
  }
  std::string File() const { return std::string(path_) + "/diet.dat"; }

 private:
  char path_[128];
};

void CheckTranslation(std::string_view raw) {
  const std::string text = platform::DecodeTextMode(raw);
  FUZZ_CHECK(text == ReferenceDecode(raw), "decoding differs from the text-mode rule");

  const std::string_view beforeCtrlZ = raw.substr(0, std::min(raw.find(kCtrlZ), raw.size()));
  FUZZ_CHECK(text.find(kCtrlZ) == std::string::npos, "a Ctrl-Z came through");
  FUZZ_CHECK(text.size() <= beforeCtrlZ.size(), "decoding made the text longer");
  FUZZ_CHECK(Count(text, '\n') == Count(beforeCtrlZ, '\n'), "a line end was lost or added");
  FUZZ_CHECK(text.size() + Count(text, '\n') >= beforeCtrlZ.size(), "more was dropped than one CR per line end");

  // Writing what was read and reading it again gives the same text: text mode loses nothing
  // but CRs that stood right before an LF.
  const std::string encoded = platform::EncodeTextMode(text);
  FUZZ_CHECK(encoded.size() == text.size() + Count(text, '\n'), "encoding added other bytes");
  FUZZ_CHECK(EveryLfAfterCr(encoded), "an encoded LF lacks its CR");
  FUZZ_CHECK(platform::DecodeTextMode(encoded) == text, "text changed through write and read");

  // Bytes already in the writer's form come back as they were.
  if (beforeCtrlZ.size() == raw.size() && EveryLfAfterCr(raw)) {
    FUZZ_CHECK(encoded == raw, "a file in text-mode form changed through read and write");
  }

  // The streaming decoder, fed in pieces cut where the input's first bytes say, decodes as
  // the whole does: a CR LF pair, a lone CR or a Ctrl-Z may fall on any boundary.
  platform::TextModeDecoder decoder;
  std::string pieces;
  std::size_t pos = 0;
  for (std::size_t i = 0; pos < raw.size(); ++i) {
    const std::size_t length = 1 + (i < raw.size() ? static_cast<unsigned char>(raw[i]) % 7 : 3);
    decoder.Feed(raw.substr(pos, length), pieces);
    pos += length;
  }
  decoder.Finish(pieces);
  FUZZ_CHECK(pieces == text, "decoding in pieces differs from decoding the whole");
}

void CheckFiles(std::string_view raw) {
  const std::string expected = platform::DecodeTextMode(raw);
  const WorkDir dir;
  const std::string path = dir.File();

  // A regular file.
  {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    FUZZ_CHECK(fd >= 0 && WriteAllTo(fd, raw) && ::close(fd) == 0, "cannot write the input file");
    const platform::TextReadResult read = platform::ReadTextFile(path);
    FUZZ_CHECK(read.status == platform::TextReadStatus::Ok, "reading a regular file failed");
    FUZZ_CHECK(read.text == expected, "a regular file reads other than its decoded bytes");
  }

  // A file larger than one read: the input sits across the end of the reader's first piece,
  // where a CR LF pair or a Ctrl-Z may be split.
  {
    const std::size_t lead = kReadPiece - 1 - (raw.empty() ? 0 : static_cast<unsigned char>(raw[0]) % 4);
    const std::string bytes = std::string(lead, 'x') + std::string(raw);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    FUZZ_CHECK(fd >= 0 && WriteAllTo(fd, bytes) && ::close(fd) == 0, "cannot write the large input file");
    const platform::TextReadResult read = platform::ReadTextFile(path);
    FUZZ_CHECK(read.status == platform::TextReadStatus::Ok, "reading a large file failed");
    FUZZ_CHECK(read.text == platform::DecodeTextMode(bytes), "a large file reads other than its decoded bytes");
  }

  // The safe save writes the encoded text, which reads back as the text.
  FUZZ_CHECK(platform::SaveTextFile(path, expected), "the safe save failed");
  FUZZ_CHECK(ReadRaw(path) == platform::EncodeTextMode(expected), "the save wrote other bytes");
  const platform::TextReadResult reread = platform::ReadTextFile(path);
  FUZZ_CHECK(reread.status == platform::TextReadStatus::Ok && reread.text == expected,
             "a saved text reads back changed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  CheckTranslation(raw);
  // The file checks allocate and fill buffers of a few hundred kilobytes each time, which
  // costs some thirty times the translation; a quarter of the inputs, chosen by their length
  // so that a crash replays alike, keep the translation checks fast.
  if (size % 4 == 0) CheckFiles(raw);
  return 0;
}
