#include "platform/files/TextFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/files/FileFaults.h"

namespace platform {

namespace {

constexpr char kCtrlZ = '\x1A';

// Large enough that a log of 100 MB takes a few hundred system calls, small enough to stay
// out of the way in memory.
constexpr std::size_t kWriteChunk = std::size_t{256} * 1024;
constexpr std::size_t kMinReadChunk = std::size_t{64} * 1024;

std::function<int(FileOp)>& FaultHook() {
  static std::function<int(FileOp)> hook;
  return hook;
}

// The errno that the test hook wants this call to fail with, or 0; for a write, a negative
// number limits its length instead.
int InjectedFault(FileOp op) {
  auto& hook = FaultHook();
  if (!hook) return 0;
  const int fault = hook(op);
  return fault > 0 || op == FileOp::Write ? fault : 0;
}

// Turns CR LF into LF in place and returns the new length; a CR not followed by LF stays.
std::size_t DecodeInPlace(char* data, std::size_t size) {
  char* const end = data + size;
  auto* cr = static_cast<char*>(std::memchr(data, '\r', size));
  if (cr == nullptr) return size;
  char* out = cr;
  char* in = cr;
  while (in < end) {  // `in` points at a CR here
    if (in + 1 < end && in[1] == '\n') ++in;
    auto* next = static_cast<char*>(std::memchr(in + 1, '\r', static_cast<std::size_t>(end - in - 1)));
    if (next == nullptr) next = end;
    const auto len = static_cast<std::size_t>(next - in);
    std::memmove(out, in, len);
    out += len;
    in = next;
  }
  return static_cast<std::size_t>(out - data);
}

class FdCloser {
 public:
  explicit FdCloser(int fd) : fd_(fd) {}
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;
  ~FdCloser() {  // keeps errno, which tells the caller why a step failed
    if (fd_ < 0) return;
    const int saved = errno;
    ::close(fd_);
    errno = saved;
  }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Opens an existing file for reading, or creates it empty. O_NONBLOCK keeps a FIFO of that
// name from blocking the open; it is cleared again before reading.
int OpenOrCreateForReading(const std::string& path) {
  constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY;
  int fd;
  do {
    fd = ::open(path.c_str(), kFlags | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0 && errno == ENOENT) {
    // Without O_EXCL the create is atomic against another process creating the file first,
    // and a dangling symbolic link gets its target created, as a save would do.
    do {
      fd = ::open(path.c_str(), kFlags | O_CREAT, 0666);
    } while (fd < 0 && errno == EINTR);
  }
  if (fd < 0) return -1;
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Writes all of [data, data + size), resuming after partial writes and interruptions.
bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    std::size_t count = size;
    if (const int fault = InjectedFault(FileOp::Write)) {
      if (fault < 0) {
        count = std::min(count, static_cast<std::size_t>(-static_cast<long long>(fault)));
      } else if (fault == EINTR) {
        continue;
      } else {
        errno = fault;
        return false;
      }
    }
    const ssize_t n = ::write(fd, data, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {  // never for a regular file; guards against spinning forever
      errno = EIO;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Writes bytes as they are, in chunks of a bounded size.
bool WriteRaw(int fd, std::string_view bytes) {
  for (std::size_t done = 0; done < bytes.size(); done += kWriteChunk) {
    if (!WriteAll(fd, bytes.data() + done, std::min(kWriteChunk, bytes.size() - done))) {
      return false;
    }
  }
  return true;
}

// Encodes in text mode chunk by chunk, so that a large log is never held twice in memory.
bool WriteEncoded(int fd, std::string_view text) {
  const auto buffer = std::make_unique<char[]>(kWriteChunk);
  std::size_t used = 0;
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    const char* const segmentEnd = lf != nullptr ? lf : end;
    while (p < segmentEnd) {
      const std::size_t n = std::min(static_cast<std::size_t>(segmentEnd - p), kWriteChunk - used);
      std::memcpy(buffer.get() + used, p, n);
      used += n;
      p += n;
      if (used == kWriteChunk) {
        if (!WriteAll(fd, buffer.get(), used)) return false;
        used = 0;
      }
    }
    if (lf != nullptr) {
      if (kWriteChunk - used < 2) {
        if (!WriteAll(fd, buffer.get(), used)) return false;
        used = 0;
      }
      buffer[used++] = '\r';
      buffer[used++] = '\n';
      p = lf + 1;
    }
  }
  return WriteAll(fd, buffer.get(), used);
}

bool SyncFd(int fd, FileOp op) {
  for (;;) {
    if (const int fault = InjectedFault(op)) {
      if (fault == EINTR) continue;
      errno = fault;
      return false;
    }
    if (::fsync(fd) == 0) return true;
    if (errno != EINTR) return false;
  }
}

// Follows a chain of symbolic links to the file that is really meant. A dangling link gives
// the path it points to, so that saving creates the file there and keeps the link.
bool ResolveLinks(const std::string& path, std::string& target) {
  constexpr int kMaxLinks = 40;  // as the kernel allows before ELOOP
  target = path;
  for (int hops = 0; hops <= kMaxLinks; ++hops) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0) {
      return errno == ENOENT;  // nothing there yet: the save creates it
    }
    if (!S_ISLNK(st.st_mode)) return true;
    std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    ssize_t n;
    for (;;) {
      n = ::readlink(target.c_str(), link.data(), link.size());
      if (n < 0) return false;
      if (static_cast<std::size_t>(n) < link.size()) break;
      link.resize(link.size() * 2);  // the link changed meanwhile; read it whole
    }
    link.resize(static_cast<std::size_t>(n));
    if (link.empty()) {
      errno = ENOENT;
      return false;
    }
    const auto slash = target.rfind('/');
    if (link.front() == '/' || slash == std::string::npos) {
      target = std::move(link);
    } else {
      target = target.substr(0, slash + 1) + link;
    }
  }
  errno = ELOOP;
  return false;
}

// Temporary files are ".<name>.tmp-" and six letters or digits: a name no user picks, so
// that those left by a save that was killed can be recognised and removed later.
constexpr std::size_t kSuffixLength = 6;

std::string TemporaryPrefix(const std::string& name) { return "." + name + ".tmp-"; }

bool IsTemporaryOf(const std::string& name, std::string_view candidate) {
  const std::string prefix = TemporaryPrefix(name);
  if (candidate.size() != prefix.size() + kSuffixLength || candidate.substr(0, prefix.size()) != prefix) return false;
  for (const char c : candidate.substr(prefix.size())) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// Removes the temporary files that saves killed before their rename left beside the target.
void RemoveStaleTemporaries(int dirFd, const std::string& name) {
  const int listFd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listFd < 0) return;
  DIR* dir = ::fdopendir(listFd);
  if (dir == nullptr) {
    ::close(listFd);
    return;
  }
  std::vector<std::string> stale;
  while (const dirent* entry = ::readdir(dir)) {
    if (IsTemporaryOf(name, entry->d_name)) stale.emplace_back(entry->d_name);
  }
  ::closedir(dir);
  for (const std::string& file : stale) {
    struct stat st {};
    if (::fstatat(dirFd, file.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
      ::unlinkat(dirFd, file.c_str(), 0);
  }
}

std::string RandomSuffix() {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static std::mt19937_64 generator{std::random_device{}()};
  std::string suffix(kSuffixLength, '\0');
  for (char& c : suffix) c = kChars[generator() % (sizeof kChars - 1)];
  return suffix;
}

// Creates a new, unique file beside the target. Unlike mkostemp this passes a mode to open,
// so a new log gets 0666 filtered by the umask and the directory's default ACL.
int CreateTemporary(int dirFd, const std::string& name, mode_t mode, std::string& tempName) {
  constexpr int kAttempts = 100;
  for (int i = 0; i < kAttempts; ++i) {
    tempName = TemporaryPrefix(name) + RandomSuffix();
    if (const int fault = InjectedFault(FileOp::Open)) {
      if (fault == EINTR) continue;
      errno = fault;
      return -1;
    }
    const int fd = ::openat(dirFd, tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
    if (fd >= 0) return fd;
    if (errno != EEXIST && errno != EINTR) return -1;
  }
  errno = EEXIST;
  return -1;
}

// Writes the temporary file completely and closes it. On failure the file is still there
// and errno tells why.
bool FillTemporary(int fd, std::string_view data, bool encode, const struct stat* old) {
  FdCloser file(fd);
  if (old != nullptr) {
    // The owner first: changing it clears set-user-ID and set-group-ID bits.
    if (::geteuid() == 0) (void)::fchown(file.get(), old->st_uid, old->st_gid);
    if (::fchmod(file.get(), old->st_mode & 07777) != 0) return false;
  }
  if (!(encode ? WriteEncoded(file.get(), data) : WriteRaw(file.get(), data))) return false;
  if (!SyncFd(file.get(), FileOp::Sync)) return false;
  if (const int fault = InjectedFault(FileOp::Close)) {
    errno = fault;
    return false;  // the closer still releases the descriptor
  }
  // A failed close is not retried: on Linux the descriptor is gone either way.
  return ::close(file.release()) == 0;
}

}  // namespace

void SetFileFaultHook(std::function<int(FileOp)> hook) { FaultHook() = std::move(hook); }

std::string DecodeTextMode(std::string_view raw) {
  if (raw.empty()) return {};
  const auto* ctrlZ = static_cast<const char*>(std::memchr(raw.data(), kCtrlZ, raw.size()));
  std::string text(raw.substr(0, ctrlZ != nullptr ? static_cast<std::size_t>(ctrlZ - raw.data()) : raw.size()));
  text.resize(DecodeInPlace(text.data(), text.size()));
  return text;
}

std::string EncodeTextMode(std::string_view text) {
  std::size_t lines = 0;
  for (const char c : text) lines += c == '\n' ? 1 : 0;
  std::string raw;
  raw.reserve(text.size() + lines);
  for (const char c : text) {
    if (c == '\n') raw += '\r';
    raw += c;
  }
  return raw;
}

TextReadResult ReadTextFile(const std::string& path) {
  TextReadResult result;
  FdCloser file(OpenOrCreateForReading(path));
  struct stat st {};
  // A directory holds no text, and a device may never end (/dev/zero) or wait for a person
  // (a terminal): only files and pipes are read.
  if (file.get() < 0 || ::fstat(file.get(), &st) != 0 || S_ISDIR(st.st_mode) || S_ISCHR(st.st_mode) ||
      S_ISBLK(st.st_mode)) {
    result.status = TextReadStatus::OpenFailed;
    return result;
  }

  // Room for the whole file and one byte more, so that the read telling the end of the file
  // needs no second buffer; files that do not know their size grow the buffer as they go.
  std::string& buffer = result.text;
  std::size_t expected = 0;
  if (S_ISREG(st.st_mode) && st.st_size > 0) expected = static_cast<std::size_t>(st.st_size);
  buffer.resize(std::max(expected + 1, kMinReadChunk));
  std::size_t length = 0;
  for (;;) {
    if (length == buffer.size()) buffer.resize(buffer.size() * 2);
    const ssize_t n = ::read(file.get(), buffer.data() + length, buffer.size() - length);
    if (n < 0) {
      if (errno == EINTR) continue;
      result.status = TextReadStatus::ReadError;
      break;
    }
    if (n == 0) break;
    // The text ends at the first Ctrl-Z; nothing after it is read.
    const auto* ctrlZ =
        static_cast<const char*>(std::memchr(buffer.data() + length, kCtrlZ, static_cast<std::size_t>(n)));
    if (ctrlZ != nullptr) {
      length = static_cast<std::size_t>(ctrlZ - buffer.data());
      break;
    }
    length += static_cast<std::size_t>(n);
  }
  buffer.resize(DecodeInPlace(buffer.data(), length));
  return result;
}

namespace {

// The safe replacement behind both savers; `encode` turns each LF into CR LF on the way.
bool SaveFile(const std::string& path, std::string_view data, bool encode) {
  std::string target;
  if (!ResolveLinks(path, target)) return false;

  const auto slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") {
    errno = EISDIR;
    return false;
  }

  // The directory is opened before anything changes, so that only its final sync can fail
  // after the rename.
  if (const int fault = InjectedFault(FileOp::SyncDir)) {
    errno = fault;
    return false;
  }
  FdCloser dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dirFd.get() < 0) return false;

  struct stat old {};
  bool exists = true;
  if (::fstatat(dirFd.get(), name.c_str(), &old, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT) return false;
    exists = false;
  }
  if (exists) {
    if (!S_ISREG(old.st_mode)) {
      errno = S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
      return false;
    }
    // rename would replace a file we may not write to; the old log must stay as it is.
    if (::faccessat(dirFd.get(), name.c_str(), W_OK, AT_EACCESS) != 0) return false;
  }

  std::string tempName;
  const int fd = CreateTemporary(dirFd.get(), name, exists ? 0600 : 0666, tempName);
  if (fd < 0) return false;

  const auto discard = [&] {
    const int saved = errno;
    ::unlinkat(dirFd.get(), tempName.c_str(), 0);
    errno = saved;
    return false;
  };
  if (!FillTemporary(fd, data, encode, exists ? &old : nullptr)) return discard();

  if (const int fault = InjectedFault(FileOp::Rename)) {
    errno = fault;
    return discard();
  }
  if (::renameat(dirFd.get(), tempName.c_str(), dirFd.get(), name.c_str()) != 0) return discard();
  RemoveStaleTemporaries(dirFd.get(), name);

  // From here on the file holds the new text; a failed sync still reports false, because
  // the rename may not survive a crash.
  if (!SyncFd(dirFd.get(), FileOp::SyncDir)) {
    // Some file systems cannot sync a directory at all; nothing more can be done there.
    return errno == EINVAL;
  }
  return true;
}

}  // namespace

bool SaveTextFile(const std::string& path, std::string_view text) { return SaveFile(path, text, true); }

bool SaveFileBytes(const std::string& path, std::string_view bytes) { return SaveFile(path, bytes, false); }

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

}  // namespace platform
