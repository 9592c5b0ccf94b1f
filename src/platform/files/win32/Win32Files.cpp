// The Win32 backend of the file contract in platform/files/TextFile.h. A save writes a
// temporary file beside the target, flushes it to the disk (FlushFileBuffers) and moves it over
// the target in one step (MoveFileExW, write-through). What differs from the POSIX backend:
// - there is no folder sync: the write-through move is as far as Windows goes;
// - a file with the read-only attribute is not replaced (nor is one that is not a regular
//   file); the target's other attributes (hidden, system, archive) carry over to the new file;
//   its ACL is the one the folder gives new files, as for any new file there;
// - a file another program holds open without share-delete cannot be replaced: the save fails
//   and the old file stays.
// File names are bytes in the active code page, as every other text of the program.

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/WindowsHeaders.h"
#include "platform/files/Backups.h"
#include "platform/files/FileFaults.h"
#include "platform/files/TextFile.h"

namespace platform {

namespace {

constexpr DWORD kChunk = DWORD{256} * 1024;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

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

// The nearest errno to a system error.
int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
      return EOPNOTSUPP;
    case ERROR_TOO_MANY_LINKS:
      return EMLINK;
    default:
      return EIO;
  }
}

bool FailWith(int error) {
  errno = error;
  return false;
}

bool FailLast() { return FailWith(ErrnoOf(GetLastError())); }

std::wstring Wide(std::string_view text) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int length =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr, nullptr);
  return text;
}

