#pragma once

// Every step of a safe save that a fault can be injected into, and their names for messages.

#include <array>

#include "platform/files/FileFaults.h"

namespace testing_support {

inline constexpr std::array kAllOps = {platform::FileOp::Open,  platform::FileOp::Write,  platform::FileOp::Sync,
                                       platform::FileOp::Close, platform::FileOp::Rename, platform::FileOp::SyncDir,
                                       platform::FileOp::Backup};

inline const char* Name(platform::FileOp op) {
  using platform::FileOp;
  switch (op) {
    case FileOp::Open:
      return "Open";
    case FileOp::Write:
      return "Write";
    case FileOp::Sync:
      return "Sync";
    case FileOp::Close:
      return "Close";
    case FileOp::Rename:
      return "Rename";
    case FileOp::SyncDir:
      return "SyncDir";
    case FileOp::Backup:
      return "Backup";
  }
  return "?";
}

}  // namespace testing_support
