// Text fields: UTF-8 inside fixed-width, NUL-terminated fields, with a
// Windows-1252 reading of bytes that are not UTF-8 (older files).
#include "store/Bytes.h"

namespace velmora {

namespace {

bool IsContinuation(uint8_t c) { return (c & 0xC0) == 0x80; }

// Length of the sequence a lead byte announces; 0 for a byte that cannot
// start a well-formed sequence (continuation bytes, C0, C1, F5..FF).
size_t SequenceLength(uint8_t c) {
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) return 2;
  if (c >= 0xE0 && c <= 0xEF) return 3;
  if (c >= 0xF0 && c <= 0xF4) return 4;
  return 0;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

// Code points of the bytes 0x80..0x9F in Windows-1252. The five bytes the
// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1
// control of the same value, as web browsers decode them, so that no byte
// is lost.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

}  // namespace

std::string_view RawText(const uint8_t* field, size_t width) {
  const void* end = std::memchr(field, 0, width);
  size_t length = end ? size_t(static_cast<const uint8_t*>(end) - field) : width;
  return {reinterpret_cast<const char*>(field), length};
}

std::string GetText(const uint8_t* field, size_t width) {
  std::string_view raw = RawText(field, width);
  if (IsValidUtf8(raw)) return std::string(raw);
  return Windows1252ToUtf8(raw);
}

size_t PutText(uint8_t* field, size_t width, std::string_view text) {
  if (width == 0) return 0;
  std::memset(field, 0, width);
  // A NUL inside the text would end the field there on reading; store only
  // what reads back.
  size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  size_t length = Utf8CutLength(text, width - 1);
  std::memcpy(field, text.data(), length);
  return length;
}

size_t Utf8CutLength(std::string_view text, size_t max) {
  if (text.size() <= max) return text.size();
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  // Walk back from the first byte left out to the start of its character.
  size_t start = max;
  while (start > 0 && max - start < 3 && IsContinuation(bytes[start])) --start;
  if (start < max && !IsContinuation(bytes[start])) {
    size_t length = SequenceLength(bytes[start]);
    // Cutting at max would split the sequence that begins at start.
    if (length > 1 && start + length > max) return start;
  }
  return max;
}

bool IsValidUtf8(std::string_view text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  size_t size = text.size();
  size_t i = 0;
  while (i < size) {
    uint8_t c = bytes[i];
    size_t length = SequenceLength(c);
    if (length == 0 || i + length > size) return false;
    if (length == 1) {
      ++i;
      continue;
    }
    for (size_t k = 1; k < length; ++k) {
      if (!IsContinuation(bytes[i + k])) return false;
    }
    uint8_t second = bytes[i + 1];
    // Overlong forms, UTF-16 surrogates and code points above U+10FFFF.
    if (c == 0xE0 && second < 0xA0) return false;
    if (c == 0xED && second > 0x9F) return false;
    if (c == 0xF0 && second < 0x90) return false;
    if (c == 0xF4 && second > 0x8F) return false;
    i += length;
  }
  return true;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char ch : bytes) {
    auto c = uint8_t(ch);
    if (c < 0x80) {
      out += ch;
    } else if (c < 0xA0) {
      AppendUtf8(out, kCp1252High[c - 0x80]);
    } else {
      AppendUtf8(out, c);  // 0xA0..0xFF are U+00A0..U+00FF
    }
  }
  return out;
}

int CompareTextFields(const uint8_t* a, const uint8_t* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    uint8_t ca = FoldCase(a[i]);
    uint8_t cb = FoldCase(b[i]);
    if (ca != cb) return int(ca) - int(cb);
    if (ca == 0) return 0;
  }
  return 0;
}

}  // namespace velmora
