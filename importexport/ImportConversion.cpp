#include "importexport/ImportConversion.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "store/Bytes.h"
#include "store/Format.h"

namespace velmora {

namespace {

// The longest run of digits a date or time number takes.
constexpr size_t kMaxDigitRun = 255;
// The longest time suffix looked at.
constexpr size_t kMaxSuffix = 255;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a run of at most kMaxDigitRun digits at pos, held at the 32-bit
// signed limit; the run's length in *digits.
uint32_t DigitRun(std::string_view text, size_t& pos, size_t* digits = nullptr) {
  uint64_t value = 0;
  size_t count = 0;
  while (pos < text.size() && IsDigit(text[pos]) && count < kMaxDigitRun) {
    value = std::min<uint64_t>(value * 10 + uint64_t(text[pos] - '0'), std::numeric_limits<int32_t>::max());
    ++pos;
    ++count;
  }
  if (digits) *digits = count;
  return uint32_t(value);
}

void SkipNonDigits(std::string_view text, size_t& pos) {
  while (pos < text.size() && !IsDigit(text[pos])) ++pos;
}

}  // namespace

int32_t ReadImportInteger(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r'))) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
  while (pos < text.size() && IsDigit(text[pos])) {
    value = std::min<int64_t>(value * 10 + (text[pos] - '0'), kLimit);
    ++pos;
  }
  if (negative) return int32_t(-value);
  return int32_t(std::min<int64_t>(value, std::numeric_limits<int32_t>::max()));
}

DateOrder DateOrderOf(ClockStyle style) {
  return style == ClockStyle::TwelveHour ? DateOrder::MonthFirst : DateOrder::DayFirst;
}

bool ReadImportDate(std::string_view text, DateValue& date, DateOrder order) {
  if (text.empty() || !IsDigit(text.front())) return false;
  size_t pos = 0;
  size_t firstDigits = 0;
  const uint32_t first = DigitRun(text, pos, &firstDigits);
  const bool yearFirst = firstDigits == 4;
  const bool dotted = pos < text.size() && text[pos] == '.';
  if (yearFirst) date.year = first;
  SkipNonDigits(text, pos);
  if (pos >= text.size()) {
    if (!yearFirst) date.month = first;
    return false;
  }
  const uint32_t second = DigitRun(text, pos);
  if (yearFirst) {
    date.month = second;
  } else {
    bool dayFirst = dotted || order == DateOrder::DayFirst;
    if (first > 12 && second <= 12) dayFirst = true;
    if (second > 12 && first <= 12) dayFirst = false;
    date.day = dayFirst ? first : second;
    date.month = dayFirst ? second : first;
  }
  SkipNonDigits(text, pos);
  if (pos >= text.size()) return false;
  const uint32_t third = DigitRun(text, pos);
  if (yearFirst) {
    date.day = third;
  } else {
    date.year = third;
  }
  return true;
}

bool ReadImportTime(std::string_view text, TimeValue& time) {
  if (text.empty() || !IsDigit(text.front())) return false;
  size_t pos = 0;
  const uint32_t hour = DigitRun(text, pos);
  SkipNonDigits(text, pos);
  if (pos >= text.size()) return false;
  const uint32_t minute = DigitRun(text, pos);
  std::string suffix;
  for (; pos < text.size() && suffix.size() < kMaxSuffix; ++pos) {
    if (text[pos] != ' ') suffix += text[pos];
  }
  const bool morning = suffix.find_first_of("aA") != std::string::npos;
  const bool afternoon = suffix.find_first_of("pP") != std::string::npos;
  time.minute = minute;
  if (morning || afternoon) {
    time.half = morning ? kHalfAm : kHalfPm;
    time.hour = (time.half == kHalfPm && hour == 12) ? 0 : hour;
  } else if (hour < 24) {
    time.half = hour < 12 ? kHalfAm : kHalfPm;
    time.hour = hour % 12;
  } else {
    // No hour of the day: kept as read, for the host's clean-up to judge.
    time.half = kHalfPm;
    time.hour = hour;
  }
  return true;
}

bool ConvertImportValue(const ImportField& entry, std::string_view value, uint8_t* record, size_t recordSize,
                        DateOrder order) {
  if (uint64_t(entry.offset) + entry.width > recordSize) return false;
  uint8_t* field = record + entry.offset;
  switch (entry.kind) {
    case kImportFixedBytes: {
      const size_t count = std::min<size_t>(value.size(), entry.width);
      std::memcpy(field, value.data(), count);
      std::memset(field + count, 0, entry.width - count);
      return true;
    }
    case kImportInteger:
    case kImportInteger3:
      if (entry.width < 4) return false;
      PutI32(field, ReadImportInteger(value));
      return true;
    case kImportDate: {
      if (entry.width < format::kDateValueSize) return false;
      DateValue date = GetDate(field);
      const bool read = ReadImportDate(value, date, order);
      PutDate(field, date);
      return read;
    }
    case kImportTime: {
      if (entry.width < format::kTimeValueSize) return false;
      TimeValue time = GetTime(field);
      const bool read = ReadImportTime(value, time);
      PutTime(field, time);
      return read;
    }
    case kImportText:
      if (entry.width == 0) return false;
      PutText(field, entry.width, value);
      return true;
    default:
      return false;
  }
}

}  // namespace velmora
