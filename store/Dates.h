// Dates and times in the record encodings: validation, day numbers,
// five-minute slots, stepping and display.
//
// Valid dates run from 1 January 1800 to 31 December 2199. Day number 0 is
// 1 January 2000; earlier dates are negative. Every invalid date (including
// the all-zero "no date") has kInvalidDayNumber, which is below every valid
// day number, so invalid dates sort first and compare equal.
#pragma once

#include <cstdint>
#include <string>

namespace velmora {

struct DateValue {
  uint32_t day = 0;
  uint32_t month = 0;
  uint32_t year = 0;
  bool IsEmpty() const { return day == 0 && month == 0 && year == 0; }
  friend bool operator==(const DateValue&, const DateValue&) = default;
};

// hour 0..11 on the 12-hour clock, half 1 = AM, 2 = PM.
struct TimeValue {
  uint32_t hour = 0;
  uint32_t minute = 0;
  uint32_t second = 0;
  uint32_t half = 1;
  friend bool operator==(const TimeValue&, const TimeValue&) = default;
};

inline constexpr int kFirstYear = 1800;
inline constexpr int kLastYear = 2199;
inline constexpr int32_t kInvalidDayNumber = INT32_MIN;
inline constexpr int kHalfAm = 1;
inline constexpr int kHalfPm = 2;

bool IsValidMonth(int64_t month);
// Day within the month's length; the year decides only February.
bool IsValidDay(int64_t day, int64_t month, int64_t year);
// Days of the month, -1 for a month outside 1..12.
int MonthLength(int64_t year, int64_t month);
bool IsLeapYear(int64_t year);

int32_t DayNumber(int64_t year, int64_t month, int64_t day);
int32_t DayNumber(const DateValue& date);
// Inverse of DayNumber; false outside the valid range.
bool DateFromDayNumber(int32_t dayNumber, DateValue& out);
// Day numbers of the first and last valid dates.
int32_t FirstDayNumber();
int32_t LastDayNumber();

// five-minute slot: hour * 12 + minute / 5, + 144 for PM; -1 when the hour is
// outside 0..12 or the minute outside 0..55.
int TimeSlot(int64_t hour, int64_t minute, int64_t half);
int TimeSlot(const TimeValue& time);
bool SlotToTime(int slot, TimeValue& out);

// Step a date in place; false (date unchanged) when the result would leave
// the valid range or the date is invalid.
bool NextDay(DateValue& date);
bool PreviousDay(DateValue& date);
bool NextMonth(DateValue& date);
bool PreviousMonth(DateValue& date);

// 0 Sunday .. 6 Saturday, -1 for an invalid date. The store has no texts:
// the weekday's name comes from the program's string table (WeekdayName).
int Weekday(int64_t year, int64_t month, int64_t day);

DateValue Today();
// Current time on the 12-hour clock; with step n > 0 the minute is lowered
// to a multiple of n. Seconds are kept as read.
TimeValue Now(int step);

enum class ClockStyle { TwelveHour, TwentyFourHour };
// Key "iTime" of section "intl" in "Velmora.ini" when present ("0..." means
// the 12-hour clock), else the user's locale. Read once per process.
ClockStyle GetClockStyle();
void SetClockStyle(ClockStyle style);  // for tests and the options window

std::string FormatTime(int64_t hour, int64_t minute, int64_t half);
std::string FormatTime(const TimeValue& time);
std::string FormatDate(int64_t day, int64_t month, int64_t year);
std::string FormatDate(const DateValue& date);

// "YYYY-MM-DD" / "HH:MM" (24-hour) as used by the command-line tool and the
// JSON exchange formats. ParseIsoDate accepts only valid dates.
std::string IsoDate(const DateValue& date);
bool ParseIsoDate(const std::string& text, DateValue& out);
std::string IsoTime(const TimeValue& time);
bool ParseIsoTime(const std::string& text, TimeValue& out);

}  // namespace velmora
