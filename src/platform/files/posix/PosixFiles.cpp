// The POSIX backend of the file contract in platform/files/TextFile.h.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/files/Backups.h"
#include "platform/files/FileFaults.h"
#include "platform/files/TextFile.h"

namespace platform {

namespace {

// Large enough that a log of 100 MB takes a few hundred system calls, small enough to stay
// out of the way in memory.
constexpr std::size_t kWriteChunk = std::size_t{256} * 1024;
constexpr std::size_t kReadChunk = std::size_t{256} * 1024;

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

class FdCloser {
 public:
  explicit FdCloser(int fd = -1) : fd_(fd) {}
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;
  ~FdCloser() { reset(); }
  void reset(int fd = -1) {  // keeps errno, which tells the caller why a step failed
    if (fd_ >= 0) {
      const int saved = errno;
      ::close(fd_);
      errno = saved;
    }
    fd_ = fd;
  }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Opens an existing file for reading, or creates it empty. O_NONBLOCK keeps a FIFO of that
// name from blocking the open; only regular files are read afterwards.
int OpenOrCreateForReading(const std::string& path) {
  constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  int fd;
  do {
    fd = ::open(path.c_str(), kFlags);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0 && errno == ENOENT) {
    // Without O_EXCL the create is atomic against another process creating the file first,
    // and a dangling symbolic link gets its target created, as a save would do.
    do {
      fd = ::open(path.c_str(), kFlags | O_CREAT, 0666);
    } while (fd < 0 && errno == EINTR);
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

// Reads up to `size` bytes at `offset`, as many as there are; -1 on an error.
ssize_t ReadAt(int fd, char* data, std::size_t size, off_t offset) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd, data + done, size - done, offset + static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

// The bytes of a save on their way to the temporary file: gathered into chunks of a bounded
// size, written chunk by chunk, and compared with the file being replaced as they go, so that
// a save of the very same bytes can be told without holding either in memory.
class ChunkedWriter {
 public:
  ChunkedWriter(int fd, int oldFd) : fd_(fd), oldFd_(oldFd), buffer_(std::make_unique<char[]>(kWriteChunk)) {
    if (oldFd_ >= 0) compare_ = std::make_unique<char[]>(kWriteChunk);
    same_ = oldFd_ >= 0;
  }

  bool Write(std::string_view bytes) {
    if (failed_) return false;
    while (!bytes.empty()) {
      const std::size_t n = std::min(bytes.size(), kWriteChunk - used_);
      std::memcpy(buffer_.get() + used_, bytes.data(), n);
      used_ += n;
      bytes.remove_prefix(n);
      if (used_ == kWriteChunk && !Flush()) return false;
    }
    return true;
  }

  bool Finish() {
    if (failed_ || !Flush()) return false;
    if (same_) {
      // The old file must end where the new bytes end.
      char extra;
      const ssize_t n = ReadAt(oldFd_, &extra, 1, written_);
      same_ = n == 0;
    }
    return true;
  }

  // Whether the bytes written are exactly those of the old file.
  bool SameAsOld() const { return same_; }

 private:
  bool Flush() {
    if (used_ == 0) return true;
    if (!WriteAll(fd_, buffer_.get(), used_)) {
      failed_ = true;
      return false;
    }
    if (same_) {
      const ssize_t n = ReadAt(oldFd_, compare_.get(), used_, written_);
      same_ = n == static_cast<ssize_t>(used_) && std::memcmp(compare_.get(), buffer_.get(), used_) == 0;
    }
    written_ += static_cast<off_t>(used_);
    used_ = 0;
    return true;
  }

  int fd_;
  int oldFd_;
  std::unique_ptr<char[]> buffer_;
  std::unique_ptr<char[]> compare_;
  std::size_t used_ = 0;
  off_t written_ = 0;
  bool same_ = false;
  bool failed_ = false;
};

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

std::vector<std::string> ListFolder(int dirFd) {
  std::vector<std::string> names;
  const int listFd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listFd < 0) return names;
  DIR* dir = ::fdopendir(listFd);
  if (dir == nullptr) {
    ::close(listFd);
    return names;
  }
  while (const dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
  ::closedir(dir);
  return names;
}

bool IsRegularEntry(int dirFd, const std::string& name) {
  struct stat st {};
  return ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
}

// Removes the temporary files that saves killed before their rename left beside the target,
// and the backups that pruning lets go (never `keep`, the one this save made, whatever the
// clock says).
void TidyFolder(int dirFd, const std::string& name, bool pruneBackups, std::int64_t now, const std::string& keep) {
  std::vector<std::string> remove;
  std::vector<StampedFile> backups;
  for (const std::string& entry : ListFolder(dirFd)) {
    if (IsTemporaryOf(name, entry)) {
      remove.push_back(entry);
    } else if (pruneBackups) {
      if (auto backup = ParseStampedName(name, entry, kBackupSuffix)) backups.push_back(std::move(*backup));
    }
  }
  if (pruneBackups) {
    for (std::string& old : BackupsToRemove(std::move(backups), now))
      if (old != keep) remove.push_back(std::move(old));
  }
  for (const std::string& file : remove) {
    if (IsRegularEntry(dirFd, file)) ::unlinkat(dirFd, file.c_str(), 0);
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

constexpr const char* kAccessAcl = "system.posix_acl_access";

// Gives the new file the extended attributes of the old one: its POSIX ACL and whatever else
// may be copied. One that cannot be read or set is left out: the data matters more.
void CopyAttributes(int oldFd, int newFd) {
  std::vector<char> names;
  for (;;) {
    const ssize_t size = ::flistxattr(oldFd, nullptr, 0);
    if (size <= 0) {
      names.clear();
      break;
    }
    names.resize(static_cast<std::size_t>(size));
    const ssize_t got = ::flistxattr(oldFd, names.data(), names.size());
    if (got >= 0) {
      names.resize(static_cast<std::size_t>(got));
      break;
    }
    if (errno != ERANGE) {
      names.clear();
      break;
    }
  }
  bool hadAcl = false;
  std::vector<char> value;
  for (std::size_t pos = 0; pos < names.size();) {
    const char* attribute = names.data() + pos;
    pos += std::strlen(attribute) + 1;
    if (std::strcmp(attribute, kAccessAcl) == 0) hadAcl = true;
    const ssize_t size = ::fgetxattr(oldFd, attribute, nullptr, 0);
    if (size < 0) continue;
    value.resize(static_cast<std::size_t>(size));
    const ssize_t got = ::fgetxattr(oldFd, attribute, value.data(), value.size());
    if (got < 0) continue;
    (void)::fsetxattr(newFd, attribute, value.data(), static_cast<std::size_t>(got), 0);
  }
  // An access ACL that the new file took from the folder's default ACL was not the old file's.
  if (!hadAcl) (void)::fremovexattr(newFd, kAccessAcl);
}

// Gives the temporary file the metadata of the file it replaces.
bool CopyMetadata(int oldFd, int fd, const struct stat& old) {
  // The owner first: changing it clears set-user-ID and set-group-ID bits. Root keeps the
  // owner; anyone may keep the group when they belong to it.
  if (::geteuid() == 0) {
    (void)::fchown(fd, old.st_uid, old.st_gid);
  } else {
    (void)::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
  }
  if (::fchmod(fd, old.st_mode & 07777) != 0) return false;
  // After the mode: setting the ACL sets the mode's group bits to its mask.
  if (oldFd >= 0) CopyAttributes(oldFd, fd);
  return true;
}

// Writes the temporary file completely and closes it. On failure the file is still there
// and errno tells why.
bool FillTemporary(int fd, int oldFd, const struct stat* old, const ByteSource& source, bool encode, bool& same) {
  FdCloser file(fd);
  if (old != nullptr && !CopyMetadata(oldFd, file.get(), *old)) return false;
  ChunkedWriter writer(file.get(), oldFd);
  bool ok;
  if (encode) {
    ok = source([&writer](std::string_view text) {
      bool good = true;
      EncodeTextModeTo(text, [&](std::string_view piece) { good = good && writer.Write(piece); });
      return good;
    });
  } else {
    ok = source([&writer](std::string_view bytes) { return writer.Write(bytes); });
  }
  if (!ok || !writer.Finish()) {
    if (errno == 0) errno = EIO;
    return false;
  }
  same = writer.SameAsOld();
  if (!SyncFd(file.get(), FileOp::Sync)) return false;
  if (const int fault = InjectedFault(FileOp::Close)) {
    errno = fault;
    return false;  // the closer still releases the descriptor
  }
  // A failed close is not retried: on Linux the descriptor is gone either way.
  return ::close(file.release()) == 0;
}

// Copies the old file, read through `oldFd`, to a new file `copyName`, synced.
bool CopyToNewFile(int dirFd, int oldFd, const struct stat& old, const std::string& copyName) {
  const int fd = ::openat(dirFd, copyName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
  if (fd < 0) return false;
  FdCloser copy(fd);
  const auto fail = [&] {
    const int saved = errno;
    copy.reset();
    ::unlinkat(dirFd, copyName.c_str(), 0);
    errno = saved;
    return false;
  };
  if (!CopyMetadata(oldFd, fd, old)) return fail();
  const auto buffer = std::make_unique<char[]>(kReadChunk);
  for (off_t offset = 0;;) {
    const ssize_t n = ReadAt(oldFd, buffer.get(), kReadChunk, offset);
    if (n < 0) return fail();
    if (n == 0) break;
    if (!WriteAll(fd, buffer.get(), static_cast<std::size_t>(n))) return fail();
    offset += n;
  }
  if (::fsync(fd) != 0 || ::close(copy.release()) != 0) {
    const int saved = errno;
    ::unlinkat(dirFd, copyName.c_str(), 0);
    errno = saved;
    return false;
  }
  return true;
}

// Keeps the file `name` (checked to be the regular file `old`, readable through `oldFd` or
// not) under a new backup name: a hard link, or a copy where no link can be made. Gives the
// backup's name, empty on failure.
std::string MakeBackup(int dirFd, const std::string& name, int oldFd, const struct stat& old, std::int64_t now) {
  for (int sequence = 0; sequence <= kMaxStampSequence; ++sequence) {
    std::string backup = StampedName(name, now, sequence, kBackupSuffix);
    if (const int fault = InjectedFault(FileOp::Backup)) {
      errno = fault;
    } else if (::linkat(dirFd, name.c_str(), dirFd, backup.c_str(), 0) == 0) {
      // The link is of whatever is at the name now: it must still be a regular file.
      struct stat st {};
      if (::fstatat(dirFd, backup.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) return backup;
      ::unlinkat(dirFd, backup.c_str(), 0);
      errno = EINVAL;
      return {};
    }
    if (errno == EEXIST) continue;  // a save within the same second: the next number
    // No link here (a file system without them, a link count at its limit, protected hard
    // links): a copy, if the old file could be read. Any other failure fails the backup.
    const bool noLink = errno == EPERM || errno == EMLINK || errno == EOPNOTSUPP || errno == ENOSYS || errno == EXDEV ||
                        errno == EACCES;
    if (!noLink || oldFd < 0) return {};
    if (CopyToNewFile(dirFd, oldFd, old, backup)) return backup;
    if (errno == EEXIST) continue;
    return {};
  }
  errno = EEXIST;
  return {};
}

}  // namespace

void SetFileFaultHook(std::function<int(FileOp)> hook) { FaultHook() = std::move(hook); }

TextReadStatus ReadTextFileInPieces(const std::string& path, const std::function<void(std::string_view)>& take) {
  FdCloser file(OpenOrCreateForReading(path));
  struct stat st {};
  // Only a regular file holds a log or a template: a directory holds no text, a FIFO or a
  // socket may wait for a writer that never speaks, and a device may never end (/dev/zero) or
  // wait for a person (a terminal).
  if (file.get() < 0 || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) return TextReadStatus::OpenFailed;
  const int flags = ::fcntl(file.get(), F_GETFL);
  if (flags < 0 || ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) < 0) return TextReadStatus::OpenFailed;

  TextReadStatus status = TextReadStatus::Ok;
  TextModeDecoder decoder;
  const auto buffer = std::make_unique<char[]>(kReadChunk);
  std::string piece;
  piece.reserve(kReadChunk + 1);
  for (;;) {
    const ssize_t n = ::read(file.get(), buffer.get(), kReadChunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      status = TextReadStatus::ReadError;
      break;
    }
    if (n == 0) break;
    piece.clear();
    // The text ends at the first Ctrl-Z; nothing after it is read.
    const bool more = decoder.Feed(std::string_view(buffer.get(), static_cast<std::size_t>(n)), piece);
    if (!piece.empty()) take(piece);
    if (!more) break;
  }
  piece.clear();
  decoder.Finish(piece);
  if (!piece.empty()) take(piece);
  return status;
}

TextReadResult ReadTextFile(const std::string& path) {
  TextReadResult result;
  result.status = ReadTextFileInPieces(path, [&result](std::string_view text) { result.text += text; });
  return result;
}

namespace {

// The folder and the name of the file a save replaces, after following symbolic links.
bool SplitTarget(const std::string& path, std::string& dir, std::string& name) {
  std::string target;
  if (!ResolveLinks(path, target)) return false;
  const auto slash = target.rfind('/');
  dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
  name = slash == std::string::npos ? target : target.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") {
    errno = EISDIR;
    return false;
  }
  return true;
}

// Checks the file a save would replace and opens it, for its attributes and to compare the new
// bytes with. False (with errno) when it must not be replaced. One that cannot be read (or that
// is no longer the file just looked at) is simply not compared: `oldFd` stays closed.
bool OpenReplacedFile(int dirFd, const std::string& name, const struct stat& old, FdCloser& oldFd) {
  if (!S_ISREG(old.st_mode)) {
    errno = S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
    return false;
  }
  // rename would replace a file we may not write to; the old log must stay as it is.
  if (::faccessat(dirFd, name.c_str(), W_OK, AT_EACCESS) != 0) return false;
  oldFd.reset(::openat(dirFd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK));
  struct stat opened {};
  if (oldFd.get() >= 0 &&
      (::fstat(oldFd.get(), &opened) != 0 || opened.st_ino != old.st_ino || opened.st_dev != old.st_dev))
    oldFd.reset();
  return true;
}

}  // namespace

bool SaveFile(const std::string& path, const ByteSource& source, const SaveOptions& options) {
  std::string dir;
  std::string name;
  if (!SplitTarget(path, dir, name)) return false;

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
  FdCloser oldFd;
  if (exists && !OpenReplacedFile(dirFd.get(), name, old, oldFd)) return false;

  std::string tempName;
  const int fd = CreateTemporary(dirFd.get(), name, exists ? 0600 : 0666, tempName);
  if (fd < 0) return false;
  FdCloser tempFd(fd);

  std::string backup;
  const auto discard = [&] {
    const int saved = errno;
    ::unlinkat(dirFd.get(), tempName.c_str(), 0);
    if (!backup.empty()) ::unlinkat(dirFd.get(), backup.c_str(), 0);
    errno = saved;
    return false;
  };
  // Running out of memory (the source's own, or the buffers here) is a failed save like any
  // other: nothing is left behind, and errno is ENOMEM. Any other exception leaves nothing
  // behind either and goes on.
  try {
    bool same = false;
    errno = 0;
    if (!FillTemporary(tempFd.release(), oldFd.get(), exists ? &old : nullptr, source, options.encodeTextMode, same))
      return discard();

    if (options.keepBackup && exists) {
      // No backup when the bytes are those already there, in the very file that is still there.
      struct stat now {};
      const bool unchanged = same && ::fstatat(dirFd.get(), name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
                             now.st_ino == old.st_ino && now.st_dev == old.st_dev;
      if (!unchanged) {
        backup = MakeBackup(dirFd.get(), name, oldFd.get(), old, options.now);
        if (backup.empty()) return discard();
      }
    }
  } catch (const std::bad_alloc&) {
    tempFd.reset();
    errno = ENOMEM;
    return discard();
  } catch (...) {
    tempFd.reset();
    discard();
    throw;
  }

  if (const int fault = InjectedFault(FileOp::Rename)) {
    errno = fault;
    return discard();
  }
  if (::renameat(dirFd.get(), tempName.c_str(), dirFd.get(), name.c_str()) != 0) return discard();
  TidyFolder(dirFd.get(), name, options.keepBackup, options.now, backup);

  // From here on the file holds the new text; a failed sync still reports false, because
  // the rename may not survive a crash.
  if (!SyncFd(dirFd.get(), FileOp::SyncDir)) {
    // Some file systems cannot sync a directory at all; nothing more can be done there.
    return errno == EINVAL;
  }
  return true;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

bool IsSameFile(const std::string& path1, const std::string& path2) {
  struct stat a {
  }, b{};
  return ::stat(path1.c_str(), &a) == 0 && ::stat(path2.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}

namespace {

// $XDG_DATA_HOME/girthminder, or ~/.local/share/girthminder; relative settings are ignored,
// as the XDG base-directory rules ask.
std::string ProgramDataFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  std::string base;
  if (data != nullptr && data[0] == '/') {
    base = data;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') return {};
    base = std::string(home) + "/.local/share";
  }
  return base + "/girthminder";
}

// Creates every missing folder of `path` (mode 0700, as the XDG base-directory rules ask).
bool MakeFolders(const std::string& path) {
  for (std::size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos < path.size() && path[pos] != '/') continue;
    const std::string part = path.substr(0, pos);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string SaveRescueFile(std::string_view baseName, std::int64_t now, const ByteSource& source) {
  const std::string folder = ProgramDataFolder();
  if (folder.empty()) {
    errno = ENOENT;
    return {};
  }
  if (!MakeFolders(folder)) return {};
  FdCloser dirFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dirFd.get() < 0) return {};
  for (int sequence = 0; sequence <= kMaxStampSequence; ++sequence) {
    const std::string name = StampedName(baseName, now, sequence, kRescueSuffix);
    const int fd = ::openat(dirFd.get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return {};
    }
    FdCloser file(fd);
    bool written = false;
    errno = 0;
    try {
      ChunkedWriter writer(fd, -1);
      written = source([&writer](std::string_view bytes) { return writer.Write(bytes); }) && writer.Finish() &&
                ::fsync(fd) == 0 && ::close(file.release()) == 0;
    } catch (const std::bad_alloc&) {
      errno = ENOMEM;
    }
    if (!written) {
      const int saved = errno != 0 ? errno : EIO;
      file.reset();
      ::unlinkat(dirFd.get(), name.c_str(), 0);
      errno = saved;
      return {};
    }
    (void)::fsync(dirFd.get());
    return folder + "/" + name;
  }
  errno = EEXIST;
  return {};
}

}  // namespace platform
