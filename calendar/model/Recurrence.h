// Recurrence: whether an event falls on a date or within a range of dates.
//
// Occurrences are never stored. An event repeats daily, weekly on chosen
// weekdays, monthly on a day of the month or yearly on a day of a month,
// every n units (a stored interval of 0 counts as 1), from its event date up
// to its repeat end date. Weeks start on Sunday. A monthly or yearly pattern
// day that a month or year lacks (the 31st in April, 29 February in a common
// year) gives no occurrence there; the series does not move to another day.
//
// A stored end date of 31 December 2020 means "no end date": such a series
// runs to the end of the valid range. No occurrence lies before the event
// date or after the end date.
//
// Every function here is pure and answers in constant time: it jumps
// arithmetically to the first candidate at or after the start of the query
// and looks at a bounded number of candidates from there.
#pragma once

#include <cstdint>

#include "calendar/model/EventRecord.h"
#include "store/Dates.h"

namespace velmora {

// The stored end date that means "no end date".
inline constexpr DateValue kNoEndDate{31, 12, 2020};

// Day number of the last day a series may occur on: the end of the valid
// range for kNoEndDate, else the end date's day number (invalid when the end
// date is).
int32_t RepeatEndDayNumber(const DateValue& end);

// The interval a test steps by: the stored one, 0 read as 1.
uint32_t EffectiveInterval(uint32_t stored);

// 0 Sunday .. 6 Saturday of a valid day number.
int WeekdayOf(int32_t dayNumber);

// Seven days on, or back; near the ends of the valid range the result stops
// at the first or last valid date. An invalid date is returned unchanged.
DateValue NextWeek(const DateValue& date);
DateValue PreviousWeek(const DateValue& date);

// -1, 0 or +1: dates by day number (invalid dates lowest and equal), times by
// five-minute slot.
int CompareDates(const DateValue& a, const DateValue& b);
int CompareTimes(const TimeValue& a, const TimeValue& b);

// Whether the query range from..to meets the series start..end (all day
// numbers). False when any of them is invalid or end lies before start.
bool RangeMeetsSeries(int32_t start, int32_t end, int32_t from, int32_t to);

// The first occurrence of a repeating series on or after day `from` (any
// value; below the event day it means "the first occurrence"). eventDay is
// the day number of the event date. kInvalidDayNumber when there is none:
// no repeat kind, an invalid event or end date, or no occurrence up to the
// end date.
int32_t FirstOccurrenceFrom(const RepeatBlock& block, int32_t eventDay, int32_t from);

// The recurrence test: whether a repeating series occurs within from..to
// (inclusive). Repeat kind 0 and unknown kinds never occur here; invalid
// query dates never hold an occurrence.
bool RepeatOccursWithin(const RepeatBlock& block, const DateValue& eventDate, const DateValue& from,
                        const DateValue& to);

// Whether an event occurs within from..to or on one date: a one-off event
// when its event date lies in the range, a repeating one by the recurrence
// test. record: the bytes of one event slot.
bool OccursWithin(const uint8_t* record, const DateValue& from, const DateValue& to);
bool OccursOn(const uint8_t* record, const DateValue& date);
inline bool OccursWithin(const EventRecord& e, const DateValue& from, const DateValue& to) {
  return OccursWithin(e.data(), from, to);
}
inline bool OccursOn(const EventRecord& e, const DateValue& date) { return OccursOn(e.data(), date); }

// The first day of the event from day `from` on (one-off or repeating), as a
// day number; kInvalidDayNumber when none. Lists that span days walk an
// event's occurrences with it.
int32_t FirstEventDayFrom(const uint8_t* record, int32_t from);

}  // namespace velmora
