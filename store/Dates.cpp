// Dates and times of the record encodings.
//
// Day numbers come from a closed-form days-from-civil conversion on the
// proleptic Gregorian calendar (eras of 400 years, March-based years so that
// the leap day ends the year), so every conversion is O(1).
#include "store/Dates.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "store/Settings.h"

namespace velmora {

// Internal steps of Now() and GetClockStyle(), outside the anonymous
// namespace so that tests can call them with fixed inputs.
TimeValue TimeFromLocal(const std::tm& local, int step);
bool TimeFormatIsTwelveHour(const char* format);
ClockStyle ReadClockStyle();

namespace {

// Days from 1970-01-01 to y-m-d (any valid Gregorian date).
constexpr int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;                                   // 0..399
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;  // 0..365
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;           // 0..146096
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int64_t& m, int64_t& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;                                  // 0..146096
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;  // 0..399
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);          // 0..365
  const int64_t mp = (5 * doy + 2) / 153;                                // 0..11
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

constexpr int64_t kEpochOffset = DaysFromCivil(2000, 1, 1);  // 2000-01-01 is day 0

bool InRange(int64_t year) { return year >= kFirstYear && year <= kLastYear; }

void AppendTwoDigits(std::string& out, int64_t value) {
  // Values below 10 get a leading zero; anything else is written as is.
  if (value >= 0 && value < 10) out += '0';
  out += std::to_string(value);
}

bool LocaleUsesTwelveHourClock() {
  locale_t locale = newlocale(LC_TIME_MASK, "", locale_t(0));
  if (locale == locale_t(0)) return false;
  const char* format = nl_langinfo_l(T_FMT, locale);
  bool twelve = format && TimeFormatIsTwelveHour(format);
  freelocale(locale);
  return twelve;
}

constexpr int kStyleUnread = -1;
std::atomic<int> gClockStyle{kStyleUnread};
std::once_flag gClockStyleRead;

bool ParseDigits(const std::string& text, size_t at, size_t count, int64_t& out) {
  int64_t value = 0;
  for (size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  out = value;
  return true;
}

}  // namespace

// 12-hour when the time format shows an AM/PM marker or a 12-hour hour
// (%p, %P, %r, %I, %l, with any flag or E/O modifier).
bool TimeFormatIsTwelveHour(const char* format) {
  for (const char* p = format; *p; ++p) {
    if (*p != '%') continue;
    ++p;
    while (*p == '-' || *p == '_' || *p == '0' || *p == '^' || *p == '#' || *p == 'E' || *p == 'O') ++p;
    if (*p == 'p' || *p == 'P' || *p == 'r' || *p == 'I' || *p == 'l') return true;
    if (*p == '\0') break;
  }
  return false;
}

// "iTime" of section "intl" in the suite file when it has a value ("0..."
// is the 12-hour clock), else the user's locale, read without touching the
// process locale.
ClockStyle ReadClockStyle() {
  std::string value;
  if (ReadSettingText(SuiteSettingsPath(), "intl", "iTime", value) == 1) {
    return value[0] == '0' ? ClockStyle::TwelveHour : ClockStyle::TwentyFourHour;
  }
  return LocaleUsesTwelveHourClock() ? ClockStyle::TwelveHour : ClockStyle::TwentyFourHour;
}

bool IsValidMonth(int64_t month) { return month >= 1 && month <= 12; }

bool IsLeapYear(int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int MonthLength(int64_t year, int64_t month) {
  static constexpr int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (!IsValidMonth(month)) return -1;
  if (month == 2 && IsLeapYear(year)) return 29;
  return kLengths[month - 1];
}

bool IsValidDay(int64_t day, int64_t month, int64_t year) {
  return IsValidMonth(month) && day >= 1 && day <= MonthLength(year, month);
}

int32_t DayNumber(int64_t year, int64_t month, int64_t day) {
  if (!InRange(year) || !IsValidDay(day, month, year)) return kInvalidDayNumber;
  return int32_t(DaysFromCivil(year, month, day) - kEpochOffset);
}

int32_t DayNumber(const DateValue& date) { return DayNumber(date.year, date.month, date.day); }

int32_t FirstDayNumber() { return DayNumber(kFirstYear, 1, 1); }
int32_t LastDayNumber() { return DayNumber(kLastYear, 12, 31); }

bool DateFromDayNumber(int32_t dayNumber, DateValue& out) {
  if (dayNumber < FirstDayNumber() || dayNumber > LastDayNumber()) return false;
  int64_t y, m, d;
  CivilFromDays(dayNumber + kEpochOffset, y, m, d);
  out = {uint32_t(d), uint32_t(m), uint32_t(y)};
  return true;
}

int TimeSlot(int64_t hour, int64_t minute, int64_t half) {
  if (hour < 0 || hour > 12 || minute < 0 || minute > 55) return -1;
  return int(hour * 12 + minute / 5 + (half == kHalfPm ? 144 : 0));
}

int TimeSlot(const TimeValue& time) { return TimeSlot(time.hour, time.minute, time.half); }

bool SlotToTime(int slot, TimeValue& out) {
  if (slot < 0 || slot > 287) return false;
  int hour24 = slot / 12;
  out.hour = uint32_t(hour24 % 12);
  out.minute = uint32_t(5 * (slot % 12));
  out.second = 0;
  out.half = hour24 < 12 ? kHalfAm : kHalfPm;
  return true;
}

bool NextDay(DateValue& date) {
  int32_t number = DayNumber(date);
  if (number == kInvalidDayNumber) return false;
  return DateFromDayNumber(number + 1, date);
}

bool PreviousDay(DateValue& date) {
  int32_t number = DayNumber(date);
  if (number == kInvalidDayNumber) return false;
  return DateFromDayNumber(number - 1, date);
}

bool NextMonth(DateValue& date) {
  if (DayNumber(date) == kInvalidDayNumber) return false;
  int64_t year = date.year;
  int64_t month = date.month + 1;
  if (month > 12) {
    month = 1;
    ++year;
  }
  if (!InRange(year)) return false;
  int length = MonthLength(year, month);
  date = {std::min<uint32_t>(date.day, uint32_t(length)), uint32_t(month), uint32_t(year)};
  return true;
}

bool PreviousMonth(DateValue& date) {
  if (DayNumber(date) == kInvalidDayNumber) return false;
  int64_t year = date.year;
  int64_t month = int64_t(date.month) - 1;
  if (month < 1) {
    month = 12;
    --year;
  }
  if (!InRange(year)) return false;
  int length = MonthLength(year, month);
  date = {std::min<uint32_t>(date.day, uint32_t(length)), uint32_t(month), uint32_t(year)};
  return true;
}

int Weekday(int64_t year, int64_t month, int64_t day) {
  int32_t number = DayNumber(year, month, day);
  if (number == kInvalidDayNumber) return -1;
  // Day 0 (1 January 2000) was a Saturday.
  return int(((int64_t(number) + 6) % 7 + 7) % 7);
}

DateValue Today() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {uint32_t(local.tm_mday), uint32_t(local.tm_mon + 1), uint32_t(local.tm_year + 1900)};
}

TimeValue TimeFromLocal(const std::tm& local, int step) {
  TimeValue time;
  int hour = local.tm_hour;
  time.half = hour >= 12 ? kHalfPm : kHalfAm;
  time.hour = uint32_t(hour >= 12 ? hour - 12 : hour);
  int minute = local.tm_min;
  if (step > 0) minute -= minute % step;
  time.minute = uint32_t(minute);
  time.second = uint32_t(local.tm_sec);
  return time;
}

TimeValue Now(int step) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return TimeFromLocal(local, step);
}

