// The recurrence rules written out step by step, exactly as a person would
// check them on a calendar: walk from the event date in steps of the
// interval until the query range is reached or passed. Slow but plain; the
// fast tests of calendar/model/Recurrence.cpp must agree with it on every
// case.
#pragma once

#include "calendar/model/Recurrence.h"
#include "store/Dates.h"

namespace velmora::reference {

inline int32_t EndDay(const RepeatBlock& b) {
  return b.end == DateValue{31, 12, 2020} ? LastDayNumber() : DayNumber(b.end);
}

// The series and the query range overlap; every day number valid.
inline bool Inside(int32_t start, int32_t end, int32_t from, int32_t to) {
  if (start == kInvalidDayNumber || end == kInvalidDayNumber || from == kInvalidDayNumber ||
      to == kInvalidDayNumber || end < start) {
    return false;
  }
  return from <= end && to >= start;
}

inline bool Daily(const RepeatBlock& b, int32_t S, int32_t E, int32_t F, int32_t T) {
  const int64_t n = b.interval == 0 ? 1 : b.interval;
  if (!Inside(S, E, F, T) || S > E) return false;
  int64_t d = S;
  for (;;) {
    if (d > T) return false;
    if (d >= F) return true;
    d += n;
    if (d > E) return false;
  }
}

inline int WeekdayOfDay(int64_t day) { return int(((day + 6) % 7 + 7) % 7); }

inline bool Weekly(const RepeatBlock& b, int32_t S, int32_t E, int32_t F, int32_t T) {
  const int64_t n = b.interval == 0 ? 1 : b.interval;
  if (!Inside(S, E, F, T)) return false;
  // Back one day at a time to the Sunday of the event's week.
  int64_t W = S;
  while (WeekdayOfDay(W) != 0) --W;
  while (W <= T) {
    for (int k = 0; k < 7; ++k) {
      if (!(b.pattern & (1u << k))) continue;
      int64_t d = W + k;
      if (d > T || d > E) return false;
      if (d >= S && d >= F) return true;
    }
    W += 7 * n;
    if (W > E) return false;
  }
  return false;
}

inline bool Monthly(const RepeatBlock& b, const DateValue& event, int32_t S, int32_t E, int32_t F, int32_t T) {
  const int64_t n = b.interval == 0 ? 1 : b.interval;
  if (!Inside(S, E, F, T)) return false;
  DateValue cursor = event;
  int32_t d = DayNumber(cursor.year, cursor.month, b.pattern);
  if (d != kInvalidDayNumber && d > E) return false;
  while (d == kInvalidDayNumber || d < S || d < F || d > T) {
    for (int64_t i = 0; i < n; ++i) {
      if (!NextMonth(cursor)) return false;
    }
    d = DayNumber(cursor.year, cursor.month, b.pattern);
    if (d != kInvalidDayNumber && d > E) return false;
  }
  return true;
}

inline bool Yearly(const RepeatBlock& b, const DateValue& event, int32_t S, int32_t E, int32_t F, int32_t T) {
  const int64_t n = b.interval == 0 ? 1 : b.interval;
  if (!Inside(S, E, F, T)) return false;
  const uint32_t M = b.pattern >> 16;
  const uint32_t D = b.pattern & 0xFFFF;
  int64_t Y = event.year;
  int32_t d = DayNumber(Y, M, D);
  if (d != kInvalidDayNumber && d > E) return false;
  while (d == kInvalidDayNumber || d < S || d < F || d > T) {
    Y += n;
    if (Y > kLastYear) return false;
    d = DayNumber(Y, M, D);
    if (d != kInvalidDayNumber && d > E) return false;
  }
  return true;
}

inline bool OccursWithin(const RepeatBlock& b, const DateValue& event, const DateValue& from, const DateValue& to) {
  const int32_t S = DayNumber(event), E = EndDay(b), F = DayNumber(from), T = DayNumber(to);
  switch (b.kind) {
    case 1: return Daily(b, S, E, F, T);
    case 2: return Weekly(b, S, E, F, T);
    case 4: return Monthly(b, event, S, E, F, T);
    case 5: return Yearly(b, event, S, E, F, T);
    default: return false;
  }
}

}  // namespace velmora::reference
