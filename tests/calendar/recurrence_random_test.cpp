// The fast recurrence tests against the step-by-step reference, on a large
// table of generated series and queries (fixed seeds, so every run checks
// the same cases) and on exhaustive grids of weekday masks, pattern days and
// intervals.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "calendar/model/Recurrence.h"
#include "tests/calendar/CalendarTestSupport.h"

namespace velmora {
namespace {

using test::D;

class Agreement {
 public:
  void Check(const RepeatBlock& block, const DateValue& event, const DateValue& from, const DateValue& to) {
    ++cases_;
    bool fast = RepeatOccursWithin(block, event, from, to);
    bool slow = reference::OccursWithin(block, event, from, to);
    if (slow) ++occurring_;
    if (fast == slow) return;
    if (++failures_ <= 20) {
      ADD_FAILURE() << "kind " << int(block.kind) << " every " << block.interval << " pattern " << block.pattern
                    << " end " << IsoDate(block.end) << " (" << block.end.day << "/" << block.end.month << "/"
                    << block.end.year << ") event " << IsoDate(event) << " query " << IsoDate(from) << " .. "
                    << IsoDate(to) << ": fast " << fast << ", reference " << slow;
    }
  }
  size_t cases() const { return cases_; }
  size_t failures() const { return failures_; }
  // A table that hardly ever (or almost always) occurs would prove little.
  void ExpectBalanced(size_t minPercent = 10) const {
    EXPECT_GT(occurring_ * 100, cases_ * minPercent) << occurring_ << " of " << cases_ << " cases occur";
    EXPECT_LT(occurring_ * 100, cases_ * (100 - minPercent)) << occurring_ << " of " << cases_ << " cases occur";
  }

 private:
  size_t cases_ = 0;
  size_t occurring_ = 0;
  size_t failures_ = 0;
};

DateValue FromDay(int32_t day) {
  DateValue d;
  if (!DateFromDayNumber(day, d)) return D(0, 0, 0);  // beyond the range: invalid
  return d;
}

class Generator {
 public:
  explicit Generator(uint64_t seed) : rng_(seed) {}

  int64_t Uniform(int64_t lo, int64_t hi) { return std::uniform_int_distribution<int64_t>(lo, hi)(rng_); }
  bool Chance(int percent) { return Uniform(1, 100) <= percent; }

  int32_t EventDay() {
    const int32_t first = FirstDayNumber(), last = LastDayNumber();
    switch (Uniform(0, 9)) {
      case 0: return int32_t(first + Uniform(0, 40));  // the first weeks of the range
      case 1: return int32_t(last - Uniform(0, 400));  // the last year of the range
      case 2: {  // 29 February, month ends
        int64_t year = Uniform(1800, 2198);
        if (Chance(50)) {
          year -= year % 4;
          if (year < 1800) year = 1804;
          int32_t d = DayNumber(year, 2, 29);
          return d != kInvalidDayNumber ? d : DayNumber(year, 2, 28);
        }
        int64_t month = Uniform(1, 12);
        return DayNumber(year, month, MonthLength(year, month));
      }
      case 3: return int32_t(Uniform(first, last));
      default: return int32_t(Uniform(DayNumber(1995, 1, 1), DayNumber(2035, 12, 31)));
    }
  }

  uint32_t Interval() {
    switch (Uniform(0, 9)) {
      case 0: return 0;
      case 1: return uint32_t(Uniform(100, 5000));  // damaged or foreign files
      case 2: return 1;
      default: return uint32_t(Uniform(1, 99));
    }
  }

  DateValue End(int32_t eventDay) {
    switch (Uniform(0, 19)) {
      case 0: case 1: case 2: case 3: return kNoEndDate;
      case 4: return D(0, 0, 0);
      case 5: return D(31, 2, 2004);
      case 6: return FromDay(eventDay - int32_t(Uniform(1, 400)));  // before the event
      case 7: return FromDay(eventDay);
      case 8: return FromDay(int32_t(Uniform(eventDay, LastDayNumber())));
      default: return FromDay(eventDay + int32_t(Uniform(0, 3000)));
    }
  }

