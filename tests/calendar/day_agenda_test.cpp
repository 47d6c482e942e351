// The events of each day: the single pass over a range against one query
// per day, the order within a day and the filters.
#include <gtest/gtest.h>

#include <random>

#include "calendar/model/DayAgenda.h"
#include "calendar/model/Recurrence.h"
#include "tests/calendar/CalendarTestSupport.h"

namespace velmora {
namespace {

using test::At;
using test::D;

std::vector<RecordPosition> DayQuery(RecordStore& store, const DateValue& day, const EventFilter& filter) {
  RecordQuery query;
  Result ran = QueryDayEvents(store, day, filter, query);
  EXPECT_TRUE(ran.ok()) << ran.Message();
  return query.positions();
}

void ExpectAgendaEqualsDayQueries(RecordStore& store, const DateValue& from, const DateValue& to,
                                  const EventFilter& filter, size_t* occurrences = nullptr) {
  DayAgenda agenda;
  Result loaded = LoadDayAgenda(store, from, to, filter, agenda);
  ASSERT_TRUE(loaded.ok()) << loaded.Message();
  ASSERT_EQ(agenda.dayCount(), size_t(DayNumber(to) - DayNumber(from) + 1));
  for (size_t day = 0; day < agenda.dayCount(); ++day) {
    const DateValue date = agenda.DateAt(day);
    EXPECT_EQ(agenda.PositionsOn(day), DayQuery(store, date, filter)) << IsoDate(date);
    for (uint32_t index : agenda.EventsOn(day)) EXPECT_TRUE(OccursOn(agenda.event(index), date));
    if (occurrences) *occurrences += agenda.EventsOn(day).size();
  }
}

// A file of mixed events around January and February 2004: one-off, daily,
// weekly, monthly and yearly series, some deleted, some confidential, in a
// few categories, many at the same times so that ties occur.
void FillRandomCalendar(test::TempCalendar& cal, int count) {
  std::mt19937 rng(42);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const char* categories[] = {"", "Meetings", "meetings", "Personal", "Travel"};
  const int32_t base = DayNumber(D(1, 1, 2004));
  for (int i = 0; i < count; ++i) {
    DateValue date;
    DateFromDayNumber(base + pick(-500, 80), date);
    EventRecord e = cal.Make(date, "Event " + std::to_string(i) + (pick(0, 3) == 0 ? " budget" : ""),
                             At(pick(7, 10), 15 * pick(0, 1)), At(11, 0), pick(0, 5) == 0);
    e.setCategory(categories[pick(0, 4)]);
    e.setConfidential(pick(0, 9) == 0);
    DateValue end;
    DateFromDayNumber(DayNumber(date) + pick(0, 400), end);
    if (pick(0, 4) == 0) end = kNoEndDate;
    switch (pick(0, 5)) {
      case 0: e.setRepeat(RepeatBlock{1, end, uint32_t(pick(0, 5)), 0}); break;
      case 1: e.setRepeat(RepeatBlock{2, end, uint32_t(pick(1, 3)), uint32_t(pick(1, 127))}); break;
      case 2: e.setRepeat(RepeatBlock{4, end, uint32_t(pick(1, 2)), uint32_t(pick(1, 31))}); break;
      case 3: e.setRepeat(RepeatBlock{5, end, 1, date.month * 65536 + date.day}); break;
      default: break;
    }
    RecordPosition at = cal.Add(e);
    if (pick(0, 19) == 0) {
      ASSERT_TRUE(cal.store().DeleteRecord(at).ok());
    }
  }
}

TEST(DayAgenda, EqualsOneQueryPerDay) {
  test::TempCalendar cal;
  FillRandomCalendar(cal, 400);
  size_t occurrences = 0;
  ExpectAgendaEqualsDayQueries(cal.store(), D(20, 12, 2003), D(29, 2, 2004), EventFilter{}, &occurrences);
  EXPECT_GT(occurrences, 500u);  // the range is well populated
  ExpectAgendaEqualsDayQueries(cal.store(), D(20, 12, 2003), D(29, 2, 2004), EventFilter{"Meetings", false, ""});
  ExpectAgendaEqualsDayQueries(cal.store(), D(1, 1, 2004), D(31, 1, 2004), EventFilter{"", true, "BUDGET"});
  ExpectAgendaEqualsDayQueries(cal.store(), D(15, 1, 2004), D(15, 1, 2004), EventFilter{});
}

TEST(DayAgenda, EqualsOneQueryPerDayWithoutConfidentialRecords) {
  test::TempCalendar cal;
  FillRandomCalendar(cal, 200);
  cal.SetPasswords("own", "asst", "read");
  RecordStore reader(cal.path(), "read");
  ASSERT_EQ(reader.GetAccessLevel(), kAccessReader);
  DayAgenda agenda;
  ASSERT_TRUE(LoadDayAgenda(reader, D(1, 1, 2004), D(31, 1, 2004), EventFilter{}, agenda).ok());
  for (uint32_t i = 0; i < agenda.eventCount(); ++i) EXPECT_FALSE(agenda.event(i).confidential());
  ExpectAgendaEqualsDayQueries(reader, D(1, 1, 2004), D(31, 1, 2004), EventFilter{});
}

TEST(DayAgenda, OneDayIsOrderedByAllDayThenStartTime) {
  test::TempCalendar cal;
  EventRecord weekly = cal.Make(D(5, 1, 2003), "weekly meeting", At(10, 0), At(11, 0));
  weekly.setRepeat(RepeatBlock{2, kNoEndDate, 1, 2});  // Mondays
  const RecordPosition meeting = cal.Add(weekly);
  const RecordPosition dentist = cal.Add(cal.Make(D(5, 1, 2004), "dentist", At(8, 0), At(9, 0)));
  const RecordPosition holiday = cal.Add(cal.Make(D(5, 1, 2004), "holiday", At(23, 0), At(23, 0), true));
  const RecordPosition noon = cal.Add(cal.Make(D(5, 1, 2004), "lunch", At(12, 0), At(13, 0)));
  const RecordPosition before = cal.Add(cal.Make(D(5, 1, 2004), "coffee", At(11, 55), At(12, 0)));
  const std::vector<RecordPosition> expected{holiday, dentist, meeting, before, noon};
  EXPECT_EQ(DayQuery(cal.store(), D(5, 1, 2004), EventFilter{}), expected);
  DayAgenda agenda;
  ASSERT_TRUE(LoadDayAgenda(cal.store(), D(4, 1, 2004), D(6, 1, 2004), EventFilter{}, agenda).ok());
  EXPECT_EQ(agenda.PositionsOn(1), expected);
  EXPECT_TRUE(agenda.PositionsOn(0).empty());
}

TEST(DayAgenda, CategoryFilterHidesOtherCategoriesSeries) {
  test::TempCalendar cal;
  EventRecord daily = cal.Make(D(1, 1, 2004), "standup");
  daily.setRepeat(RepeatBlock{1, kNoEndDate, 1, 0});
  daily.setCategory("Projects");
  cal.Add(daily);
  EventRecord meeting = cal.Make(D(7, 1, 2004), "review");
  meeting.setCategory("MEETINGS");
  const RecordPosition review = cal.Add(meeting);
  DayAgenda agenda;
  ASSERT_TRUE(LoadDayAgenda(cal.store(), D(1, 1, 2004), D(31, 1, 2004), EventFilter{"Meetings", false, ""}, agenda)
                  .ok());
  for (size_t day = 0; day < agenda.dayCount(); ++day) {
    EXPECT_EQ(agenda.PositionsOn(day),
              day == 6 ? std::vector<RecordPosition>{review} : std::vector<RecordPosition>{})
        << day;
  }
}

TEST(DayAgenda, RefusesAnInvalidRange) {
  test::TempCalendar cal;
  DayAgenda agenda;
  EXPECT_FALSE(LoadDayAgenda(cal.store(), D(2, 1, 2004), D(1, 1, 2004), EventFilter{}, agenda).ok());
  EXPECT_FALSE(LoadDayAgenda(cal.store(), D(30, 2, 2004), D(1, 3, 2004), EventFilter{}, agenda).ok());
}

}  // namespace
}  // namespace velmora
