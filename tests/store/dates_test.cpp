// Dates and times: validity, day numbers over the whole range, slots,
// stepping, weekdays, clock style and the display and ISO forms.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include "store/Dates.h"
#include "tests/support/Files.h"
#include "tests/support/Sandbox.h"

namespace velmora {

// Internal steps of Now() and GetClockStyle() (store/Dates.cpp).
TimeValue TimeFromLocal(const std::tm& local, int step);
bool TimeFormatIsTwelveHour(const char* format);
ClockStyle ReadClockStyle();

namespace {

using std::chrono::sys_days;
using std::chrono::year_month_day;

// The standard library's calendar is the reference for day numbers.
year_month_day Civil(int32_t dayNumber) {
  return year_month_day{sys_days{std::chrono::year{2000} / 1 / 1} + std::chrono::days{dayNumber}};
}

TEST(DayNumberTest, Table) {
  struct Case {
    int64_t year, month, day;
    int32_t expected;
  };
  const Case cases[] = {
      {2000, 1, 1, 0},
      {2000, 1, 2, 1},
      {1999, 12, 31, -1},
      {2000, 3, 1, 60},  // 2000 is a leap year
      {2020, 12, 31, 7670},
      {2021, 1, 1, 7671},
      {1800, 1, 1, -73048},
      {2199, 12, 31, 73048},
      {1799, 12, 31, kInvalidDayNumber},
      {2200, 1, 1, kInvalidDayNumber},
      {2001, 2, 29, kInvalidDayNumber},
      {1900, 2, 29, kInvalidDayNumber},  // century, not a leap year
      {2100, 2, 29, kInvalidDayNumber},
      {2000, 2, 29, 59},
      {2004, 2, 30, kInvalidDayNumber},
      {2004, 4, 31, kInvalidDayNumber},
      {2004, 13, 1, kInvalidDayNumber},
      {2004, 0, 1, kInvalidDayNumber},
      {2004, 1, 0, kInvalidDayNumber},
      {0, 0, 0, kInvalidDayNumber},
      {-2000, 1, 1, kInvalidDayNumber},
      {int64_t(1) << 40, 1, 1, kInvalidDayNumber},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DayNumber(c.year, c.month, c.day), c.expected) << c.year << "-" << c.month << "-" << c.day;
  }
  EXPECT_EQ(FirstDayNumber(), DayNumber(1800, 1, 1));
  EXPECT_EQ(LastDayNumber(), DayNumber(2199, 12, 31));
  EXPECT_EQ(DayNumber(DateValue{}), kInvalidDayNumber);
  EXPECT_EQ(DayNumber(DateValue{20, 12, 2004}), DayNumber(2004, 12, 20));
}

TEST(DayNumberTest, InvalidSortsBelowEveryValidDate) {
  EXPECT_LT(kInvalidDayNumber, FirstDayNumber());
  EXPECT_EQ(DayNumber(2004, 2, 30), DayNumber(0, 0, 0));  // all invalid dates compare equal
}

TEST(DayNumberTest, RoundTripOverTheWholeRange) {
  DateValue previous{};
  for (int32_t n = FirstDayNumber(); n <= LastDayNumber(); ++n) {
    year_month_day expected = Civil(n);
    DateValue date;
    ASSERT_TRUE(DateFromDayNumber(n, date)) << n;
    ASSERT_EQ(int(date.year), int(expected.year())) << n;
    ASSERT_EQ(date.month, unsigned(expected.month())) << n;
    ASSERT_EQ(date.day, unsigned(expected.day())) << n;
    ASSERT_EQ(DayNumber(date), n);
    if (n > FirstDayNumber()) {
      DateValue stepped = previous;
      ASSERT_TRUE(NextDay(stepped));
      ASSERT_EQ(stepped, date);
      ASSERT_TRUE(PreviousDay(stepped));
      ASSERT_EQ(stepped, previous);
    }
    previous = date;
  }
  DateValue untouched{7, 7, 2007};
  EXPECT_FALSE(DateFromDayNumber(FirstDayNumber() - 1, untouched));
  EXPECT_FALSE(DateFromDayNumber(LastDayNumber() + 1, untouched));
  EXPECT_FALSE(DateFromDayNumber(kInvalidDayNumber, untouched));
  EXPECT_EQ(untouched, (DateValue{7, 7, 2007}));
}

TEST(CalendarRulesTest, LeapYearsAndMonthLengths) {
  for (int64_t year : {1800, 1900, 2100, 2199, 2001}) EXPECT_FALSE(IsLeapYear(year)) << year;
  for (int64_t year : {2000, 2004, 1804, 2196}) EXPECT_TRUE(IsLeapYear(year)) << year;
  EXPECT_EQ(MonthLength(2004, 2), 29);
  EXPECT_EQ(MonthLength(2100, 2), 28);
  EXPECT_EQ(MonthLength(2003, 9), 30);
  EXPECT_EQ(MonthLength(2003, 12), 31);
  EXPECT_EQ(MonthLength(2003, 0), -1);
  EXPECT_EQ(MonthLength(2003, 13), -1);
  EXPECT_TRUE(IsValidMonth(1));
  EXPECT_TRUE(IsValidMonth(12));
  EXPECT_FALSE(IsValidMonth(0));
  EXPECT_FALSE(IsValidMonth(13));
  // The day check looks at the year only for February.
  EXPECT_TRUE(IsValidDay(29, 2, 2400));
  EXPECT_TRUE(IsValidDay(31, 1, 1234));
  EXPECT_FALSE(IsValidDay(29, 2, 2300));
  EXPECT_FALSE(IsValidDay(0, 1, 2004));
}

TEST(TimeSlotTest, Table) {
  struct Case {
    int64_t hour, minute, half;
    int slot;
  };
  const Case cases[] = {
      {0, 0, kHalfAm, 0},       {0, 0, kHalfPm, 144},   // midnight, noon
      {11, 55, kHalfAm, 143},   {11, 55, kHalfPm, 287},
      {12, 0, kHalfPm, 288},    {12, 0, kHalfAm, 144},
      {9, 34, kHalfAm, 114},    // minutes round down to the slot
      {13, 0, kHalfAm, -1},     {-1, 0, kHalfAm, -1},
      {0, 56, kHalfAm, -1},     {0, -1, kHalfAm, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TimeSlot(c.hour, c.minute, c.half), c.slot) << c.hour << ":" << c.minute << " " << c.half;
  }
  EXPECT_EQ(TimeSlot(TimeValue{0, 0, 0, kHalfPm}), 144);
}

TEST(TimeSlotTest, SlotToTimeInvertsEverySlot) {
  for (int slot = 0; slot < 288; ++slot) {
    TimeValue time;
    ASSERT_TRUE(SlotToTime(slot, time));
    EXPECT_LE(time.hour, 11u);
    EXPECT_EQ(time.minute % 5, 0u);
    EXPECT_EQ(time.second, 0u);
    EXPECT_EQ(time.half, slot < 144 ? uint32_t(kHalfAm) : uint32_t(kHalfPm));
    EXPECT_EQ(TimeSlot(time), slot);
  }
  TimeValue untouched{3, 4, 5, kHalfPm};
  EXPECT_FALSE(SlotToTime(-1, untouched));
  EXPECT_FALSE(SlotToTime(288, untouched));
  EXPECT_EQ(untouched, (TimeValue{3, 4, 5, kHalfPm}));
}

TEST(SteppingTest, Table) {
  enum Step { kNextDay, kPreviousDay, kNextMonth, kPreviousMonth };
  struct Case {
    Step step;
    DateValue from;
    bool ok;
    DateValue to;  // the date afterwards (unchanged on failure)
  };
  const Case cases[] = {
      {kNextDay, {31, 12, 2020}, true, {1, 1, 2021}},
      {kNextDay, {28, 2, 2004}, true, {29, 2, 2004}},
      {kNextDay, {28, 2, 2100}, true, {1, 3, 2100}},
      {kNextDay, {31, 12, 2199}, false, {31, 12, 2199}},
      {kNextDay, {30, 2, 2004}, false, {30, 2, 2004}},
      {kNextDay, {0, 0, 0}, false, {0, 0, 0}},
      {kPreviousDay, {1, 1, 2000}, true, {31, 12, 1999}},
      {kPreviousDay, {1, 3, 2004}, true, {29, 2, 2004}},
      {kPreviousDay, {1, 1, 1800}, false, {1, 1, 1800}},
      {kNextMonth, {31, 1, 2004}, true, {29, 2, 2004}},
      {kNextMonth, {31, 1, 2003}, true, {28, 2, 2003}},
      {kNextMonth, {15, 12, 2020}, true, {15, 1, 2021}},
      {kNextMonth, {31, 10, 2004}, true, {30, 11, 2004}},
      {kNextMonth, {1, 12, 2199}, false, {1, 12, 2199}},
      {kNextMonth, {15, 11, 2199}, true, {15, 12, 2199}},
      {kNextMonth, {31, 4, 2004}, false, {31, 4, 2004}},
      {kPreviousMonth, {15, 1, 1800}, false, {15, 1, 1800}},
      {kPreviousMonth, {15, 2, 1800}, true, {15, 1, 1800}},
      {kPreviousMonth, {15, 1, 2000}, true, {15, 12, 1999}},
      {kPreviousMonth, {31, 3, 2004}, true, {29, 2, 2004}},
      {kPreviousMonth, {31, 12, 2004}, true, {30, 11, 2004}},
      {kPreviousMonth, {0, 0, 0}, false, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    DateValue date = c.from;
    bool ok = false;
    switch (c.step) {
      case kNextDay: ok = NextDay(date); break;
      case kPreviousDay: ok = PreviousDay(date); break;
      case kNextMonth: ok = NextMonth(date); break;
      case kPreviousMonth: ok = PreviousMonth(date); break;
    }
    EXPECT_EQ(ok, c.ok) << "step " << c.step << " from " << IsoDate(c.from);
    EXPECT_EQ(date, c.to) << "step " << c.step << " from " << IsoDate(c.from);
  }
}

TEST(WeekdayTest, AgreesWithTheStandardCalendarOverTheRange) {
  for (int32_t n = FirstDayNumber(); n <= LastDayNumber(); n += 13) {
    year_month_day ymd = Civil(n);
    int expected = int(std::chrono::weekday{sys_days{ymd}}.c_encoding());
    ASSERT_EQ(Weekday(int(ymd.year()), unsigned(ymd.month()), unsigned(ymd.day())), expected) << n;
  }
  EXPECT_EQ(Weekday(2000, 1, 1), 6);  // Saturday
  EXPECT_EQ(Weekday(2199, 12, 31), int(std::chrono::weekday{sys_days{Civil(LastDayNumber())}}.c_encoding()));
  EXPECT_EQ(Weekday(2200, 1, 1), -1);
  EXPECT_EQ(Weekday(2004, 2, 30), -1);
}

std::tm LocalTime(int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = 2004 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 20;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

TEST(NowTest, TwelveHourClockAndStep) {
  struct Case {
    int hour, minute, second, step;
    TimeValue expected;
  };
  const Case cases[] = {
      {10, 59, 30, 5, {10, 55, 30, kHalfAm}},
      {10, 59, 30, 0, {10, 59, 30, kHalfAm}},
      {0, 4, 0, 5, {0, 0, 0, kHalfAm}},      // midnight
      {12, 0, 0, 5, {0, 0, 0, kHalfPm}},     // noon
      {23, 59, 59, 5, {11, 55, 59, kHalfPm}},
      {13, 44, 1, 15, {1, 30, 1, kHalfPm}},
      {11, 10, 0, 5, {11, 10, 0, kHalfAm}},
      {14, 22, 0, -5, {2, 22, 0, kHalfPm}},  // no step below 1
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TimeFromLocal(LocalTime(c.hour, c.minute, c.second), c.step), c.expected)
        << c.hour << ":" << c.minute << " step " << c.step;
  }
}

TEST(NowTest, ReadsTheLocalClock) {
  std::time_t before = std::time(nullptr);
  TimeValue now = Now(5);
  DateValue today = Today();
  std::tm local{};
  localtime_r(&before, &local);
  EXPECT_EQ(now.minute % 5, 0u);
  EXPECT_LE(now.hour, 11u);
  EXPECT_TRUE(now.half == uint32_t(kHalfAm) || now.half == uint32_t(kHalfPm));
  EXPECT_NE(DayNumber(today), kInvalidDayNumber);
  // Allow the day to turn between the two readings.
  int32_t expected = DayNumber(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  EXPECT_LE(DayNumber(today) - expected, 1);
  EXPECT_GE(DayNumber(today) - expected, 0);
}

// Restores the clock style and VELMORA_HOME of the process after each test.
class ClockStyleTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = GetClockStyle(); }
  void TearDown() override { SetClockStyle(saved_); }
  void WriteSuiteFile(const std::string& content) {
    ASSERT_TRUE(velmora::testing::WriteWholeFile(dir_.File("Velmora.ini"), content));
  }

 private:
  velmora::testing::TempDir dir_;
  ClockStyle saved_ = ClockStyle::TwentyFourHour;
};

TEST_F(ClockStyleTest, FromTheSuiteFile) {
  struct Case {
    const char* content;
    ClockStyle expected;
  };
  const Case cases[] = {
      {"[intl]\niTime=0\n", ClockStyle::TwelveHour},
      {"[INTL]\r\nitime = 0x\r\n", ClockStyle::TwelveHour},
      {"[intl]\niTime=1\n", ClockStyle::TwentyFourHour},
      {"[intl]\niTime=10\n", ClockStyle::TwentyFourHour},
  };
  for (const Case& c : cases) {
    WriteSuiteFile(c.content);
    EXPECT_EQ(ReadClockStyle(), c.expected) << c.content;
  }
}

TEST_F(ClockStyleTest, FromTheLocaleWithoutTheKey) {
  velmora::testing::ScopedEnv locale("LC_ALL", "C");
  WriteSuiteFile("[intl]\niTime=\n");  // empty counts as absent
  EXPECT_EQ(ReadClockStyle(), ClockStyle::TwentyFourHour);  // "C" shows %H:%M:%S
}

TEST(TimeFormatTest, TwelveHourMarkers) {
  for (const char* format : {"%r", "%I:%M:%S %p", "%l:%M %P", "%OI.%M", "%-I:%M"}) {
    EXPECT_TRUE(TimeFormatIsTwelveHour(format)) << format;
  }
  for (const char* format : {"%H:%M:%S", "%T", "%k.%M", "%%p %H", ""}) {
    EXPECT_FALSE(TimeFormatIsTwelveHour(format)) << format;
  }
}

TEST_F(ClockStyleTest, SetClockStyleOverrides) {
  SetClockStyle(ClockStyle::TwelveHour);
  EXPECT_EQ(GetClockStyle(), ClockStyle::TwelveHour);
  SetClockStyle(ClockStyle::TwentyFourHour);
  EXPECT_EQ(GetClockStyle(), ClockStyle::TwentyFourHour);
}

TEST_F(ClockStyleTest, FormatTimeAndDate) {
  struct TimeCase {
    int64_t hour, minute, half;
    const char* twelve;
    const char* twentyFour;
  };
  const TimeCase times[] = {
      {0, 5, kHalfAm, "00:05 am", "00:05"},
      {0, 0, kHalfAm, "00:00 am", "00:00"},
      {9, 30, kHalfAm, "09:30 am", "09:30"},
      {9, 5, kHalfAm, "09:05 am", "09:05"},
      {0, 5, kHalfPm, "12:05 pm", "12:05"},
      {0, 0, kHalfPm, "12:00 pm", "12:00"},
      {10, 45, kHalfPm, "10:45 pm", "22:45"},
      {1, 30, kHalfPm, "01:30 pm", "13:30"},
      {11, 59, kHalfPm, "11:59 pm", "23:59"},
      {10, 0, kHalfAm, "10:00 am", "10:00"},
  };
  struct DateCase {
    int64_t day, month, year;
    const char* twelve;
    const char* twentyFour;
  };
  const DateCase dates[] = {
      {20, 12, 2004, "12/20/2004", "20/12/2004"},
      {1, 2, 1800, "2/1/1800", "1/2/1800"},
      {0, 0, 0, "0/0/0", "0/0/0"},
  };
  for (ClockStyle style : {ClockStyle::TwelveHour, ClockStyle::TwentyFourHour}) {
    SetClockStyle(style);
    bool twelve = style == ClockStyle::TwelveHour;
    for (const TimeCase& c : times) {
      EXPECT_EQ(FormatTime(c.hour, c.minute, c.half), twelve ? c.twelve : c.twentyFour);
      TimeValue value{uint32_t(c.hour), uint32_t(c.minute), 0, uint32_t(c.half)};
      EXPECT_EQ(FormatTime(value), twelve ? c.twelve : c.twentyFour);
    }
    for (const DateCase& c : dates) {
      EXPECT_EQ(FormatDate(c.day, c.month, c.year), twelve ? c.twelve : c.twentyFour);
      DateValue value{uint32_t(c.day), uint32_t(c.month), uint32_t(c.year)};
      EXPECT_EQ(FormatDate(value), twelve ? c.twelve : c.twentyFour);
    }
  }
}

TEST(IsoDateTest, WriteAndParse) {
  EXPECT_EQ(IsoDate({20, 12, 2004}), "2004-12-20");
  EXPECT_EQ(IsoDate({1, 1, 1800}), "1800-01-01");
  EXPECT_EQ(IsoDate({}), "0000-00-00");
  EXPECT_EQ(IsoDate({30, 2, 2004}), "2004-02-30");  // stored invalid dates still show their numbers

  struct Case {
    const char* text;
    bool ok;
    DateValue date;
  };
  const Case cases[] = {
      {"2004-12-20", true, {20, 12, 2004}},
      {"1800-01-01", true, {1, 1, 1800}},
      {"2199-12-31", true, {31, 12, 2199}},
      {"2004-02-29", true, {29, 2, 2004}},
      {"2003-02-29", false, {}},
      {"1799-12-31", false, {}},
      {"2200-01-01", false, {}},
      {"0000-00-00", false, {}},
      {"2004-1-20", false, {}},
      {"2004/12/20", false, {}},
      {"2004-12-20 ", false, {}},
      {"+004-12-20", false, {}},
      {"2004-12-2x", false, {}},
      {"", false, {}},
  };
  for (const Case& c : cases) {
    DateValue date{9, 9, 1999};
    EXPECT_EQ(ParseIsoDate(c.text, date), c.ok) << c.text;
    const DateValue expected = c.ok ? c.date : DateValue{9, 9, 1999};
    EXPECT_EQ(date, expected) << c.text;
    if (c.ok) {
      EXPECT_EQ(IsoDate(date), c.text);
    }
  }
}

TEST(IsoTimeTest, WriteAndParse) {
  struct Case {
    const char* text;
    TimeValue time;
  };
  const Case cases[] = {
      {"00:00", {0, 0, 0, kHalfAm}},
      {"09:05", {9, 5, 0, kHalfAm}},
      {"11:59", {11, 59, 0, kHalfAm}},
      {"12:00", {0, 0, 0, kHalfPm}},
      {"13:30", {1, 30, 0, kHalfPm}},
      {"23:55", {11, 55, 0, kHalfPm}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsoTime(c.time), c.text);
    TimeValue parsed{7, 7, 7, kHalfAm};
    ASSERT_TRUE(ParseIsoTime(c.text, parsed)) << c.text;
    EXPECT_EQ(parsed, c.time) << c.text;
  }
  EXPECT_EQ(IsoTime({10, 59, 30, kHalfAm}), "10:59");  // seconds are not shown
  for (const char* bad : {"24:00", "12:60", "9:05", "09:5", "09-05", "09:05:00", "ab:cd", ""}) {
    TimeValue untouched{7, 7, 7, kHalfAm};
    EXPECT_FALSE(ParseIsoTime(bad, untouched)) << bad;
    EXPECT_EQ(untouched, (TimeValue{7, 7, 7, kHalfAm}));
  }
}

}  // namespace
}  // namespace velmora