  uint32_t Pattern(uint8_t kind, const DateValue& event) {
    switch (kind) {
      case 2: return Chance(5) ? uint32_t(Uniform(0, 1023)) : uint32_t(Uniform(0, 127));
      case 4:
        if (Chance(50)) return event.day;
        return Chance(5) ? uint32_t(Uniform(0, 40)) : uint32_t(Uniform(1, 31));
      case 5: {
        if (Chance(50)) return event.month * 65536 + event.day;
        if (Chance(10)) return 2 * 65536 + 29;
        if (Chance(5)) return uint32_t(Uniform(0, 14)) * 65536 + uint32_t(Uniform(0, 33));
        return uint32_t(Uniform(1, 12)) * 65536 + uint32_t(Uniform(1, 31));
      }
      case 1: return 0;
      default: return uint32_t(Uniform(0, 100));
    }
  }

  uint8_t Kind() {
    static constexpr uint8_t kKinds[] = {1, 2, 4, 5, 1, 2, 4, 5, 1, 2, 4, 5, 0, 3};
    return kKinds[Uniform(0, 13)];
  }

  // A query range placed against the series start..end: inside, across
  // either end, containing it, before or after it, one day, or reversed.
  std::pair<DateValue, DateValue> Query(int32_t start, int32_t end) {
    const int32_t first = FirstDayNumber(), last = LastDayNumber();
    if (end == kInvalidDayNumber || end < start) end = start + int32_t(Uniform(0, 2000));
    int32_t from = start, to = start;
    switch (Uniform(0, 11)) {
      case 0: case 1: case 2:
        from = int32_t(Uniform(start, std::max(start, end)));
        to = from + int32_t(Uniform(0, Chance(50) ? 10 : 400));
        break;
      case 3: from = start - int32_t(Uniform(0, 50)); to = start + int32_t(Uniform(0, 50)); break;
      case 4: from = end - int32_t(Uniform(0, 50)); to = end + int32_t(Uniform(0, 50)); break;
      case 5: from = start - int32_t(Uniform(0, 3000)); to = end + int32_t(Uniform(0, 3000)); break;
      case 6: to = start - int32_t(Uniform(1, 200)); from = to - int32_t(Uniform(0, 200)); break;
      case 7: from = end + int32_t(Uniform(1, 200)); to = from + int32_t(Uniform(0, 200)); break;
      case 8: from = to = int32_t(Uniform(start, start + 800)); break;
      case 9: from = start + int32_t(Uniform(0, 400)); to = from - int32_t(Uniform(1, 5)); break;
      case 10: from = int32_t(Uniform(first, last)); to = from + int32_t(Uniform(0, 60)); break;
      default: from = first + int32_t(Uniform(-2, 3)); to = last - int32_t(Uniform(-2, 3)); break;
    }
    DateValue f = FromDay(from), t = FromDay(to);
    if (Chance(2)) f = D(31, 4, 2004);  // invalid query date
    return {f, t};
  }

