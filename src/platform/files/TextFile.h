#pragma once

// The file operations of the program, with the same results on every system. This header is the
// contract that each system's backend implements: the POSIX one is posix/PosixFiles.cpp, the
// Win32 one win32/Win32Files.cpp. What is shared and pure (the text-mode codec, the
// names and pruning of backups) is in TextMode.h and Backups.h, for every backend alike.
//
// Failures set errno (a backend on another system maps its own codes to the nearest errno).
// Where a promise below is POSIX-specific it says so. On Windows: there is no folder sync (the
// temporary file is flushed with FlushFileBuffers and moved over the target by MoveFileExW with
// MOVEFILE_WRITE_THROUGH, which is as far as that system goes), and there are no POSIX ACLs,
// owners or extended attributes to carry over: the read-only attribute is respected (such a
// file is not replaced), the other attributes (hidden, system, archive) are kept, and the new
// file gets the ACL the folder gives new files. Symbolic links are not followed by name; the
// rescue folder is %LOCALAPPDATA%\girthminder (or %APPDATA%\girthminder).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/files/TextMode.h"

namespace platform {

enum class TextReadStatus {
  Ok,          // the whole file was read (up to its end or its first 0x1A)
  OpenFailed,  // the file could neither be opened nor created, or it is not a regular file
  ReadError,   // opened, but a read failed; text holds what came before the error
};

struct TextReadResult {
  std::string text;
  TextReadStatus status = TextReadStatus::Ok;
};

// Opens the file for reading, creating it empty when it does not exist (mode 0666 & ~umask on
// POSIX), and returns its text, decoded by TextModeDecoder as it is read. Only a regular file
// is read: a directory, a FIFO, a socket or a device gives OpenFailed, and opening never waits
// (a FIFO with no writer, or a silent one, does not block).
TextReadResult ReadTextFile(const std::string& path);

// The same reading, with the text handed to `take` in pieces as it is decoded (of some hundred
// kilobytes, split anywhere), so that a long file is never held whole. Gives what ReadTextFile
// gives as its status; on ReadError the pieces taken are what came before the error.
TextReadStatus ReadTextFileInPieces(const std::string& path, const std::function<void(std::string_view)>& take);

// A save's bytes reach the file through a ByteWriter, in pieces of any size, in order. It
// returns false once writing failed; the source then stops and returns false itself.
using ByteWriter = std::function<bool(std::string_view bytes)>;
using ByteSource = std::function<bool(const ByteWriter& write)>;

struct SaveOptions {
  // Each LF written becomes CR LF (through EncodeTextModeTo).
  bool encodeTextMode = false;
  // The version that the save replaces is kept beside the file as a backup named by
  // Backups.h, unless the save writes the very bytes already there; then older backups are
  // pruned. A backup is a hard link made before the replacement, or a copy where a link
  // cannot be made, and is only ever made of a regular file, into a new name. When no backup
  // can be made, the save fails and the file stays as it was.
  bool keepBackup = false;
  // Seconds since 1970-01-01 00:00:00 UTC: the time the backup's name gives, and the clock
  // of the pruning.
  std::int64_t now = 0;
};

// Replaces the file with the bytes of `source`, safely: a temporary file beside the target is
// written as the bytes come (the whole content is never held in memory), synced and renamed
// over it, then the folder is synced. On any failure the old file is left exactly as it was,
// no temporary file remains, and false is returned, with errno telling why. A read-only target,
// or one that is not a regular file, is not replaced; through a symbolic link the link's
// target is updated and the link kept. An existing file keeps its permissions, and as far as
// the saving user may set them: its owner (root only), its group (when the user belongs to
// it), its POSIX ACL and its other extended attributes (POSIX names; what cannot be set is
// left out and the save still succeeds).
// One exception: if only the final sync of the folder fails, the file already holds the new
// bytes, but false is still returned, since they may not survive a crash.
// A successful save also removes the temporary files of earlier saves that were killed.
bool SaveFile(const std::string& path, const ByteSource& source, const SaveOptions& options = {});

// SaveFile of `text` encoded in text mode.
bool SaveTextFile(const std::string& path, std::string_view text);

// SaveFile of exactly `bytes`, for content that is already in its file form.
bool SaveFileBytes(const std::string& path, std::string_view bytes);

// Whether anything (a file, a directory, a link) is at `path`. True when that cannot be told,
// so that a file we may not look at is never taken for a missing one.
bool FileExists(const std::string& path);

// Whether both paths lead, through any links, to the same existing file (also two hard links
// of one file). False when either cannot be looked at.
bool IsSameFile(const std::string& path1, const std::string& path2);

// Writes `source` to a new file named StampedName(baseName, now, n, kRescueSuffix) in the
// program's data folder, created when missing (POSIX: $XDG_DATA_HOME/girthminder, by default
// ~/.local/share/girthminder), never replacing a file. Returns the new file's full path, or an
// empty string when it could not be written (errno tells why; nothing is left behind).
std::string SaveRescueFile(std::string_view baseName, std::int64_t now, const ByteSource& source);

}  // namespace platform
