// Recurrence: the worked examples, the date steps and the range check.
#include <gtest/gtest.h>

#include "calendar/model/Recurrence.h"
#include "calendar/model/RepeatChoices.h"
#include "tests/calendar/CalendarTestSupport.h"

namespace velmora {
namespace {

using test::D;

struct OccurrenceCase {
  const char* what;
  RepeatBlock block;
  DateValue eventDate;
  DateValue from;
  DateValue to;
  bool occurs;
};

constexpr uint32_t kSun = 1, kMon = 2, kThu = 16, kFri = 32;

class OccurrenceExamples : public ::testing::TestWithParam<OccurrenceCase> {};

TEST_P(OccurrenceExamples, Answer) {
  const OccurrenceCase& c = GetParam();
  EXPECT_EQ(RepeatOccursWithin(c.block, c.eventDate, c.from, c.to), c.occurs) << c.what;
  EXPECT_EQ(reference::OccursWithin(c.block, c.eventDate, c.from, c.to), c.occurs) << "reference: " << c.what;
}

const RepeatBlock kEvery3Days{1, kNoEndDate, 3, 0};
const RepeatBlock kFortnightMonThu{2, kNoEndDate, 2, kMon | kThu};
const RepeatBlock kFridaysToWed14Jan{2, D(14, 1, 2004), 1, kFri};
const RepeatBlock kMonthly31st{4, kNoEndDate, 1, 31};
const RepeatBlock kMonthly15th{4, kNoEndDate, 1, 15};
const RepeatBlock kMonthly15thTo30Dec2020{4, D(30, 12, 2020), 1, 15};
const RepeatBlock kYearly29Feb{5, kNoEndDate, 1, 2 * 65536 + 29};
const RepeatBlock kEvery3Years29Feb{5, kNoEndDate, 3, 2 * 65536 + 29};
const RepeatBlock kDaily1To10Mar{1, D(10, 3, 2004), 1, 0};
const RepeatBlock kDailyInterval0{1, kNoEndDate, 0, 0};
const RepeatBlock kWeeklyInterval0{2, kNoEndDate, 0, kSun};
const RepeatBlock kMonthlyInterval0{4, kNoEndDate, 0, 5};
const RepeatBlock kYearlyInterval0{5, kNoEndDate, 0, 3 * 65536 + 5};
const RepeatBlock kWeeklyThursday{2, kNoEndDate, 1, kThu};
// Only Februaries, and seven of them without a 29th from 2097 on.
const RepeatBlock kYearlyOn29thMonthly{4, kNoEndDate, 12, 29};

INSTANTIATE_TEST_SUITE_P(
    Examples, OccurrenceExamples,
    ::testing::Values(
        OccurrenceCase{"every 3 days: 5 March", kEvery3Days, D(2, 3, 2004), D(5, 3, 2004), D(5, 3, 2004), true},
        OccurrenceCase{"every 3 days: not 4 March", kEvery3Days, D(2, 3, 2004), D(4, 3, 2004), D(4, 3, 2004), false},
        OccurrenceCase{"every 3 days: not before the event", kEvery3Days, D(2, 3, 2004), D(1, 3, 2004),
                       D(1, 3, 2004), false},
        OccurrenceCase{"fortnightly: Thursday 8 January", kFortnightMonThu, D(7, 1, 2004), D(8, 1, 2004),
                       D(8, 1, 2004), true},
        OccurrenceCase{"fortnightly: not Monday 5 January (before the event)", kFortnightMonThu, D(7, 1, 2004),
                       D(5, 1, 2004), D(5, 1, 2004), false},
        OccurrenceCase{"fortnightly: Monday 19 January", kFortnightMonThu, D(7, 1, 2004), D(19, 1, 2004),
                       D(19, 1, 2004), true},
        OccurrenceCase{"fortnightly: not Monday 12 January", kFortnightMonThu, D(7, 1, 2004), D(12, 1, 2004),
                       D(12, 1, 2004), false},
        OccurrenceCase{"weekly: the Friday before the end", kFridaysToWed14Jan, D(2, 1, 2004), D(9, 1, 2004),
                       D(9, 1, 2004), true},
        OccurrenceCase{"weekly: no Friday after the end date", kFridaysToWed14Jan, D(2, 1, 2004), D(16, 1, 2004),
                       D(16, 1, 2004), false},
        OccurrenceCase{"31st: 31 March", kMonthly31st, D(31, 1, 2004), D(31, 3, 2004), D(31, 3, 2004), true},
        OccurrenceCase{"31st: nothing in February", kMonthly31st, D(31, 1, 2004), D(1, 2, 2004), D(29, 2, 2004),
                       false},
        OccurrenceCase{"31st: nothing in April", kMonthly31st, D(31, 1, 2004), D(1, 4, 2004), D(30, 4, 2004), false},
        OccurrenceCase{"31st: nothing in June", kMonthly31st, D(31, 1, 2004), D(1, 6, 2004), D(30, 6, 2004), false},
        OccurrenceCase{"31st: nothing in September", kMonthly31st, D(31, 1, 2004), D(1, 9, 2004), D(30, 9, 2004),
                       false},
        OccurrenceCase{"31st: nothing in November", kMonthly31st, D(31, 1, 2004), D(1, 11, 2004), D(30, 11, 2004),
                       false},
        OccurrenceCase{"monthly: 15 December 2020", kMonthly15th, D(15, 1, 2020), D(15, 12, 2020), D(15, 12, 2020),
                       true},
        OccurrenceCase{"monthly without end date runs past 2020", kMonthly15th, D(15, 1, 2020), D(15, 3, 2021),
                       D(15, 3, 2021), true},
        OccurrenceCase{"monthly without end date: still only the 15th", kMonthly15th, D(15, 1, 2020),
                       D(14, 3, 2021), D(14, 3, 2021), false},
        OccurrenceCase{"monthly with a real end in 2020: nothing in 2021", kMonthly15thTo30Dec2020, D(15, 1, 2020),
                       D(1, 1, 2021), D(31, 12, 2021), false},
        OccurrenceCase{"monthly without end date: runs to 2199", kMonthly15th, D(15, 1, 2020), D(15, 12, 2199),
                       D(15, 12, 2199), true},
        OccurrenceCase{"query after the last valid date", kMonthly15th, D(15, 1, 2020), D(15, 1, 2200),
                       D(15, 1, 2200), false},
        OccurrenceCase{"29 February: 2004", kYearly29Feb, D(29, 2, 2004), D(29, 2, 2004), D(29, 2, 2004), true},
        OccurrenceCase{"29 February: not 28 February 2005", kYearly29Feb, D(29, 2, 2004), D(28, 2, 2005),
                       D(28, 2, 2005), false},
        OccurrenceCase{"29 February: nothing in 2005", kYearly29Feb, D(29, 2, 2004), D(1, 1, 2005), D(31, 12, 2005),
                       false},
        OccurrenceCase{"29 February: again in 2008", kYearly29Feb, D(29, 2, 2004), D(29, 2, 2008), D(29, 2, 2008),
                       true},
        OccurrenceCase{"29 February: not in 2100", kYearly29Feb, D(29, 2, 2004), D(1, 1, 2100), D(31, 12, 2100),
                       false},
        OccurrenceCase{"29 February every 3 years: not 2008", kEvery3Years29Feb, D(29, 2, 2004), D(29, 2, 2008),
                       D(29, 2, 2008), false},
        OccurrenceCase{"29 February every 3 years: 2016", kEvery3Years29Feb, D(29, 2, 2004), D(29, 2, 2016),
                       D(29, 2, 2016), true},
        OccurrenceCase{"a whole year that contains the series", kDaily1To10Mar, D(1, 3, 2004), D(1, 1, 2004),
                       D(31, 12, 2004), true},
        OccurrenceCase{"a range that ends before the series", kDaily1To10Mar, D(1, 3, 2004), D(1, 1, 2004),
                       D(29, 2, 2004), false},
        OccurrenceCase{"a range that starts after the series", kDaily1To10Mar, D(1, 3, 2004), D(11, 3, 2004),
                       D(31, 12, 2004), false},
        OccurrenceCase{"interval 0 daily counts as 1", kDailyInterval0, D(2, 3, 2004), D(3, 3, 2004), D(3, 3, 2004),
                       true},
        OccurrenceCase{"interval 0 weekly counts as 1", kWeeklyInterval0, D(7, 1, 2004), D(11, 1, 2004),
                       D(11, 1, 2004), true},
        OccurrenceCase{"interval 0 monthly counts as 1", kMonthlyInterval0, D(5, 1, 2004), D(5, 2, 2004),
                       D(5, 2, 2004), true},
        OccurrenceCase{"interval 0 yearly counts as 1", kYearlyInterval0, D(5, 3, 2004), D(5, 3, 2005),
                       D(5, 3, 2005), true},
        // 1 January 1800 was a Wednesday: the week of a series that starts on
        // Thursday 2 January 1800 begins before the first valid date.
        OccurrenceCase{"weekly near the start of the range", kWeeklyThursday, D(2, 1, 1800), D(2, 1, 1800),
                       D(2, 1, 1800), true},
        OccurrenceCase{"weekly near the start of the range: the next Thursday", kWeeklyThursday, D(2, 1, 1800),
                       D(9, 1, 1800), D(9, 1, 1800), true},
        OccurrenceCase{"weekly near the start of the range: not Sunday", kWeeklyThursday, D(2, 1, 1800),
                       D(5, 1, 1800), D(5, 1, 1800), false},
        OccurrenceCase{"29th every 12 months: the first leap year after 2100", kYearlyOn29thMonthly,
                       D(28, 2, 2097), D(1, 1, 2097), D(29, 2, 2104), true},
        OccurrenceCase{"29th every 12 months: none before 2104", kYearlyOn29thMonthly, D(28, 2, 2097),
                       D(1, 1, 2097), D(28, 2, 2104), false},
        OccurrenceCase{"kind 3 never occurs", RepeatBlock{3, kNoEndDate, 1, 0}, D(2, 3, 2004), D(2, 3, 2004),
                       D(2, 3, 2004), false},
        OccurrenceCase{"an invalid end date never occurs", RepeatBlock{1, D(31, 2, 2004), 1, 0}, D(2, 2, 2004),
                       D(2, 2, 2004), D(2, 2, 2004), false},
        OccurrenceCase{"an invalid query date never holds one", kEvery3Days, D(2, 3, 2004), D(0, 0, 0),
                       D(5, 3, 2004), false}));

TEST(OneOffEvent, OccursOnItsDateOnly) {
  EventRecord e;
  e.setEventDate(D(10, 5, 2004));
  EXPECT_TRUE(OccursOn(e, D(10, 5, 2004)));
  EXPECT_FALSE(OccursOn(e, D(11, 5, 2004)));
  EXPECT_TRUE(OccursWithin(e, D(1, 5, 2004), D(31, 5, 2004)));
  EXPECT_FALSE(OccursWithin(e, D(11, 5, 2004), D(31, 5, 2004)));
  e.setEventDate(D(0, 0, 0));
  EXPECT_FALSE(OccursWithin(e, D(1, 1, 1800), D(31, 12, 2199)));
}

TEST(DateSteps, WeeksStopAtTheEndsOfTheRange) {
  struct Case {
    DateValue date, next, previous;
  } cases[] = {
      {D(7, 1, 2004), D(14, 1, 2004), D(31, 12, 2003)},
      {D(26, 2, 2004), D(4, 3, 2004), D(19, 2, 2004)},
      {D(3, 1, 1800), D(10, 1, 1800), D(1, 1, 1800)},
      {D(28, 12, 2199), D(31, 12, 2199), D(21, 12, 2199)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NextWeek(c.date), c.next) << IsoDate(c.date);
    EXPECT_EQ(PreviousWeek(c.date), c.previous) << IsoDate(c.date);
  }
  EXPECT_EQ(NextWeek(D(31, 2, 2004)), D(31, 2, 2004));
}

TEST(DateSteps, PreviousDayCrossesYearsAndStopsAtTheStart) {
  DateValue d = D(1, 1, 2005);
  ASSERT_TRUE(PreviousDay(d));
  EXPECT_EQ(d, D(31, 12, 2004));
  d = D(1, 3, 2004);
  ASSERT_TRUE(PreviousDay(d));
  EXPECT_EQ(d, D(29, 2, 2004));
  d = D(1, 1, 1800);
  EXPECT_FALSE(PreviousDay(d));
  EXPECT_EQ(d, D(1, 1, 1800));
}

TEST(DateSteps, Comparisons) {
  EXPECT_EQ(CompareDates(D(1, 3, 2004), D(29, 2, 2004)), 1);
  EXPECT_EQ(CompareDates(D(29, 2, 2004), D(1, 3, 2004)), -1);
  EXPECT_EQ(CompareDates(D(30, 2, 2004), D(0, 0, 0)), 0);  // both invalid
  EXPECT_EQ(CompareDates(D(0, 0, 0), D(1, 1, 1800)), -1);
  EXPECT_EQ(CompareTimes(TimeValue{0, 0, 0, 2}, TimeValue{11, 55, 0, 1}), 1);  // noon after 11:55 am
  EXPECT_EQ(CompareTimes(TimeValue{9, 3, 0, 1}, TimeValue{9, 0, 30, 1}), 0);   // same five-minute slot
}

TEST(RangeCheck, SeriesAndQueryOverlap) {
  struct Case {
    int32_t start, end, from, to;
    bool inside;
  } cases[] = {
      {10, 20, 12, 14, true},   // within
      {10, 20, 5, 10, true},    // across the start
      {10, 20, 20, 30, true},   // across the end
      {10, 20, 0, 100, true},   // containing the series
      {10, 20, 0, 9, false},    // before
      {10, 20, 21, 30, false},  // after
      {20, 10, 12, 14, false},  // end before start
      {10, 20, kInvalidDayNumber, 14, false},
      {10, kInvalidDayNumber, 12, 14, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RangeMeetsSeries(c.start, c.end, c.from, c.to), c.inside)
        << c.start << ".." << c.end << " / " << c.from << ".." << c.to;
  }
}

TEST(FirstOccurrence, WalksASeriesDayByDay) {
  // Monthly on the 31st: January, March, May, July, August, ...
  const int32_t start = DayNumber(D(31, 1, 2004));
  std::vector<DateValue> got;
  for (int32_t day = FirstOccurrenceFrom(kMonthly31st, start, start); got.size() < 5;
       day = FirstOccurrenceFrom(kMonthly31st, start, day + 1)) {
    DateValue d;
    ASSERT_TRUE(DateFromDayNumber(day, d));
    got.push_back(d);
  }
  EXPECT_EQ(got, (std::vector<DateValue>{D(31, 1, 2004), D(31, 3, 2004), D(31, 5, 2004), D(31, 7, 2004),
                                         D(31, 8, 2004)}));
}

}  // namespace
}  // namespace velmora