class Handle {
 public:
  explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
  ~Handle() { reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  void reset(HANDLE handle = INVALID_HANDLE_VALUE) {  // keeps errno and the last error
    if (valid()) {
      const int saved = errno;
      const DWORD error = GetLastError();
      CloseHandle(m_handle);
      SetLastError(error);
      errno = saved;
    }
    m_handle = handle;
  }
  bool valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
  HANDLE get() const { return m_handle; }
  HANDLE release() { return std::exchange(m_handle, INVALID_HANDLE_VALUE); }

 private:
  HANDLE m_handle;
};

bool WriteAll(HANDLE file, const char* data, std::size_t size) {
  while (size > 0) {
    DWORD count = static_cast<DWORD>(std::min<std::size_t>(size, kChunk));
    if (const int fault = InjectedFault(FileOp::Write)) {
      if (fault > 0) return FailWith(fault);
      count = std::min<DWORD>(count, static_cast<DWORD>(-static_cast<long long>(fault)));
    }
    DWORD written = 0;
    if (!WriteFile(file, data, count, &written, nullptr)) return FailLast();
    if (written == 0) return FailWith(EIO);
    data += written;
    size -= written;
  }
  return true;
}

// Reads up to `size` bytes at the handle's position, as many as there are; -1 on an error.
long long ReadSome(HANDLE file, char* data, DWORD size) {
  DWORD done = 0;
  while (done < size) {
    DWORD got = 0;
    if (!ReadFile(file, data + done, size - done, &got, nullptr)) {
      errno = ErrnoOf(GetLastError());
      return -1;
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

// The bytes of a save on their way to the temporary file, in chunks of a bounded size, compared
// with the file being replaced as they go (read through `old` from its start), so that a save
// of the very same bytes can be told without holding either in memory.
class ChunkedWriter {
 public:
  ChunkedWriter(HANDLE file, HANDLE old) : m_file(file), m_old(old), m_buffer(std::make_unique<char[]>(kChunk)) {
    m_same = m_old != INVALID_HANDLE_VALUE;
    if (m_same) m_compare = std::make_unique<char[]>(kChunk);
  }

  bool Write(std::string_view bytes) {
    if (m_failed) return false;
    while (!bytes.empty()) {
      const std::size_t n = std::min<std::size_t>(bytes.size(), kChunk - m_used);
      std::memcpy(m_buffer.get() + m_used, bytes.data(), n);
      m_used += n;
      bytes.remove_prefix(n);
      if (m_used == kChunk && !Flush()) return false;
    }
    return true;
  }

  bool Finish() {
    if (m_failed || !Flush()) return false;
    if (m_same) {
      char extra;
      m_same = ReadSome(m_old, &extra, 1) == 0;  // the old file ends here too
    }
    return true;
  }

  bool SameAsOld() const { return m_same; }

 private:
  bool Flush() {
    if (m_used == 0) return true;
    if (!WriteAll(m_file, m_buffer.get(), m_used)) {
      m_failed = true;
      return false;
    }
    if (m_same) {
      const long long n = ReadSome(m_old, m_compare.get(), static_cast<DWORD>(m_used));
      m_same = n == static_cast<long long>(m_used) && std::memcmp(m_compare.get(), m_buffer.get(), m_used) == 0;
    }
    m_used = 0;
    return true;
  }

  HANDLE m_file;
  HANDLE m_old;
  std::unique_ptr<char[]> m_buffer;
  std::unique_ptr<char[]> m_compare;
  std::size_t m_used = 0;
  bool m_same = false;
  bool m_failed = false;
};

// A file's identity: its volume and its index there.
struct FileId {
  DWORD volume = 0;
  DWORD high = 0;
  DWORD low = 0;
  bool operator==(const FileId&) const = default;
};

bool IdOf(HANDLE file, FileId& id) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file, &info)) return false;
  id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
  return true;
}

// Opens what `path` leads to for its identity only (a folder too), through any links.
HANDLE OpenForId(const std::wstring& path) {
  return CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Temporary files are ".<name>.tmp-" and six letters or digits, as the POSIX backend names
// them, so that those left by a killed save can be recognised and removed later.
constexpr std::size_t kSuffixLength = 6;

std::wstring TemporaryPrefix(const std::wstring& name) { return L"." + name + L".tmp-"; }

bool IsTemporaryOf(const std::wstring& name, std::wstring_view candidate) {
  const std::wstring prefix = TemporaryPrefix(name);
  if (candidate.size() != prefix.size() + kSuffixLength || candidate.substr(0, prefix.size()) != prefix) return false;
  return std::all_of(candidate.begin() + static_cast<std::ptrdiff_t>(prefix.size()), candidate.end(), [](wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
  });
}

std::wstring RandomSuffix() {
  static constexpr wchar_t kChars[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static unsigned long long state = GetTickCount64() ^ (static_cast<unsigned long long>(GetCurrentProcessId()) << 32);
  std::wstring suffix(kSuffixLength, L'\0');
  for (wchar_t& c : suffix) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    c = kChars[(state >> 33) % (sizeof kChars / sizeof kChars[0] - 1)];
  }
  return suffix;
}

struct FolderEntry {
  std::wstring name;
  bool regular = false;
};

std::vector<FolderEntry> ListFolder(const std::wstring& dir) {
  std::vector<FolderEntry> entries;
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((dir + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return entries;
  constexpr DWORD kNotRegular = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT;
  do {
    entries.push_back({found.cFileName, (found.dwFileAttributes & kNotRegular) == 0});
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return entries;
}

// Removes the temporary files of killed saves beside the target, and the backups that pruning
// lets go (never `keep`, the one this save made, whatever the clock says).
void TidyFolder(const std::wstring& dir, const std::wstring& name, bool pruneBackups, std::int64_t now,
                const std::string& keep) {
  const std::string narrowName = Narrow(name);
  std::vector<std::wstring> remove;
  std::vector<StampedFile> backups;
  for (const FolderEntry& entry : ListFolder(dir)) {
    if (!entry.regular) continue;
    if (IsTemporaryOf(name, entry.name)) {
      remove.push_back(entry.name);
    } else if (pruneBackups) {
      if (auto backup = ParseStampedName(narrowName, Narrow(entry.name), kBackupSuffix))
        backups.push_back(std::move(*backup));
    }
  }
  if (pruneBackups) {
    for (const std::string& old : BackupsToRemove(std::move(backups), now))
      if (old != keep) remove.push_back(Wide(old));
  }
  for (const std::wstring& file : remove) DeleteFileW((dir + file).c_str());
}

// Keeps the file `dir + name` under a new backup name: a hard link, or a copy where no link
// can be made. Gives the backup's name, empty on failure (errno tells why).
std::string MakeBackup(const std::wstring& dir, const std::wstring& name, std::int64_t now) {
  const std::string narrowName = Narrow(name);
  const std::wstring source = dir + name;
  for (int sequence = 0; sequence <= kMaxStampSequence; ++sequence) {
    std::string backup = StampedName(narrowName, now, sequence, kBackupSuffix);
    const std::wstring path = dir + Wide(backup);
    if (const int fault = InjectedFault(FileOp::Backup)) {
      errno = fault;
      return {};
    }
    if (CreateHardLinkW(path.c_str(), source.c_str(), nullptr)) return backup;
    DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) continue;  // a save within the same second
    // No link here (a file system without them, a link count at its limit): a copy, into a
    // new name only.
    if (CopyFileW(source.c_str(), path.c_str(), TRUE)) return backup;
    error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) continue;
    errno = ErrnoOf(error);
    return {};
  }
  errno = EEXIST;
  return {};
}

// The folder (with its trailing separator, or empty) and the name of a path.
bool SplitTarget(const std::wstring& target, std::wstring& dir, std::wstring& name) {
  const auto slash = target.find_last_of(L"\\/");
  dir = slash == std::wstring::npos ? L"" : target.substr(0, slash + 1);
  name = slash == std::wstring::npos ? target : target.substr(slash + 1);
  if (name.empty() || name == L"." || name == L"..") return FailWith(EISDIR);
  return true;
}

}  // namespace

void SetFileFaultHook(std::function<int(FileOp)> hook) { FaultHook() = std::move(hook); }

TextReadStatus ReadTextFileInPieces(const std::string& path, const std::function<void(std::string_view)>& take) {
  // Opening for input creates a missing file, empty. A folder cannot be opened this way, and
  // only files on a disk are read (no device, no pipe that may never end).
  Handle file(
      CreateFileW(Wide(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid() || GetFileType(file.get()) != FILE_TYPE_DISK) return TextReadStatus::OpenFailed;

  TextReadStatus status = TextReadStatus::Ok;
  TextModeDecoder decoder;
  const auto buffer = std::make_unique<char[]>(kChunk);
  std::string piece;
  piece.reserve(kChunk + 1);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer.get(), kChunk, &got, nullptr)) {
      status = TextReadStatus::ReadError;
      break;
    }
    if (got == 0) break;
    piece.clear();
    const bool more = decoder.Feed(std::string_view(buffer.get(), got), piece);
    if (!piece.empty()) take(piece);
    if (!more) break;  // the text ends at the first Ctrl-Z
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

bool SaveFile(const std::string& path, const ByteSource& source, const SaveOptions& options) {
  const std::wstring target = Wide(path);
  std::wstring dir;
  std::wstring name;
  if (!SplitTarget(target, dir, name)) return false;

  DWORD attributes = GetFileAttributesW(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (!exists && GetLastError() != ERROR_FILE_NOT_FOUND) return FailLast();
  Handle old;
  if (exists) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FailWith(EISDIR);
    if (attributes & FILE_ATTRIBUTE_DEVICE) return FailWith(EINVAL);
    // A move would replace a file the user has marked read-only; it must stay as it is.
    if (attributes & FILE_ATTRIBUTE_READONLY) return FailWith(EACCES);
    // Read for the comparison with the new bytes; one that cannot be read is not compared.
    old.reset(
        CreateFileW(target.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (old.valid() && GetFileType(old.get()) != FILE_TYPE_DISK) return FailWith(EINVAL);
  } else {
    attributes = FILE_ATTRIBUTE_NORMAL;
  }
  FileId oldId;
  const bool haveOldId = old.valid() && IdOf(old.get(), oldId);

  std::wstring temp;
  Handle file;
  for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
    if (const int fault = InjectedFault(FileOp::Open)) return FailWith(fault);
    temp = dir + TemporaryPrefix(name) + RandomSuffix();
    // The new file takes the old one's attributes with it when it is moved into place.
    file.reset(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr));
    if (!file.valid() && GetLastError() != ERROR_FILE_EXISTS) return FailLast();
  }
  if (!file.valid()) return FailWith(EEXIST);

  std::string backup;
  // Any failure from here on removes the temporary file (and a backup this save made) and
  // leaves the target as it was.
  const auto discard = [&](int error) {
    file.reset();
    DeleteFileW(temp.c_str());
    if (!backup.empty()) DeleteFileW((dir + Wide(backup)).c_str());
    errno = error != 0 ? error : EIO;
    return false;
  };
  try {
    errno = 0;
    ChunkedWriter writer(file.get(), old.valid() ? old.get() : INVALID_HANDLE_VALUE);
    bool ok;
    if (options.encodeTextMode) {
      ok = source([&writer](std::string_view text) {
        bool good = true;
        EncodeTextModeTo(text, [&](std::string_view piece) { good = good && writer.Write(piece); });
        return good;
      });
    } else {
      ok = source([&writer](std::string_view bytes) { return writer.Write(bytes); });
    }
    if (!ok || !writer.Finish()) return discard(errno);
    if (const int fault = InjectedFault(FileOp::Sync)) return discard(fault);
    if (!FlushFileBuffers(file.get())) return discard(ErrnoOf(GetLastError()));
    if (const int fault = InjectedFault(FileOp::Close)) return discard(fault);
    if (!CloseHandle(file.release())) return discard(ErrnoOf(GetLastError()));

    if (options.keepBackup && exists) {
      // No backup when the bytes are those already there, in the very file that is still there.
      const Handle now(OpenForId(target));
      FileId nowId;
      const bool unchanged = writer.SameAsOld() && haveOldId && now.valid() && IdOf(now.get(), nowId) && nowId == oldId;
      if (!unchanged) {
        backup = MakeBackup(dir, name, options.now);
        if (backup.empty()) return discard(errno);
      }
    }
  } catch (const std::bad_alloc&) {
    return discard(ENOMEM);
  } catch (...) {
    discard(EIO);
    throw;
  }
  old.reset();  // the move replaces the file this handle reads

  if (const int fault = InjectedFault(FileOp::Rename)) return discard(fault);
  if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return discard(ErrnoOf(GetLastError()));
  TidyFolder(dir, name, options.keepBackup, options.now, backup);
  return true;
}

bool FileExists(const std::string& path) {
  if (GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  const DWORD error = GetLastError();
  return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

bool IsSameFile(const std::string& path1, const std::string& path2) {
  const Handle a(OpenForId(Wide(path1)));
  const Handle b(OpenForId(Wide(path2)));
  FileId idA;
  FileId idB;
  return a.valid() && b.valid() && IdOf(a.get(), idA) && IdOf(b.get(), idB) && idA == idB;
}

namespace {

// %LOCALAPPDATA%\girthminder, or %APPDATA%\girthminder; with a trailing separator.
std::wstring ProgramDataFolder() {
  for (const wchar_t* variable : {L"LOCALAPPDATA", L"APPDATA"}) {
    const DWORD size = GetEnvironmentVariableW(variable, nullptr, 0);
    if (size <= 1) continue;
    std::wstring base(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(variable, base.data(), size);
    if (length == 0 || length >= size) continue;
    base.resize(length);
    if (base.back() != L'\\' && base.back() != L'/') base += L'\\';
    return base + L"girthminder\\";
  }
  return {};
}

}  // namespace

std::string SaveRescueFile(std::string_view baseName, std::int64_t now, const ByteSource& source) {
  const std::wstring folder = ProgramDataFolder();
  if (folder.empty()) {
    errno = ENOENT;
    return {};
  }
  if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    FailLast();
    return {};
  }
  for (int sequence = 0; sequence <= kMaxStampSequence; ++sequence) {
    const std::string name = StampedName(baseName, now, sequence, kRescueSuffix);
    const std::wstring path = folder + Wide(name);
    Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      FailLast();
      return {};
    }
    bool written = false;
    errno = 0;
    try {
      ChunkedWriter writer(file.get(), INVALID_HANDLE_VALUE);
      written = source([&writer](std::string_view bytes) { return writer.Write(bytes); }) && writer.Finish() &&
                FlushFileBuffers(file.get()) && CloseHandle(file.release());
    } catch (const std::bad_alloc&) {
      errno = ENOMEM;
    }
    if (!written) {
      const int saved = errno != 0 ? errno : EIO;
      file.reset();
      DeleteFileW(path.c_str());
      errno = saved;
      return {};
    }
    return Narrow(folder) + name;
  }
  errno = EEXIST;
  return {};
}

}  // namespace platform
