#pragma once

// A seam for tests: makes chosen system calls of SaveFile fail as if the system had
// refused them, so that every failure path of the safe save can be reached on purpose.

#include <functional>

namespace platform {

enum class FileOp {
  Open,     // creating the temporary file
  Write,    // each write call
  Sync,     // syncing the temporary file
  Close,    // closing the temporary file
  Rename,   // renaming it over the target
  SyncDir,  // opening the directory (before the rename) and syncing it (after the rename)
  Backup,   // making the backup of the replaced version: its hard link, or creating its copy
};

// The hook is asked before each such call; a positive result is taken as the call's errno and
// the call is not made. For Write, a negative result -n lets the call write at most n bytes,
// as a short write would. An empty function (the default) injects nothing.
void SetFileFaultHook(std::function<int(FileOp)> hook);

}  // namespace platform
