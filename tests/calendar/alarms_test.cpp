// Alarms: the due test, and the alarm check over a calendar file.
#include <gtest/gtest.h>

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

TEST_F(AlarmCheck, WeeklyAlarmCatchesUpOneMissedOccurrencePerCheck) {
  EventRecord weekly = cal.Make(D(5, 1, 2004), "weekly");  // Monday
  weekly.setRepeat(RepeatBlock{2, kNoEndDate, 1, 2});
  RecordPosition at = cal.Add(WithAlarm(weekly, At(9, 0), 0, D(5, 1, 2004)));
  const AlarmMoment wednesday{D(28, 1, 2004), At(10, 0)};
  for (int i = 0; i < 6; ++i) Check(cal.store(), wednesday);
  EXPECT_EQ(rung, (std::vector<std::string>{"weekly 2004-01-05", "weekly 2004-01-12", "weekly 2004-01-19",
                                            "weekly 2004-01-26"}));
  EventRecord after = cal.Read(at);
  EXPECT_TRUE(after.alarmSet());
  EXPECT_EQ(after.alarmReferenceDate(), D(2, 2, 2004));
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
