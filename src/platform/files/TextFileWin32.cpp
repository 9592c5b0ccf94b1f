// The file layer on Windows, behind TextFile.h: the few file functions the program needs, over
// the Win32 API. Text is read and written in the same text mode as on every system; a save
// writes a temporary file beside the target, flushes it to the disk and moves it over the
// target in one step (Windows has no folder sync). What differs from the POSIX files:
// - a file with the read-only attribute is not replaced (nor is one that is not a regular file);
// - the target's attributes (hidden, system, archive) carry over to the new file;
// - a file another program holds open without share-delete cannot be replaced: the save fails
//   and the old file stays;
// - there are no symbolic-link or permission-bit rules: links are replaced like files.

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "platform/WindowsHeaders.h"
#include "platform/files/FileFaults.h"
#include "platform/files/TextFile.h"

namespace platform {
namespace {

constexpr char kCtrlZ = '\x1A';

std::function<int(FileOp)>& FaultHook() {
  static std::function<int(FileOp)> hook;
  return hook;
}

// The error the test hook wants this call to fail with, or 0; for a write, a negative number
// limits its length instead.
int InjectedFault(FileOp op) {
  auto& hook = FaultHook();
  if (!hook) return 0;
  const int fault = hook(op);
  return fault > 0 || op == FileOp::Write ? fault : 0;
}

// File names are bytes in the active code page, as every other text of the program.
std::wstring WidePath(const std::string& path) {
  if (path.empty()) return {};
  const int length = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(), length);
  return wide;
}

class Handle {
 public:
  explicit Handle(HANDLE handle) : m_handle(handle) {}
  ~Handle() {
    if (valid()) CloseHandle(m_handle);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return m_handle; }
  HANDLE release() { return std::exchange(m_handle, INVALID_HANDLE_VALUE); }

 private:
  HANDLE m_handle;
};

bool WriteAll(HANDLE file, std::string_view data) {
  while (!data.empty()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), std::size_t{1} << 20));
    if (const int fault = InjectedFault(FileOp::Write); fault > 0) {
      errno = fault;
      return false;
    } else if (fault < 0) {
      chunk = std::min<DWORD>(chunk, static_cast<DWORD>(-fault));
    }
    DWORD written = 0;
    if (!WriteFile(file, data.data(), chunk, &written, nullptr) || written == 0) {
      errno = EIO;
      return false;
    }
    data.remove_prefix(written);
  }
  return true;
}

bool Fail(int error) {
  errno = error;
  return false;
}

// The safe replacement behind both savers.
bool SaveFile(const std::string& path, std::string_view data) {
  const std::wstring target = WidePath(path);
  const auto slash = target.find_last_of(L"\\/");
  const std::wstring dir = slash == std::wstring::npos ? L"" : target.substr(0, slash + 1);
  const std::wstring name = slash == std::wstring::npos ? target : target.substr(slash + 1);
  if (name.empty() || name == L"." || name == L"..") return Fail(EISDIR);

  DWORD attributes = GetFileAttributesW(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (!exists && GetLastError() != ERROR_FILE_NOT_FOUND) return Fail(EACCES);
  if (exists) {
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) return Fail(EISDIR);
    // A move would replace a file the user has marked read-only; it must stay as it is.
    if (attributes & FILE_ATTRIBUTE_READONLY) return Fail(EACCES);
  } else {
    attributes = FILE_ATTRIBUTE_NORMAL;
  }

  if (const int fault = InjectedFault(FileOp::Open)) return Fail(fault);
  std::wstring temp;
  HANDLE created = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
    temp = dir + L"." + name + L".tmp-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(GetTickCount64() + static_cast<ULONGLONG>(attempt));
    // The new file takes the old one's attributes with it when it is moved into place.
    created = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
    if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return Fail(EACCES);
  }
  if (created == INVALID_HANDLE_VALUE) return Fail(EEXIST);
  Handle file(created);

  // Any failure from here on removes the temporary file and leaves the target as it was.
  const auto discard = [&](int error) {
    if (file.valid()) CloseHandle(file.release());
    DeleteFileW(temp.c_str());
    return Fail(error);
  };
  if (!WriteAll(file.get(), data)) return discard(errno);
  if (const int fault = InjectedFault(FileOp::Sync)) return discard(fault);
  if (!FlushFileBuffers(file.get())) return discard(EIO);
  if (const int fault = InjectedFault(FileOp::Close)) return discard(fault);
  if (!CloseHandle(file.release())) return discard(EIO);
  if (const int fault = InjectedFault(FileOp::Rename)) return discard(fault);
  if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return discard(EACCES);
  return true;
}

}  // namespace

void SetFileFaultHook(std::function<int(FileOp)> hook) { FaultHook() = std::move(hook); }

std::string DecodeTextMode(std::string_view raw) {
  const auto* ctrlZ = static_cast<const char*>(std::memchr(raw.data(), kCtrlZ, raw.size()));
  if (ctrlZ) raw = raw.substr(0, static_cast<std::size_t>(ctrlZ - raw.data()));
  std::string text;
  text.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    text += raw[i];
  }
  return text;
}

std::string EncodeTextMode(std::string_view text) {
  std::string raw;
  raw.reserve(text.size() + text.size() / 8);
  for (const char c : text) {
    if (c == '\n') raw += '\r';
    raw += c;
  }
  return raw;
}

TextReadResult ReadTextFile(const std::string& path) {
  TextReadResult result;
  // Opening for input creates a missing file, empty. A folder cannot be opened this way, and
  // only files on a disk are read (no device, no pipe that may never end).
  Handle file(CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid() || GetFileType(file.get()) != FILE_TYPE_DISK) {
    result.status = TextReadStatus::OpenFailed;
    return result;
  }
  std::string raw;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) raw.reserve(static_cast<std::size_t>(size.QuadPart));
  char buffer[64 * 1024];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
      result.status = TextReadStatus::ReadError;
      break;
    }
    if (got == 0) break;
    raw.append(buffer, got);
    if (std::memchr(buffer, kCtrlZ, got)) break;  // nothing after the first Ctrl-Z is read
  }
  result.text = DecodeTextMode(raw);
  return result;
}

bool SaveTextFile(const std::string& path, std::string_view text) { return SaveFile(path, EncodeTextMode(text)); }

bool SaveFileBytes(const std::string& path, std::string_view bytes) { return SaveFile(path, bytes); }

bool FileExists(const std::string& path) {
  if (GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  const DWORD error = GetLastError();
  return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

}  // namespace platform