 private:
  std::mt19937_64 rng_;
};

TEST(RecurrenceAgreement, RandomSeriesAndQueries) {
  Agreement agreement;
  Generator gen(20040229);
  for (int i = 0; i < 250000; ++i) {
    const int32_t eventDay = gen.EventDay();
    const DateValue event = FromDay(eventDay);
    RepeatBlock block;
    block.kind = gen.Kind();
    block.interval = gen.Interval();
    block.end = gen.End(eventDay);
    block.pattern = gen.Pattern(block.kind, event);
    const int32_t end = RepeatEndDayNumber(block.end);
    for (int q = 0; q < 3; ++q) {
      auto [from, to] = gen.Query(eventDay, end);
      agreement.Check(block, event, from, to);
    }
  }
  EXPECT_EQ(agreement.failures(), 0u) << "of " << agreement.cases() << " cases";
  agreement.ExpectBalanced();
}

// Every weekday mask with every interval, from an event date on each
// weekday, against windows on both sides of an end date.
TEST(RecurrenceAgreement, EveryWeekdayMaskAndInterval) {
  Agreement agreement;
  Generator gen(7);
  for (uint32_t mask = 0; mask < 128; ++mask) {
    for (uint32_t interval = 1; interval <= 99; ++interval) {
      const int32_t eventDay = DayNumber(2004, 1, 4) + int32_t((mask + interval) % 7);
      const DateValue event = FromDay(eventDay);
      const RepeatBlock block{2, (interval % 3 == 0) ? kNoEndDate : FromDay(eventDay + int32_t(interval * 7 * 3 + 3)),
                              interval, mask};
      for (int q = 0; q < 4; ++q) {
        const int32_t from = eventDay + int32_t(gen.Uniform(-10, int64_t(interval) * 7 * 4));
        const int32_t length = int32_t(gen.Uniform(0, q < 2 ? 6 : int64_t(interval) * 7));
        agreement.Check(block, event, FromDay(from), FromDay(from + length));
      }
    }
  }
  EXPECT_EQ(agreement.failures(), 0u) << "of " << agreement.cases() << " cases";
  agreement.ExpectBalanced();
}

// Every pattern day with every interval, from each month of a leap year,
// the year before a century that is not a leap year, and its leap successor.
TEST(RecurrenceAgreement, EveryPatternDayAndInterval) {
  Agreement agreement;
  Generator gen(31);
  for (int64_t year : {2004, 2099}) {
    for (uint32_t month = 1; month <= 12; ++month) {
      for (uint32_t day = 1; day <= 31; ++day) {
        for (uint32_t interval = 1; interval <= 99; interval += (interval < 13 ? 1 : 7)) {
          const DateValue event = D(uint32_t(std::min(int(day), MonthLength(year, month))), month, uint32_t(year));
          const int32_t eventDay = DayNumber(event);
          const RepeatBlock monthly{4, kNoEndDate, interval, day};
          const RepeatBlock yearly{5, FromDay(eventDay + 365 * 40), interval, month * 65536 + day};
          for (int q = 0; q < 2; ++q) {
            const int32_t from = eventDay + int32_t(gen.Uniform(0, int64_t(interval) * 31 * 14));
            const int32_t length = int32_t(gen.Uniform(0, q == 0 ? 3 : int64_t(interval) * 31));
            agreement.Check(monthly, event, FromDay(from), FromDay(from + length));
            const int32_t yfrom = eventDay + int32_t(gen.Uniform(0, int64_t(interval) * 366 * 5));
            const int32_t ylength = int32_t(gen.Uniform(0, q == 0 ? 3 : int64_t(interval) * 366));
            agreement.Check(yearly, event, FromDay(yfrom), FromDay(yfrom + ylength));
          }
        }
      }
    }
  }
  EXPECT_EQ(agreement.failures(), 0u) << "of " << agreement.cases() << " cases";
  agreement.ExpectBalanced();
}

// Single days, one after the other: what the views ask.
TEST(RecurrenceAgreement, DayByDayAroundLeapDaysAndEndDates) {
  Agreement agreement;
  Generator gen(1800);
  for (int i = 0; i < 1500; ++i) {
    const int32_t eventDay = gen.EventDay();
    const DateValue event = FromDay(eventDay);
    RepeatBlock block{gen.Kind(), gen.End(eventDay), uint32_t(gen.Uniform(0, 3)), 0};
    block.pattern = gen.Pattern(block.kind, event);
    const int32_t start = eventDay - 3 + int32_t(gen.Uniform(0, 200));
    for (int32_t day = start; day < start + 120; ++day) agreement.Check(block, event, FromDay(day), FromDay(day));
  }
  EXPECT_EQ(agreement.failures(), 0u) << "of " << agreement.cases() << " cases";
  agreement.ExpectBalanced(5);  // single days of sparse series rarely hit
}

}  // namespace
}  // namespace velmora
