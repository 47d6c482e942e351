// Alarms: the due test, and the alarm check over a calendar file.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "calendar/model/Alarms.h"
#include "calendar/model/Recurrence.h"
#include "tests/calendar/CalendarTestSupport.h"

namespace velmora {
namespace {

using test::At;
using test::D;

EventRecord WithAlarm(EventRecord e, TimeValue time, uint32_t lead, DateValue reference) {
  e.setAlarmSet(true);
  e.setAlarmTime(time);
  e.setAlarmLead(lead);
  e.setAlarmReferenceDate(reference);
  return e;
}

TEST(AlarmDue, LeadOfOneDayAtNine) {
  EventRecord e;
  e.setEventDate(D(10, 5, 2004));
  e = WithAlarm(e, At(9, 0), 1, D(10, 5, 2004));
  EXPECT_EQ(AlarmDate(e), D(9, 5, 2004));
  struct Case {
    DateValue today;
    TimeValue now;  // already lowered to five minutes, as the check takes it
    bool due;
  } cases[] = {
      {D(8, 5, 2004), At(23, 55), false},
      {D(9, 5, 2004), At(8, 55), false},  // the check at 8:58
      {D(9, 5, 2004), At(9, 0), true},
      {D(9, 5, 2004), At(17, 0), true},
      {D(10, 5, 2004), At(0, 0), true},
      {D(1, 1, 2010), At(0, 0), true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsAlarmDue(e, AlarmMoment{c.today, c.now}), c.due) << IsoDate(c.today) << " " << IsoTime(c.now);
  }
}

TEST(AlarmDue, RepeatingEventsRingForTheirReferenceDate) {
  EventRecord e;
  e.setEventDate(D(5, 1, 2004));
  e.setStartTime(At(14, 0));
  e.setRepeat(RepeatBlock{2, kNoEndDate, 1, 2});
  e = WithAlarm(e, At(9, 0), 2, D(19, 1, 2004));
  EXPECT_EQ(AlarmOccurrence(e), D(19, 1, 2004));
  EXPECT_EQ(AlarmDate(e), D(17, 1, 2004));
  EXPECT_EQ(RingingTime(e), At(9, 0));
  e.setRepeat(RepeatBlock{});
  EXPECT_EQ(AlarmOccurrence(e), D(5, 1, 2004));
  EXPECT_EQ(RingingTime(e), At(14, 0));
}

TEST(AlarmDue, LeadBeforeTheFirstValidDateKeepsTheOccurrence) {
  EventRecord e;
  e.setEventDate(D(3, 1, 1800));
  e = WithAlarm(e, At(9, 0), 5, D(3, 1, 1800));
  EXPECT_EQ(AlarmDate(e), D(3, 1, 1800));
  e.setAlarmLead(2);
  EXPECT_EQ(AlarmDate(e), D(1, 1, 1800));
}

TEST(AlarmAdvance, NextOccurrenceOrDisarm) {
  EventRecord e;
  e.setEventDate(D(1, 3, 2004));
  e.setRepeat(RepeatBlock{1, D(3, 3, 2004), 1, 0});
  e = WithAlarm(e, At(9, 0), 0, D(2, 3, 2004));
  AdvanceRungAlarm(e, false);
  EXPECT_TRUE(e.alarmSet());
  EXPECT_EQ(e.alarmReferenceDate(), D(3, 3, 2004));
  AdvanceRungAlarm(e, false);  // the last occurrence before the end date rang
  EXPECT_FALSE(e.alarmSet());

  e = WithAlarm(e, At(9, 0), 0, D(1, 3, 2004));
  AdvanceRungAlarm(e, true);  // "Disable repeat alarm"
  EXPECT_FALSE(e.alarmSet());

  EventRecord oneOff;
  oneOff.setEventDate(D(1, 3, 2004));
  oneOff = WithAlarm(oneOff, At(9, 0), 0, D(1, 3, 2004));
  AdvanceRungAlarm(oneOff, false);
  EXPECT_FALSE(oneOff.alarmSet());
}

class AlarmCheck : public ::testing::Test {
 protected:
  // Rings every alarm, records its subject and occurrence, answers
  // "Disable repeat alarm" with disable.
  AlarmCheckOutcome Check(RecordStore& store, AlarmMoment moment, bool disable = false) {
    return RunAlarmCheck(store, moment, [&, disable](const EventRecord& e) {
      EXPECT_TRUE(AlarmRinging());
      rung.push_back(e.subject() + " " + IsoDate(AlarmOccurrence(e)));
      return disable;
    });
  }

