#include "platform/files/TextMode.h"

namespace platform {

namespace {
constexpr char kCtrlZ = '\x1A';
}  // namespace

bool TextModeDecoder::Feed(std::string_view raw, std::string& out) {
  if (m_ended) return false;
  if (const auto* ctrlZ = static_cast<const char*>(std::memchr(raw.data(), kCtrlZ, raw.size()))) {
    raw = raw.substr(0, static_cast<std::size_t>(ctrlZ - raw.data()));
    m_ended = true;
  }
  if (m_pendingCr) {
    // The CR held back from the last piece is dropped only when this piece starts with LF.
    m_pendingCr = false;
    if (raw.empty()) {
      if (!m_ended)
        m_pendingCr = true;  // still undecided
      else
        out += '\r';
      return !m_ended;
    }
    if (raw.front() != '\n') out += '\r';
  }
  const char* p = raw.data();
  const char* const end = p + raw.size();
  while (p < end) {
    const auto* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p)));
    if (cr == nullptr) {
      out.append(p, static_cast<std::size_t>(end - p));
      break;
    }
    out.append(p, static_cast<std::size_t>(cr - p));
    if (cr + 1 == end) {
      // Whether an LF follows is known only with the next piece (or at the end: a lone CR).
      if (m_ended) {
        out += '\r';
      } else {
        m_pendingCr = true;
      }
      break;
    }
    if (cr[1] != '\n') out += '\r';  // a lone CR stays; the CR of CR LF goes
    p = cr + 1;
  }
  return !m_ended;
}

void TextModeDecoder::Finish(std::string& out) {
  if (m_pendingCr) out += '\r';
  m_pendingCr = false;
}

std::string DecodeTextMode(std::string_view raw) {
  std::string text;
  text.reserve(raw.size());
  TextModeDecoder decoder;
  decoder.Feed(raw, text);
  decoder.Finish(text);
  return text;
}

std::string EncodeTextMode(std::string_view text) {
  std::size_t lines = 0;
  for (const char c : text) lines += c == '\n' ? 1 : 0;
  std::string raw;
  raw.reserve(text.size() + lines);
  EncodeTextModeTo(text, [&raw](std::string_view piece) { raw += piece; });
  return raw;
}

}  // namespace platform
