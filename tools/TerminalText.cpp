#include "tools/TerminalText.h"

#include <cstdint>

namespace velmora::tool {

namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendByteEscape(std::string& out, uint8_t byte) {
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 15];
}

// The length of the well-formed UTF-8 character that starts at text[i] of
// two or more bytes, or 0 when the bytes there are not one (overlong forms,
// surrogates and values beyond U+10FFFF are not).
size_t Utf8Length(std::string_view text, size_t i) {
  const uint8_t lead = uint8_t(text[i]);
  size_t length = 0;
  uint32_t lowest = 0;
  uint32_t value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    lowest = 0x80;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    lowest = 0x800;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    lowest = 0x10000;
    value = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    const uint8_t next = uint8_t(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    value = value << 6 | (next & 0x3F);
  }
  if (value < lowest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string TerminalSafe(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const uint8_t byte = uint8_t(text[i]);
    if (byte >= 0x20 && byte < 0x7F) {
      out += char(byte);
      ++i;
      continue;
    }
    if (byte < 0x80) {
      switch (byte) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: AppendByteEscape(out, byte); break;
      }
      ++i;
      continue;
    }
    const size_t length = Utf8Length(text, i);
    if (length == 0) {
      AppendByteEscape(out, byte);
      ++i;
      continue;
    }
    // U+0080..U+009F: the C1 controls, two bytes C2 80..C2 9F.
    if (length == 2 && byte == 0xC2 && uint8_t(text[i + 1]) < 0xA0) {
      out += "\\u00";
      out += kHex[uint8_t(text[i + 1]) >> 4];
      out += kHex[uint8_t(text[i + 1]) & 15];
    } else {
      out.append(text.substr(i, length));
    }
    i += length;
  }
  return out;
}

}  // namespace velmora::tool