  test::TempCalendar cal;
  std::vector<std::string> rung;
};

TEST_F(AlarmCheck, TwoDueAlarmsRingOnePerCheckEarliestFirst) {
  const AlarmMoment moment{D(10, 5, 2004), At(12, 0)};
  // The later reference date is first in the file.
  RecordPosition later = cal.Add(WithAlarm(cal.Make(D(9, 5, 2004), "later"), At(8, 0), 0, D(9, 5, 2004)));
  RecordPosition earlier = cal.Add(WithAlarm(cal.Make(D(8, 5, 2004), "earlier"), At(8, 0), 0, D(8, 5, 2004)));
  cal.Add(WithAlarm(cal.Make(D(11, 5, 2004), "tomorrow"), At(8, 0), 0, D(11, 5, 2004)));
  cal.Add(cal.Make(D(1, 5, 2004), "no alarm"));

  AlarmCheckOutcome first = Check(cal.store(), moment);
  EXPECT_TRUE(first.rang);
  EXPECT_TRUE(first.result.ok()) << first.result.Message();
  EXPECT_EQ(first.position, earlier);
  AlarmCheckOutcome second = Check(cal.store(), moment);  // Cancel disarms a one-off alarm all the same
  EXPECT_TRUE(second.rang);
  EXPECT_EQ(second.position, later);
  EXPECT_FALSE(Check(cal.store(), moment).rang);
  EXPECT_EQ(rung, (std::vector<std::string>{"earlier 2004-05-08", "later 2004-05-09"}));
  EXPECT_FALSE(cal.Read(earlier).alarmSet());
  EXPECT_FALSE(cal.Read(later).alarmSet());
  EXPECT_FALSE(cal.Read(earlier).bytes()[format::record::kEditLock]);
}

TEST_F(AlarmCheck, MissedWeeklyOccurrencesRingOnceAndMoveOnToTheNextToCome) {
  EventRecord weekly = cal.Make(D(5, 1, 2004), "weekly");  // Mondays
  weekly.setRepeat(RepeatBlock{2, kNoEndDate, 1, 2});
  RecordPosition at = cal.Add(WithAlarm(weekly, At(9, 0), 0, D(5, 1, 2004)));
  const AlarmMoment wednesday{D(21, 1, 2004), At(10, 0)};
  std::vector<DueOccurrences> rang;
  auto ring = [&](const RingingAlarm& alarm) {
    rang.push_back(alarm.occurrences);
    EXPECT_EQ(alarm.record.subject(), "weekly");
    return false;
  };
  EXPECT_TRUE(RunAlarmCheck(cal.store(), wednesday, ring).rang);
  EXPECT_FALSE(RunAlarmCheck(cal.store(), wednesday, ring).rang);  // nothing left to catch up
  ASSERT_EQ(rang.size(), 1u);
  EXPECT_EQ(rang[0].count, 3);
  EXPECT_EQ(rang[0].first, D(5, 1, 2004));
  EXPECT_EQ(rang[0].last, D(19, 1, 2004));
  EventRecord after = cal.Read(at);
  EXPECT_TRUE(after.alarmSet());
  EXPECT_EQ(after.alarmReferenceDate(), D(26, 1, 2004));
  // The next Monday at 9:00 it rings again, for that Monday alone.
  EXPECT_TRUE(RunAlarmCheck(cal.store(), AlarmMoment{D(26, 1, 2004), At(9, 0)}, ring).rang);
  ASSERT_EQ(rang.size(), 2u);
  EXPECT_EQ(rang[1].count, 1);
  EXPECT_EQ(rang[1].first, D(26, 1, 2004));
  EXPECT_EQ(cal.Read(at).alarmReferenceDate(), D(2, 2, 2004));
}

TEST_F(AlarmCheck, CatchingUpOneEventKeepsOneAlarmPerCheck) {
  EventRecord weekly = cal.Make(D(5, 1, 2004), "weekly");
  weekly.setRepeat(RepeatBlock{2, kNoEndDate, 1, 2});
  cal.Add(WithAlarm(weekly, At(9, 0), 0, D(5, 1, 2004)));
  cal.Add(WithAlarm(cal.Make(D(6, 1, 2004), "one-off"), At(9, 0), 0, D(6, 1, 2004)));
  const AlarmMoment moment{D(21, 1, 2004), At(10, 0)};
  for (int i = 0; i < 3; ++i) Check(cal.store(), moment);
  EXPECT_EQ(rung, (std::vector<std::string>{"weekly 2004-01-05", "one-off 2004-01-06"}));
}

TEST(AlarmCatchUp, DueOccurrencesOfARepeatingEvent) {
  struct Case {
    const char* what;
    uint32_t lead;
    DateValue end;
    AlarmMoment moment;
    int count;
    DateValue last;
    bool hasNext;
    DateValue next;
  } cases[] = {
      {"before the first alarm", 0, kNoEndDate, {D(5, 1, 2004), At(8, 55)}, 0, {}, false, {}},
      {"the first alarm on time", 0, kNoEndDate, {D(5, 1, 2004), At(9, 0)}, 1, D(5, 1, 2004), true, D(12, 1, 2004)},
      {"today's alarm still to come", 0, kNoEndDate, {D(26, 1, 2004), At(8, 55)}, 3, D(19, 1, 2004), true,
       D(26, 1, 2004)},
      {"today's alarm rung as well", 0, kNoEndDate, {D(26, 1, 2004), At(9, 0)}, 4, D(26, 1, 2004), true,
       D(2, 2, 2004)},
      {"a lead of two days", 2, kNoEndDate, {D(24, 1, 2004), At(9, 0)}, 4, D(26, 1, 2004), true, D(2, 2, 2004)},
      {"a lead of two days, before its time", 2, kNoEndDate, {D(24, 1, 2004), At(8, 0)}, 3, D(19, 1, 2004), true,
       D(26, 1, 2004)},
      {"the series ended", 0, D(19, 1, 2004), {D(28, 1, 2004), At(10, 0)}, 3, D(19, 1, 2004), false, {}},
      {"years away", 0, kNoEndDate, {D(5, 1, 2005), At(9, 0)}, 53, D(3, 1, 2005), true, D(10, 1, 2005)},
  };
  for (const Case& c : cases) {
    EventRecord e;
    e.setEventDate(D(5, 1, 2004));
    e.setRepeat(RepeatBlock{2, c.end, 1, 2});
    e = WithAlarm(e, At(9, 0), c.lead, D(5, 1, 2004));
    const DueOccurrences due = FindDueOccurrences(e, c.moment);
    EXPECT_EQ(due.count, c.count) << c.what;
    if (c.count == 0) continue;
    EXPECT_EQ(due.first, D(5, 1, 2004)) << c.what;
    EXPECT_EQ(due.last, c.last) << c.what;
    EXPECT_EQ(due.hasNext, c.hasNext) << c.what;
    if (c.hasNext) {
      EXPECT_EQ(due.next, c.next) << c.what;
    }

    EventRecord advanced = e;
    AdvanceRungAlarm(advanced, false, c.moment);
    EXPECT_EQ(advanced.alarmSet(), c.hasNext) << c.what;
    if (c.hasNext) {
      EXPECT_EQ(advanced.alarmReferenceDate(), c.next) << c.what;
    }
    AdvanceRungAlarm(e, /*disableRepeat=*/true, c.moment);
    EXPECT_FALSE(e.alarmSet()) << c.what;
  }
}

TEST(AlarmCatchUp, AReferenceDateTheSeriesDoesNotOccurOnIsNotCounted) {
  // Mondays and Thursdays, entered on Wednesday 7 January 2004.
  EventRecord e;
  e.setEventDate(D(7, 1, 2004));
  e.setRepeat(RepeatBlock{2, kNoEndDate, 1, 2 | 16});
  e = WithAlarm(e, At(9, 0), 0, D(7, 1, 2004));
  DueOccurrences due = FindDueOccurrences(e, AlarmMoment{D(14, 1, 2004), At(10, 0)});
  EXPECT_EQ(due.count, 2);  // Thursday 8th and Monday 12th
  EXPECT_EQ(due.first, D(8, 1, 2004));
  EXPECT_EQ(due.last, D(12, 1, 2004));
  EXPECT_EQ(due.next, D(15, 1, 2004));
  // On the Wednesday itself the alarm rings for its reference date, as ever.
  due = FindDueOccurrences(e, AlarmMoment{D(7, 1, 2004), At(10, 0)});
  EXPECT_EQ(due.count, 1);
  EXPECT_EQ(due.first, D(7, 1, 2004));
  EXPECT_EQ(due.last, D(7, 1, 2004));
  EXPECT_EQ(due.next, D(8, 1, 2004));
}

TEST(AlarmCatchUp, AOneOffAlarmStandsForItsOneOccurrence) {
  EventRecord e;
  e.setEventDate(D(10, 5, 2004));
  e = WithAlarm(e, At(9, 0), 1, D(10, 5, 2004));
  const DueOccurrences due = FindDueOccurrences(e, AlarmMoment{D(1, 6, 2004), At(12, 0)});
  EXPECT_EQ(due.count, 1);
  EXPECT_EQ(due.first, D(10, 5, 2004));
  EXPECT_EQ(due.last, D(10, 5, 2004));
  EXPECT_FALSE(due.hasNext);
  AdvanceRungAlarm(e, false, AlarmMoment{D(1, 6, 2004), At(12, 0)});
  EXPECT_FALSE(e.alarmSet());
}

TEST(AlarmCatchUp, ADailySeriesMissedForTheWholeRangeEnds) {
  EventRecord e;
  e.setEventDate(D(1, 1, 1800));
  e.setRepeat(RepeatBlock{1, kNoEndDate, 1, 0});
  e = WithAlarm(e, At(0, 0), 0, D(1, 1, 1800));
  const DueOccurrences due = FindDueOccurrences(e, AlarmMoment{D(31, 12, 2199), At(23, 55)});
  EXPECT_EQ(due.count, LastDayNumber() - FirstDayNumber() + 1);
  EXPECT_EQ(due.last, D(31, 12, 2199));
  EXPECT_FALSE(due.hasNext);
}

TEST_F(AlarmCheck, AnAlarmAtNineRingsFromTheFirstCheckAtNine) {
  // Lead one day, 9:00, event on 10 May.
  RecordPosition at = cal.Add(WithAlarm(cal.Make(D(10, 5, 2004), "dentist"), At(9, 0), 1, D(10, 5, 2004)));
  EXPECT_FALSE(Check(cal.store(), MakeAlarmMoment(D(8, 5, 2004), At(9, 0))).rang);
  EXPECT_FALSE(Check(cal.store(), MakeAlarmMoment(D(9, 5, 2004), At(8, 58))).rang);
  EXPECT_TRUE(cal.Read(at).alarmSet());
  EXPECT_TRUE(Check(cal.store(), MakeAlarmMoment(D(9, 5, 2004), At(9, 0))).rang);
  EXPECT_EQ(rung, (std::vector<std::string>{"dentist 2004-05-10"}));
  EXPECT_FALSE(cal.Read(at).alarmSet());
}

TEST(AlarmMomentTest, TheMinuteIsLoweredToFive) {
  EXPECT_EQ(MakeAlarmMoment(D(9, 5, 2004), At(8, 58)).now, At(8, 55));
  EXPECT_EQ(MakeAlarmMoment(D(9, 5, 2004), At(9, 0)).now, At(9, 0));
  TimeValue withSeconds = At(21, 4);
  withSeconds.second = 59;
  EXPECT_EQ(MakeAlarmMoment(D(9, 5, 2004), withSeconds).now, At(21, 0));
  EXPECT_EQ(MakeAlarmMoment(D(9, 5, 2004), At(9, 0)).today, D(9, 5, 2004));
}

TEST_F(AlarmCheck, DisableRepeatAlarmDisarmsASeries) {
  EventRecord daily = cal.Make(D(1, 3, 2004), "daily");
  daily.setRepeat(RepeatBlock{1, kNoEndDate, 1, 0});
  RecordPosition at = cal.Add(WithAlarm(daily, At(9, 0), 0, D(1, 3, 2004)));
  EXPECT_TRUE(Check(cal.store(), AlarmMoment{D(1, 3, 2004), At(9, 0)}, /*disable=*/true).rang);
  EXPECT_FALSE(cal.Read(at).alarmSet());
}

TEST_F(AlarmCheck, ConfidentialAlarmsRingOnlyForTheOwner) {
  cal.Add(WithAlarm(cal.Make(D(1, 3, 2004), "open"), At(9, 0), 0, D(1, 3, 2004)));
  EventRecord secret = cal.Make(D(1, 3, 2004), "secret");
  secret.setConfidential(true);
  RecordPosition at = cal.Add(WithAlarm(secret, At(8, 0), 0, D(1, 3, 2004)));
  cal.SetPasswords("own", "asst", "read");
  (void)cal.store().Close();
  const AlarmMoment moment{D(2, 3, 2004), At(9, 0)};
  {
    RecordStore assistant(cal.path(), "asst");
    ASSERT_EQ(assistant.GetAccessLevel(), kAccessAssistant);
    std::vector<DueAlarm> due;
    ASSERT_TRUE(FindDueAlarms(assistant, moment, due).ok());
    EXPECT_EQ(due.size(), 1u);
    AlarmCheckOutcome outcome = Check(assistant, moment);
    EXPECT_TRUE(outcome.rang);
    EXPECT_NE(outcome.position, at);
    EXPECT_FALSE(Check(assistant, moment).rang);
  }
  RecordStore owner(cal.path(), "own");
  ASSERT_EQ(owner.GetAccessLevel(), kAccessOwner);
  AlarmCheckOutcome outcome = Check(owner, moment);
  EXPECT_TRUE(outcome.rang);
  EXPECT_EQ(outcome.position, at);
}

TEST_F(AlarmCheck, ARecordLockedElsewhereIsPassedOver) {
  RecordPosition first = cal.Add(WithAlarm(cal.Make(D(1, 3, 2004), "first"), At(8, 0), 0, D(1, 3, 2004)));
  RecordPosition second = cal.Add(WithAlarm(cal.Make(D(2, 3, 2004), "second"), At(8, 0), 0, D(2, 3, 2004)));
  RecordStore other(cal.path(), "");
  ASSERT_TRUE(other.LockRecord(first).ok());
  AlarmCheckOutcome outcome = Check(cal.store(), AlarmMoment{D(3, 3, 2004), At(9, 0)});
  EXPECT_TRUE(outcome.rang);
  EXPECT_EQ(outcome.position, second);
  EXPECT_TRUE(cal.Read(first).alarmSet());
  ASSERT_TRUE(other.UnlockRecord(first).ok());
}

TEST_F(AlarmCheck, ARecordLockedByAnotherProcessIsPassedOver) {
  RecordPosition first = cal.Add(WithAlarm(cal.Make(D(1, 3, 2004), "first"), At(8, 0), 0, D(1, 3, 2004)));
  RecordPosition second = cal.Add(WithAlarm(cal.Make(D(2, 3, 2004), "second"), At(8, 0), 0, D(2, 3, 2004)));
  int locked[2];
  int release[2];
  ASSERT_EQ(::pipe(locked), 0);
  ASSERT_EQ(::pipe(release), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    char byte = 0;
    int status = 1;
    {
      RecordStore other(cal.path(), "");
      if (other.IsOpen() && other.LockRecord(first).ok()) {
        byte = 1;
        (void)!::write(locked[1], &byte, 1);
        (void)!::read(release[0], &byte, 1);
        status = other.UnlockRecord(first).ok() ? 0 : 2;
      } else {
        (void)!::write(locked[1], &byte, 1);
      }
    }
    ::_exit(status);
  }
  ::close(locked[1]);
  ::close(release[0]);
  char byte = 0;
  ASSERT_EQ(::read(locked[0], &byte, 1), 1);
  ASSERT_EQ(byte, 1) << "the other process could not lock the record";
  AlarmCheckOutcome outcome = Check(cal.store(), AlarmMoment{D(3, 3, 2004), At(9, 0)});
  EXPECT_TRUE(outcome.rang);
  EXPECT_EQ(outcome.position, second);
  EXPECT_EQ(rung, (std::vector<std::string>{"second 2004-03-02"}));
  EXPECT_TRUE(cal.Read(first).alarmSet());
  EXPECT_FALSE(Check(cal.store(), AlarmMoment{D(3, 3, 2004), At(9, 0)}).rang);  // still locked
  ASSERT_EQ(::write(release[1], &byte, 1), 1);
  int status = -1;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  ::close(locked[0]);
  ::close(release[1]);
  // Once the other process let go, the record rings at the next check.
  outcome = Check(cal.store(), AlarmMoment{D(3, 3, 2004), At(9, 0)});
  EXPECT_TRUE(outcome.rang);
  EXPECT_EQ(outcome.position, first);
}

TEST_F(AlarmCheck, NoCheckWhileTheRingingWindowIsOpen) {
  cal.Add(WithAlarm(cal.Make(D(1, 3, 2004), "first"), At(8, 0), 0, D(1, 3, 2004)));
  cal.Add(WithAlarm(cal.Make(D(2, 3, 2004), "second"), At(8, 0), 0, D(2, 3, 2004)));
  const AlarmMoment moment{D(3, 3, 2004), At(9, 0)};
  bool nestedRang = true;
  AlarmCheckOutcome outcome = RunAlarmCheck(cal.store(), moment, [&](const EventRecord&) {
    nestedRang = RunAlarmCheck(cal.store(), moment, [](const EventRecord&) { return false; }).rang;
    return false;
  });
  EXPECT_TRUE(outcome.rang);
  EXPECT_FALSE(nestedRang);
  EXPECT_FALSE(AlarmRinging());
}

TEST_F(AlarmCheck, ClosedFileRingsNothing) {
  cal.Add(WithAlarm(cal.Make(D(1, 3, 2004), "first"), At(8, 0), 0, D(1, 3, 2004)));
  (void)cal.store().Close();
  EXPECT_FALSE(Check(cal.store(), AlarmMoment{D(3, 3, 2004), At(9, 0)}).rang);
  EXPECT_TRUE(rung.empty());
}

}  // namespace
}  // namespace velmora
