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
// The alarm settings after the alarm rang: a repeating event moves to its
// next occurrence and stays armed unless "Disable repeat alarm" was marked
// or no occurrence is left; every other alarm is disarmed.
void AdvanceRungAlarm(EventRecord& record, bool disableRepeat);

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

// Shows the ringing window for a copy of the due record; returns whether
// "Disable repeat alarm" was marked. Called with AlarmRinging() set.
using RingAlarm = std::function<bool(const EventRecord& record)>;

struct AlarmCheckOutcome {
  bool rang = false;
  RecordPosition position = 0;  // of the record that rang
  Result result = Result::Ok();  // failure of the scan or of writing back
};

// The alarm check: nothing when the file is not open or a ringing window is
// open. Otherwise the first due alarm in check order whose record this
// connection can lock rings (records locked by others are passed over), its
// settings move on, and the record is written back, flushed and unlocked.
// One alarm per check. Confidential records ring only for the Owner.
AlarmCheckOutcome RunAlarmCheck(RecordStore& store, const AlarmMoment& moment, const RingAlarm& ring);

}  // namespace velmora
