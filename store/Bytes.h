// Little-endian field access and fixed-width text fields.
//
// Text fields hold UTF-8, NUL-terminated inside a field whose width includes
// the terminator. Writing cuts the text to width - 1 bytes at a character
// boundary. Reading returns the bytes up to the terminator; bytes that are
// not valid UTF-8 (files written by older programs) are taken as
// Windows-1252 and converted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "store/Dates.h"

namespace velmora {

inline uint32_t GetU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t GetI32(const uint8_t* p) { return static_cast<int32_t>(GetU32(p)); }
inline uint64_t GetU64(const uint8_t* p) { return uint64_t(GetU32(p)) | uint64_t(GetU32(p + 4)) << 32; }
inline int64_t GetI64(const uint8_t* p) { return static_cast<int64_t>(GetU64(p)); }
inline double GetDouble(const uint8_t* p) {
  uint64_t bits = GetU64(p);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

inline void PutU32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}
inline void PutI32(uint8_t* p, int32_t v) { PutU32(p, static_cast<uint32_t>(v)); }
inline void PutU64(uint8_t* p, uint64_t v) {
  PutU32(p, uint32_t(v));
  PutU32(p + 4, uint32_t(v >> 32));
}
inline void PutDouble(uint8_t* p, double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  PutU64(p, bits);
}

// Raw bytes of a text field up to its terminator (at most width bytes).
std::string_view RawText(const uint8_t* field, size_t width);

// The text of a field as UTF-8 (Windows-1252 bytes converted).
std::string GetText(const uint8_t* field, size_t width);

// Clears the field and stores text cut to width - 1 bytes at a UTF-8
// character boundary. Returns the number of bytes stored.
size_t PutText(uint8_t* field, size_t width, std::string_view text);

// Length of the longest prefix of text that is at most max bytes and does not
// split a UTF-8 sequence.
size_t Utf8CutLength(std::string_view text, size_t max);

bool IsValidUtf8(std::string_view bytes);
std::string Windows1252ToUtf8(std::string_view bytes);

// ASCII-only case folding on bytes, used by every text comparison.
inline uint8_t FoldCase(uint8_t c) { return (c >= 'A' && c <= 'Z') ? uint8_t(c + 32) : c; }

// Compares two text fields of at most n bytes, ignoring A..Z case; the end of
// either text ends the comparison.
int CompareTextFields(const uint8_t* a, const uint8_t* b, size_t n);

inline DateValue GetDate(const uint8_t* p) { return {GetU32(p), GetU32(p + 4), GetU32(p + 8)}; }
inline void PutDate(uint8_t* p, const DateValue& d) {
  PutU32(p, d.day);
  PutU32(p + 4, d.month);
  PutU32(p + 8, d.year);
}
inline TimeValue GetTime(const uint8_t* p) {
  return {GetU32(p), GetU32(p + 4), GetU32(p + 8), GetU32(p + 12)};
}
inline void PutTime(uint8_t* p, const TimeValue& t) {
  PutU32(p, t.hour);
  PutU32(p + 4, t.minute);
  PutU32(p + 8, t.second);
  PutU32(p + 12, t.half);
}

}  // namespace velmora
