#pragma once

// Text-mode files with the same bytes on every system: reading turns CR LF into LF, keeps a
// lone CR and stops at the byte 0x1A; writing turns LF into CR LF. No Qt here.

#include <string>
#include <string_view>

namespace platform {

enum class TextReadStatus {
  Ok,          // the whole file was read (up to its end or its first 0x1A)
  OpenFailed,  // the file could neither be opened nor created
  ReadError,   // opened, but a read failed; text holds what came before the error
};

struct TextReadResult {
  std::string text;
  TextReadStatus status = TextReadStatus::Ok;
};

// Pure translations.
std::string DecodeTextMode(std::string_view raw);   // CR LF -> LF, lone CR kept, ends at 0x1A
std::string EncodeTextMode(std::string_view text);  // LF -> CR LF

// Opens the file for reading, creating it empty when it does not exist (mode 0666 & ~umask),
// and returns its decoded text.
TextReadResult ReadTextFile(const std::string& path);

// Replaces the file with `text` encoded in text mode, safely: a temporary file beside the
// target is written, flushed, synced and renamed over it, then the directory is synced.
// On any failure the old file is left exactly as it was, no temporary file remains, and
// false is returned. A read-only target is not replaced; through a symbolic link the link's
// target is updated and the link kept; an existing file's permissions are kept.
bool SaveTextFile(const std::string& path, std::string_view text);

}  // namespace platform