ClockStyle GetClockStyle() {
  int style = gClockStyle.load();
  if (style == kStyleUnread) {
    std::call_once(gClockStyleRead, [] {
      int read = int(ReadClockStyle());
      int expected = kStyleUnread;
      // A style set meanwhile by SetClockStyle wins over the one read.
      gClockStyle.compare_exchange_strong(expected, read);
    });
    style = gClockStyle.load();
  }
  return ClockStyle(style);
}

void SetClockStyle(ClockStyle style) { gClockStyle.store(int(style)); }

std::string FormatTime(int64_t hour, int64_t minute, int64_t half) {
  std::string out;
  bool pm = half == kHalfPm;
  if (GetClockStyle() == ClockStyle::TwelveHour) {
    int64_t shown = (hour == 0 && pm) ? 12 : hour;
    AppendTwoDigits(out, shown);
    out += ':';
    AppendTwoDigits(out, minute);
    out += pm ? " pm" : " am";
  } else {
    AppendTwoDigits(out, pm ? hour + 12 : hour);
    out += ':';
    AppendTwoDigits(out, minute);
  }
  return out;
}

std::string FormatTime(const TimeValue& time) { return FormatTime(time.hour, time.minute, time.half); }

std::string FormatDate(int64_t day, int64_t month, int64_t year) {
  bool monthFirst = GetClockStyle() == ClockStyle::TwelveHour;
  std::string first = std::to_string(monthFirst ? month : day);
  std::string second = std::to_string(monthFirst ? day : month);
  return first + '/' + second + '/' + std::to_string(year);
}

std::string FormatDate(const DateValue& date) { return FormatDate(date.day, date.month, date.year); }

std::string IsoDate(const DateValue& date) {
  char text[40];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", unsigned(date.year), unsigned(date.month),
                unsigned(date.day));
  return text;
}

bool ParseIsoDate(const std::string& text, DateValue& out) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  int64_t year, month, day;
  if (!ParseDigits(text, 0, 4, year) || !ParseDigits(text, 5, 2, month) || !ParseDigits(text, 8, 2, day)) {
    return false;
  }
  if (DayNumber(year, month, day) == kInvalidDayNumber) return false;
  out = {uint32_t(day), uint32_t(month), uint32_t(year)};
  return true;
}

std::string IsoTime(const TimeValue& time) {
  char text[40];
  unsigned hour = unsigned(time.hour) + (time.half == kHalfPm ? 12u : 0u);
  std::snprintf(text, sizeof text, "%02u:%02u", hour, unsigned(time.minute));
  return text;
}

bool ParseIsoTime(const std::string& text, TimeValue& out) {
  if (text.size() != 5 || text[2] != ':') return false;
  int64_t hour, minute;
  if (!ParseDigits(text, 0, 2, hour) || !ParseDigits(text, 3, 2, minute)) return false;
  if (hour > 23 || minute > 59) return false;
  out.hour = uint32_t(hour % 12);
  out.minute = uint32_t(minute);
  out.second = 0;
  out.half = hour < 12 ? kHalfAm : kHalfPm;
  return true;
}

}  // namespace velmora
