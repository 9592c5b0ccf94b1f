// The save's two short forms, the same on every system: both go through the backend's SaveFile.

#include <string>
#include <string_view>

#include "platform/files/TextFile.h"

namespace platform {

bool SaveTextFile(const std::string& path, std::string_view text) {
  SaveOptions options;
  options.encodeTextMode = true;
  return SaveFile(
      path, [text](const ByteWriter& write) { return write(text); }, options);
}

bool SaveFileBytes(const std::string& path, std::string_view bytes) {
  return SaveFile(path, [bytes](const ByteWriter& write) { return write(bytes); });
}

}  // namespace platform
