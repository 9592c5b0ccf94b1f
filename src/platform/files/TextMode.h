#pragma once

// The text-mode codec, shared by every file backend and by the program's pure code: reading
// turns CR LF into LF, keeps a lone CR and stops at the byte 0x1A; writing turns LF into CR LF.
// Pure code: no system call, no Qt.

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace platform {

// Turns raw file bytes into text as they arrive, in pieces split anywhere (a CR LF pair may be
// split between two pieces). The one decoder: the file reader and DecodeTextMode both use it.
class TextModeDecoder {
 public:
  // Appends the text of `raw` to `out`. Returns false once the byte 0x1A has been met: the
  // text ends there, and the rest of `raw` and anything fed later is ignored.
  bool Feed(std::string_view raw, std::string& out);
  // The end of the bytes: a CR held back at the end of the last piece is a lone CR and is
  // appended now.
  void Finish(std::string& out);
  bool Ended() const { return m_ended; }

 private:
  bool m_pendingCr = false;  // the last piece ended with a CR that an LF may still follow
  bool m_ended = false;      // 0x1A was met
};

// Calls `emit(std::string_view)` with the pieces of `text` in order, every LF written as CR LF.
// The one encoder: EncodeTextMode, the text-mode save and the log's values all use it.
template <class Emit>
void EncodeTextModeTo(std::string_view text, Emit&& emit) {
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    if (lf == nullptr) {
      emit(std::string_view(p, static_cast<std::size_t>(end - p)));
      return;
    }
    if (lf > p) emit(std::string_view(p, static_cast<std::size_t>(lf - p)));
    emit(std::string_view("\r\n", 2));
    p = lf + 1;
  }
}

// Whole texts at once, through the same decoder and encoder.
std::string DecodeTextMode(std::string_view raw);   // CR LF -> LF, lone CR kept, ends at 0x1A
std::string EncodeTextMode(std::string_view text);  // LF -> CR LF

}  // namespace platform
