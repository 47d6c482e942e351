// Alarms: when an event's alarm is due, and the alarm check that rings one
// due alarm of an open calendar file and moves the alarm on.
//
// Several users may share a file, so an alarm rings only on the machine that
// locks its record: the lock is taken before the alarm rings and released
// after the record has been written back.
#pragma once

#include <functional>
#include <vector>

#include "calendar/model/EventRecord.h"
#include "store/Dates.h"
#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora {

// The moment an alarm check runs at: today, and the time of day with its
// minute lowered to a multiple of 5.
struct AlarmMoment {
  DateValue today;
  TimeValue now;
};
AlarmMoment CurrentAlarmMoment();
// The moment of a check that runs on that day at that time (its minute
// lowered to a multiple of 5, its seconds dropped).
AlarmMoment MakeAlarmMoment(const DateValue& today, const TimeValue& now);

// The occurrence an alarm belongs to: the reference date of a repeating
// event, the event date of a one-off event.
DateValue AlarmOccurrence(const EventRecord& record);
// The day the alarm rings: its occurrence moved back by the alarm lead; when
// that would leave the valid range, the occurrence itself.
DateValue AlarmDate(const EventRecord& record);
// Due when the alarm date lies before today, or is today and the alarm
// time's five-minute slot is not later than the current one. Only the date
// and time are looked at, not whether the alarm is set.
bool IsAlarmDue(const EventRecord& record, const AlarmMoment& moment);
// The time the ringing window shows: the start time of a one-off event, the
// alarm time of a repeating one.
TimeValue RingingTime(const EventRecord& record);

// The next occurrence after the alarm's occurrence up to the repeat end
// date; false when there is none (or the event does not repeat).
bool NextAlarmOccurrence(const EventRecord& record, DateValue& next);
// The alarm settings after the alarm rang for one occurrence: a repeating
// event moves to its next occurrence and stays armed unless "Disable repeat
// alarm" was marked or no occurrence is left; every other alarm is disarmed.
void AdvanceRungAlarm(EventRecord& record, bool disableRepeat);

// The occurrences one ringing stands for. When the program did not run for
// a while, a repeating event's alarm may be due for several occurrences at
// once (a weekly meeting's alarm after three weeks away); they ring together,
// once, and the alarm moves on to the first occurrence still to come.
struct DueOccurrences {
  int count = 0;        // occurrences whose alarm is due, from the alarm's own on
  DateValue first;      // the alarm's occurrence (the first real one after a
                        // reference date the series does not occur on)
  DateValue last;       // the latest occurrence whose alarm is due
  bool hasNext = false; // an occurrence whose alarm is still to come exists
  DateValue next;       // that occurrence (today's when its alarm time is later)
};
// Nothing (count 0) when the alarm is not due. A one-off event's due alarm
// stands for its one occurrence.
DueOccurrences FindDueOccurrences(const EventRecord& record, const AlarmMoment& moment);
// The alarm settings after the alarm rang for every due occurrence: a
// repeating event moves to the first occurrence whose alarm is still to
// come at the moment and stays armed, unless "Disable repeat alarm" was
// marked or no such occurrence is left; every other alarm is disarmed.
void AdvanceRungAlarm(EventRecord& record, bool disableRepeat, const AlarmMoment& moment);

// Set while a ringing window is shown; no alarm check runs meanwhile.
bool AlarmRinging();

struct DueAlarm {
  RecordPosition position = 0;
  EventRecord record;
};

// The armed alarms of the records this connection may see that are due at
// the moment, in the order the check rings them (reference date, earliest
// first; equal dates in file order). Rings nothing and locks nothing.
Result FindDueAlarms(RecordStore& store, const AlarmMoment& moment, std::vector<DueAlarm>& out);

// What the ringing window shows: a copy of the due record as it stood
// under its lock, and the occurrences it rings for.
struct RingingAlarm {
  EventRecord record;
  DueOccurrences occurrences;
};

// The occurrence a ringing alarm names: the latest one due when several
// were missed, else the alarm's own occurrence.
DateValue RungOccurrence(const RingingAlarm& alarm);

// Shows the ringing window for the due alarm; returns whether "Disable
// repeat alarm" was marked. Called with AlarmRinging() set.
using RingAlarm = std::function<bool(const RingingAlarm& alarm)>;
// The same for callers that need only the record.
using RingAlarmRecord = std::function<bool(const EventRecord& record)>;

struct AlarmCheckOutcome {
  bool rang = false;
  RecordPosition position = 0;  // of the record that rang
  Result result = Result::Ok();  // failure of the scan or of writing back
};

// The alarm check: nothing when the file is not open or a ringing window is
// open. Otherwise the first due alarm in check order whose record this
// connection can lock rings (records locked by others are passed over), once
// for all its due occurrences; its settings move on past them, and the
// record is written back, flushed and unlocked. One alarm per check: a
// second due event rings at the next check. Confidential records ring only
// for the Owner.
AlarmCheckOutcome RunAlarmCheck(RecordStore& store, const AlarmMoment& moment, const RingAlarm& ring);
AlarmCheckOutcome RunAlarmCheck(RecordStore& store, const AlarmMoment& moment, const RingAlarmRecord& ring);

}  // namespace velmora
