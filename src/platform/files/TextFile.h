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
// and returns its decoded text. A directory or a device is not read (OpenFailed).
TextReadResult ReadTextFile(const std::string& path);

// Replaces the file with `text` encoded in text mode, safely: a temporary file beside the
// target is written, flushed, synced and renamed over it, then the directory is synced.
// On any failure the old file is left exactly as it was, no temporary file remains, and
// false is returned, with errno telling why. A read-only target, or one that is not a regular
// file, is not replaced; through a symbolic link the link's target is updated and the link
// kept; an existing file's permissions (and, for root, its owner) are kept.
// One exception: if only the final sync of the directory fails, the file already holds the
// new text, but false is still returned, since the new text may not survive a crash.
// A successful save also removes the temporary files of earlier saves that were killed.
bool SaveTextFile(const std::string& path, std::string_view text);

// Replaces the file with exactly `bytes`, as safely as SaveTextFile and with the same
// results; for content that is already in its file form, such as the log's CR LF text.
bool SaveFileBytes(const std::string& path, std::string_view bytes);

// Whether anything (a file, a directory, a link) is at `path`. True when that cannot be told,
// so that a file we may not look at is never taken for a missing one.
bool FileExists(const std::string& path);

}  // namespace platform
