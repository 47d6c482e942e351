#include "calendar/model/Recurrence.h"

#include <algorithm>

namespace velmora {

namespace {

constexpr int32_t kNone = kInvalidDayNumber;

// Candidates examined after the arithmetic jump. Enough for every series:
// with an interval up to 99, a pattern day that some months or years lack
// is met again within 16 candidates (twelve months cycle through every
// reachable month of the year; 29 February through the leap years, where a
// century that is not a leap year skips at most one); a larger interval
// leaves fewer than 64 candidates in the whole valid range.
constexpr int kMaxCandidates = 64;

int64_t CeilDiv(int64_t a, int64_t b) { return a <= 0 ? 0 : (a + b - 1) / b; }

int64_t MonthIndex(const DateValue& d) { return int64_t(d.year) * 12 + (int64_t(d.month) - 1); }

int32_t Daily(int32_t eventDay, int32_t end, int64_t n, int32_t start) {
  int64_t day = eventDay + CeilDiv(int64_t(start) - eventDay, n) * n;
  return day <= end ? int32_t(day) : kNone;
}

int32_t Weekly(uint32_t pattern, int32_t eventDay, int32_t end, int64_t n, int32_t start) {
  const uint32_t mask = pattern & 0x7F;
  if (mask == 0) return kNone;
  // The Sunday that starts the event's week; it may lie before the first
  // valid date (a series that starts in the first days of the range), which
  // is harmless because no day before the event date counts.
  const int64_t firstWeek = int64_t(eventDay) - WeekdayOf(eventDay);
  const int64_t period = 7 * n;
  int64_t week = firstWeek + (start - firstWeek) / period * period;
  // The week that holds start (or the gap after a week, for n > 1); when
  // none of its marked days lies at or after start, the next week's first
  // marked day does.
  for (int pass = 0; pass < 2; ++pass, week += period) {
    for (int k = 0; k < 7; ++k) {
      if (!(mask & (1u << k))) continue;
      int64_t day = week + k;
      if (day >= start) return day <= end ? int32_t(day) : kNone;
    }
  }
  return kNone;
}

int32_t Monthly(uint32_t pattern, const DateValue& eventDate, int32_t end, int64_t n, int32_t start) {
  if (pattern < 1 || pattern > 31) return kNone;
  DateValue startDate;
  if (!DateFromDayNumber(start, startDate)) return kNone;
  const int64_t first = MonthIndex(eventDate);
  const int64_t last = int64_t(kLastYear) * 12 + 11;
  int64_t step = CeilDiv(MonthIndex(startDate) - first, n);
  for (int i = 0; i < kMaxCandidates; ++i, ++step) {
    int64_t month = first + step * n;
    if (month > last) return kNone;
    int32_t day = DayNumber(month / 12, month % 12 + 1, pattern);
    if (day != kNone && day >= start) return day <= end ? day : kNone;
  }
  return kNone;
}

int32_t Yearly(uint32_t pattern, const DateValue& eventDate, int32_t end, int64_t n, int32_t start) {
  const uint32_t month = pattern >> 16;
  const uint32_t dayOfMonth = pattern & 0xFFFF;
  if (!IsValidMonth(month) || dayOfMonth < 1 || dayOfMonth > 31) return kNone;
  DateValue startDate;
  if (!DateFromDayNumber(start, startDate)) return kNone;
  int64_t step = CeilDiv(int64_t(startDate.year) - eventDate.year, n);
  for (int i = 0; i < kMaxCandidates; ++i, ++step) {
    int64_t year = int64_t(eventDate.year) + step * n;
    if (year > kLastYear) return kNone;
    int32_t day = DayNumber(year, month, dayOfMonth);
    if (day != kNone && day >= start) return day <= end ? day : kNone;
  }
  return kNone;
}

}  // namespace

int32_t RepeatEndDayNumber(const DateValue& end) {
  return end == kNoEndDate ? LastDayNumber() : DayNumber(end);
}

uint32_t EffectiveInterval(uint32_t stored) { return stored == 0 ? 1 : stored; }

int WeekdayOf(int32_t dayNumber) {
  // Day 0, 1 January 2000, was a Saturday.
  return int(((int64_t(dayNumber) + 6) % 7 + 7) % 7);
}

DateValue NextWeek(const DateValue& date) {
  int32_t day = DayNumber(date);
  if (day == kInvalidDayNumber) return date;
  DateValue out;
  DateFromDayNumber(std::min(day + 7, LastDayNumber()), out);
  return out;
}

DateValue PreviousWeek(const DateValue& date) {
  int32_t day = DayNumber(date);
  if (day == kInvalidDayNumber) return date;
  DateValue out;
  DateFromDayNumber(std::max(day - 7, FirstDayNumber()), out);
  return out;
}

int CompareDates(const DateValue& a, const DateValue& b) {
  int32_t x = DayNumber(a), y = DayNumber(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

int CompareTimes(const TimeValue& a, const TimeValue& b) {
  int x = TimeSlot(a), y = TimeSlot(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

bool RangeMeetsSeries(int32_t start, int32_t end, int32_t from, int32_t to) {
  if (start == kNone || end == kNone || from == kNone || to == kNone) return false;
  if (end < start) return false;
  return from <= end && to >= start;
}

int32_t FirstOccurrenceFrom(const RepeatBlock& block, int32_t eventDay, int32_t from) {
  const int32_t end = RepeatEndDayNumber(block.end);
  if (eventDay == kNone || end == kNone || eventDay > end) return kNone;
  const int32_t start = std::max(eventDay, from);
  if (start > end) return kNone;
  const int64_t n = EffectiveInterval(block.interval);
  DateValue eventDate;
  DateFromDayNumber(eventDay, eventDate);
  switch (block.kind) {
    case event::kRepeatDaily: return Daily(eventDay, end, n, start);
    case event::kRepeatWeekly: return Weekly(block.pattern, eventDay, end, n, start);
    case event::kRepeatMonthly: return Monthly(block.pattern, eventDate, end, n, start);
    case event::kRepeatYearly: return Yearly(block.pattern, eventDate, end, n, start);
    default: return kNone;
  }
}

bool RepeatOccursWithin(const RepeatBlock& block, const DateValue& eventDate, const DateValue& from,
                        const DateValue& to) {
  const int32_t start = DayNumber(eventDate);
  const int32_t first = DayNumber(from);
  const int32_t last = DayNumber(to);
  if (!RangeMeetsSeries(start, RepeatEndDayNumber(block.end), first, last)) return false;
  int32_t day = FirstOccurrenceFrom(block, start, first);
  return day != kNone && day <= last;
}

bool OccursWithin(const uint8_t* record, const DateValue& from, const DateValue& to) {
  if (event::RepeatKind(record) != event::kRepeatNone) {
    return RepeatOccursWithin(RepeatBlock::Read(record), event::EventDate(record), from, to);
  }
  const int32_t day = DayNumber(event::EventDate(record));
  const int32_t first = DayNumber(from);
  const int32_t last = DayNumber(to);
  if (day == kNone || first == kNone || last == kNone) return false;
  return first <= day && day <= last;
}

bool OccursOn(const uint8_t* record, const DateValue& date) { return OccursWithin(record, date, date); }

int32_t FirstEventDayFrom(const uint8_t* record, int32_t from) {
  const int32_t eventDay = DayNumber(event::EventDate(record));
  if (event::RepeatKind(record) == event::kRepeatNone) {
    return eventDay != kNone && eventDay >= from ? eventDay : kNone;
  }
  return FirstOccurrenceFrom(RepeatBlock::Read(record), eventDay, from);
}

}  // namespace velmora
